// Saving a text over a remote file without ever leaving the folder without it: the text goes to
// a temporary name, gets the original's mode, and only then takes the name. A failure after the
// upload is looked into on the server and logged name by name.

#include "Classes/Others/NetworkManager.h"

#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManagerCurl.h"
#include "Classes/Others/PermissionHelpers.h"
#include "Classes/Others/RemoteSave.h"
#include "Classes/Others/SaveReport.h"
#include "Classes/Others/TransferData.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSStringEncoding.h"

#include <algorithm>
#include <cstdio>

namespace {

// An FTP server answers a rename's source with 350 before it takes the new name.
bool renameSourceAccepted(const std::vector<std::string>& replies)
{
    return std::any_of(replies.begin(), replies.end(),
                       [](const std::string& line) { return line.rfind("350", 0) == 0; });
}

bool holds(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

int NetworkManager::lookUp(RemoteFile& file)
{
    NSData bytes;
    const int code = listFolder(file.folder, bytes);
    if (code != CURLE_OK)
        return code;
    file.names.clear();
    file.sizes.clear();
    file.whole = true;
    readListing(bytes, file);
    return CURLE_OK;
}

void NetworkManager::readListing(const NSData& bytes, RemoteFile& file) const
{
    file.exists = file.isDirectory = file.isLink = false;
    file.mode.reset();
    file.link.clear();
    if (microsoft()) {
        // One-line listings carry no permissions and no links.
        for (const std::shared_ptr<FileEntry>& entry : parseMicrosoftListing(bytes)) {
            file.names.push_back(entry->name());
            if (!entry->isDirectory())
                file.sizes[entry->name()] = entry->size();
            if (entry->name() == file.name) {
                file.exists = true;
                file.isDirectory = entry->isDirectory();
            }
        }
        return;
    }
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::optional<CFFTPResourceEntry> parsed;
        const CFIndex consumed = CFFTPCreateParsedResourceListing(bytes.data() + offset,
                                                                  static_cast<CFIndex>(bytes.size() - offset), parsed);
        if (consumed <= 0)
            break;
        const std::size_t length = std::min(static_cast<std::size_t>(consumed), bytes.size() - offset);
        const std::string_view line(bytes.data() + offset, length);
        offset += length;
        if (!parsed || !parsed->name)
            continue;
        const CFFTPResourceEntry entry = entryByReencodingNameInEntry(*parsed, NSUTF8StringEncoding);
        file.names.push_back(*entry.name);
        if (entry.size && entry.type.value_or(0) != kCFFTPResourceDirectory)
            file.sizes[*entry.name] = *entry.size;
        if (*entry.name != file.name)
            continue;
        file.exists = true;
        file.isDirectory = entry.type.value_or(0) == kCFFTPResourceDirectory;
        file.isLink = entry.type.value_or(0) == kCFFTPResourceSymbolicLink;
        file.link = file.isLink ? entry.link.value_or(std::string()) : std::string();
        file.mode = Connection::modeOfPermissions(line.substr(0, 10));
    }
}

std::optional<std::int64_t> NetworkManager::RemoteFile::sizeOf(const std::string& listed) const
{
    const auto found = sizes.find(listed);
    return found == sizes.end() ? std::nullopt : std::optional<std::int64_t>(found->second);
}

int NetworkManager::askQuietly(const std::function<int()>& ask)
{
    std::string earlier;
    {
        std::lock_guard lock(stateMutex_);
        earlier = failureWords_;
    }
    const int code = ask();
    std::lock_guard lock(stateMutex_);
    failureWords_ = earlier;
    return code;
}

int NetworkManager::remoteStat(const WorkLocation& folder, const std::string& name, std::optional<std::int64_t>& size)
{
    size.reset();
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return CURLE_FAILED_INIT;
    const std::string url = urlFor(folder) + escapedPathComponent(name);
    curl_off_t length = -1;
    // A name that is not there is an answer, not a failure of the save.
    const int code = askQuietly([&] {
        TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        options.setNoBody();
        options.setWrite(&listWriteCallback, nullptr);
        TransferData none;
        const int done = options.perform(none);
        if (done == CURLE_OK && curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
            length = -1;
        return done;
    });
    const std::string workUrl = getWorkUrl();
    curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
    if (code == CURLE_OK && length >= 0)
        size = static_cast<std::int64_t>(length);
    return code;
}

bool NetworkManager::probeNames(const WorkLocation& folder, const std::vector<std::string>& names,
                                std::map<std::string, RemoteSave::NameFacts>& facts)
{
    const bool sftp = protocol() == Protocol::sftp;
    if (!sftp && ftpNameFacts_ == 0) {
        std::vector<std::string> replies;
        if (askQuietly([&] { return performCommands({ "*FEAT" }, folder, &replies); }) != CURLE_OK)
            return false;
        bool mlst = false;
        bool size = false;
        const std::vector<std::vector<std::string>> feat = RemoteSave::lastReplies(replies, 1);
        if (!feat.empty() && feat.front().front().rfind("211", 0) == 0)
            for (const std::string& line : feat.front()) {
                std::string word = line.substr(0, line.find(';'));
                std::transform(word.begin(), word.end(), word.begin(),
                               [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
                mlst = mlst || word.rfind(" MLST", 0) == 0;
                size = size || word == " SIZE";
            }
        ftpNameFacts_ = mlst ? 1 : size ? 2 : 3;
        NSLog(mlst ? "The server tells of single names through MLST"
                   : size ? "The server tells of single names through SIZE only" : "The server tells of no single name");
    }
    if (!sftp && ftpNameFacts_ == 3)
        return false;
    if (!sftp && ftpNameFacts_ == 1) {
        // One round of commands for every name; the mode is asked for where the server has it.
        std::vector<std::string> commands { "*OPTS MLST type;size;modify;unix.mode;" };
        for (const std::string& name : names)
            commands.push_back("*MLST " + name);
        std::vector<std::string> replies;
        if (askQuietly([&] { return performCommands(commands, folder, &replies); }) != CURLE_OK)
            return false;
        const std::vector<std::vector<std::string>> answers = RemoteSave::lastReplies(replies, names.size());
        if (answers.size() != names.size())
            return false;
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::optional<RemoteSave::NameFacts> told = RemoteSave::factsOfMlst(answers[i]);
            if (!told)
                return false;
            facts[names[i]] = *told;
        }
        return true;
    }
    for (const std::string& name : names) {
        RemoteSave::NameFacts told;
        const int code = remoteStat(folder, name, told.size);
        // A file the login may not read is there all the same.
        if (code == CURLE_OK || (sftp && code == CURLE_REMOTE_ACCESS_DENIED))
            told.exists = true;
        else if (code != CURLE_REMOTE_FILE_NOT_FOUND)
            return false;
        facts[name] = told;
    }
    return true;
}

int NetworkManager::lookUpByName(RemoteFile& file, const std::vector<std::string>& alsoAsk)
{
    const bool sftp = protocol() == Protocol::sftp;
    file.exists = file.isDirectory = file.isLink = false;
    file.mode.reset();
    file.link.clear();
    file.names.clear();
    file.sizes.clear();
    file.whole = false;
    std::map<std::string, RemoteSave::NameFacts> facts;
    // The save forms are asked for a few at a time where one round asks for many.
    const int batch = !sftp && ftpNameFacts_ == 1 ? 3 : 1;
    std::vector<std::string> asked { file.name };
    asked.insert(asked.end(), alsoAsk.begin(), alsoAsk.end());
    int nextForm[2] = { 1, 1 };
    bool formFree[2] = { false, false };
    const char* const suffixes[2] = { kTemporarySuffix, kAsideSuffix };
    for (;;) {
        for (int s = 0; s < 2; ++s)
            for (int k = 0; k < batch && !formFree[s]; ++k)
                asked.push_back(RemoteSave::saveForm(file.name, suffixes[s], nextForm[s]++));
        if (!probeNames(file.folder, asked, facts))
            return lookUp(file);
        asked.clear();
        for (int s = 0; s < 2; ++s)
            for (int n = 1; n < nextForm[s] && !formFree[s]; ++n)
                formFree[s] = !facts[RemoteSave::saveForm(file.name, suffixes[s], n)].exists;
        if (formFree[0] && formFree[1])
            break;
    }
    const RemoteSave::NameFacts& own = facts[file.name];
    if (own.exists) {
        if (own.isDirectory)
            return lookUp(file);
        // What the name is (a file or a link, its mode): a listing of that one name on FTP; on
        // SFTP the screen's listing, where it shows a file of the size the server tells.
        RemoteFile one;
        one.folder = file.folder;
        one.name = file.name;
        if (sftp) {
            if (file.folder.components != workLocation().components || !own.size)
                return lookUp(file);
            const std::shared_ptr<Entries> shown = curDirListening();
            const auto entry = std::find_if(shown->begin(), shown->end(), [&](const std::shared_ptr<FileEntry>& e) {
                return e->name() == file.name;
            });
            std::optional<std::int64_t> savedSize;
            {
                std::lock_guard lock(stateMutex_);
                const auto saved = savedSizes_.find(urlFor(file.folder) + escapedPathComponent(file.name));
                if (saved != savedSizes_.end())
                    savedSize = saved->second;
            }
            if (entry == shown->end() || (*entry)->isDirectory()
                || ((*entry)->size() != *own.size && savedSize != own.size))
                return lookUp(file);
            one.exists = true;
            one.link = (*entry)->symlink();
            one.isLink = !one.link.empty();
            one.mode = one.isLink ? std::nullopt : (*entry)->fileMode();
        } else {
            // A name starting with "-" would be read as options of the listing.
            NSData bytes;
            if (file.name.front() == '-'
                || askQuietly([&] { return listFolder(file.folder, bytes, "LIST " + file.name); }) != CURLE_OK)
                return lookUp(file);
            readListing(bytes, one);
            if (!one.exists || one.isDirectory || one.names.size() != 1)
                return lookUp(file);
            if (!one.mode)
                one.mode = own.mode;
        }
        file.exists = true;
        file.isLink = one.isLink;
        file.link = one.link;
        file.mode = one.mode;
    }
    for (const auto& [name, told] : facts) {
        if (!told.exists)
            continue;
        file.names.push_back(name);
        if (told.size && !told.isDirectory)
            file.sizes[name] = *told.size;
    }
    return CURLE_OK;
}

int NetworkManager::lookUpAgain(const SaveAttempt& attempt, RemoteFile& now)
{
    // After a failed SFTP step libcurl words the next failure by the last status libssh2 met
    // in the session: a stat of a missing name would make a later cut read as a refusal. A
    // listing leaves no such status.
    if (attempt.file.whole || protocol() == Protocol::sftp)
        return lookUp(now);
    std::vector<std::string> asked { now.name, attempt.temporary };
    if (!attempt.aside.empty())
        asked.push_back(attempt.aside);
    for (const std::string& known : attempt.before)
        if (!holds(asked, known))
            asked.push_back(known);
    std::map<std::string, RemoteSave::NameFacts> facts;
    if (!probeNames(now.folder, asked, facts))
        return lookUp(now);
    const RemoteSave::NameFacts& own = facts[now.name];
    now.exists = own.exists;
    now.isDirectory = own.isDirectory;
    now.isLink = false;
    now.link.clear();
    now.mode = own.mode;
    now.names.clear();
    now.sizes.clear();
    now.whole = false;
    for (const std::string& name : asked) {
        const RemoteSave::NameFacts& told = facts[name];
        if (!told.exists)
            continue;
        now.names.push_back(name);
        if (told.size && !told.isDirectory)
            now.sizes[name] = *told.size;
    }
    return CURLE_OK;
}

std::optional<NetworkManager::RemoteFile> NetworkManager::linkTarget(const RemoteFile& link)
{
    const std::vector<std::string> pieces = pathComponents(link.link);
    // A target ending in a slash, "." or ".." names a folder, never a file to write.
    if (pieces.empty() || link.link.back() == '/' || pieces.back() == "." || pieces.back() == "..")
        return std::nullopt;
    RemoteFile target;
    target.folder.base = link.folder.base;
    if (link.link.front() != '/')
        target.folder.components = link.folder.components;
    for (const std::string& piece : pieces) {
        if (piece == "/" || piece == ".")
            continue;
        if (piece == "..") {
            if (!target.folder.components.empty())
                target.folder.components.pop_back();
            continue;
        }
        target.folder.components.push_back(piece);
    }
    if (target.folder.components.empty())
        return std::nullopt;
    target.name = target.folder.components.back();
    target.folder.components.pop_back();
    return target;
}

std::string NetworkManager::shownName(const WorkLocation& folder, const std::string& name) const
{
    if (folder.components == workLocation().components)
        return name;
    std::string path;
    for (const std::string& component : folder.components)
        path += "/" + component;
    return path + "/" + name;
}

std::string NetworkManager::sftpPath(const WorkLocation& folder, const std::string& name) const
{
    return quotedSftpPath(stringByAppendingPathComponent(curl2path(urlFor(folder)), name));
}

void NetworkManager::SaveAttempt::prepare()
{
    leftovers.clear();
    for (const std::string& listed : file.names)
        if (RemoteSave::isSaveForm(listed, file.name, kTemporarySuffix)
            || RemoteSave::isSaveForm(listed, file.name, kAsideSuffix))
            leftovers.push_back(listed);
    before = file.names;
    temporary = RemoteSave::freeName(file.names, file.name, kTemporarySuffix);
}

int NetworkManager::renameRemote(const WorkLocation& folder, const std::string& from, const std::string& to)
{
    return performCommands({ "rename " + sftpPath(folder, from) + " " + sftpPath(folder, to) }, folder);
}

int NetworkManager::swapIntoPlace(SaveAttempt& attempt)
{
    const RemoteFile& file = attempt.file;
    const bool replacing = file.exists && !file.isDirectory;
    if (protocol() == Protocol::ftp) {
        // A rename onto an existing name replaces it on the servers we know; the original
        // goes first only where the server refuses that, and only when the source was found.
        std::vector<std::string> replies;
        attempt.renameSent = true;
        int code = performCommands({ "RNFR " + attempt.temporary, "RNTO " + file.name }, file.folder, &replies);
        if (code == CURLE_QUOTE_ERROR && replacing && renameSourceAccepted(replies)) {
            NSLog("The server refused to rename " + shownName(file.folder, attempt.temporary) + " over "
                  + shownName(file.folder, file.name) + ": deleting the original first");
            code = performCommands({ "DELE " + file.name, "RNFR " + attempt.temporary, "RNTO " + file.name },
                                   file.folder);
        }
        attempt.renameCode = code;
        attempt.renameOutcome = outcomeOfLast(code);
        return code;
    }

    // SFTP renames never replace: the original steps aside until the new text has its name.
    if (!replacing) {
        attempt.renameSent = true;
        attempt.renameCode = renameRemote(file.folder, attempt.temporary, file.name);
        attempt.renameOutcome = outcomeOfLast(attempt.renameCode);
        return attempt.renameCode;
    }
    std::vector<std::string> taken = file.names;
    taken.push_back(attempt.temporary);
    attempt.aside = RemoteSave::freeName(taken, file.name, kAsideSuffix);
    int code = renameRemote(file.folder, file.name, attempt.aside);
    if (code != CURLE_OK) {
        attempt.renameCode = code;
        attempt.renameOutcome = outcomeOfLast(code);
        return code;
    }
    attempt.renameSent = true;
    code = renameRemote(file.folder, attempt.temporary, file.name);
    attempt.renameCode = code;
    attempt.renameOutcome = outcomeOfLast(code);
    if (code != CURLE_OK) {
        // Back under its name, unless the new text took it after all (an SFTP rename never
        // replaces, so this cannot write over it).
        const int back = renameRemote(file.folder, attempt.aside, file.name);
        if (back != CURLE_OK)
            NSLogf("Could not give the original its name back (%d)", back);
        return code;
    }
    attempt.asideRemovalFailed = performCommands({ "rm " + sftpPath(file.folder, attempt.aside) }, file.folder)
        != CURLE_OK;
    return CURLE_OK;
}

int NetworkManager::finishSwap(SaveAttempt& attempt)
{
    const int lost = attempt.renameCode;
    RemoteFile now;
    now.folder = attempt.file.folder;
    now.name = attempt.file.name;
    if (lookUpAgain(attempt, now) != CURLE_OK)
        return lost;
    const bool sftp = protocol() == Protocol::sftp;
    auto removeAside = [&] {
        if (sftp && !attempt.aside.empty() && holds(now.names, attempt.aside))
            attempt.asideRemovalFailed
                = performCommands({ "rm " + sftpPath(now.folder, attempt.aside) }, now.folder) != CURLE_OK;
    };
    const bool temporaryThere = holds(now.names, attempt.temporary);
    if (RemoteSave::renameDoneThoughLost(RemoteSave::Outcome::lost, temporaryThere, now.sizeOf(now.name),
                                         attempt.sent)) {
        NSLog("The rename of " + shownName(now.folder, attempt.temporary) + " was done, though its answer was lost");
        attempt.renameCode = CURLE_OK;
        attempt.renameOutcome = RemoteSave::Outcome::done;
        removeAside();
        return CURLE_OK;
    }
    if (!temporaryThere || !RemoteSave::isWhole(now.sizeOf(attempt.temporary), attempt.sent))
        return lost;
    if (!now.exists) {
        // The original is gone (moved aside, or deleted by a server that does not rename over a
        // name): the whole new copy takes the name now, not at the next save.
        NSLog("Finishing the save of " + shownName(now.folder, now.name) + " after the line came back");
        attempt.renameSent = true;
        attempt.renameCode = sftp ? renameRemote(now.folder, attempt.temporary, now.name)
                                  : performCommands({ "RNFR " + attempt.temporary, "RNTO " + now.name }, now.folder);
        attempt.renameOutcome = outcomeOfLast(attempt.renameCode);
        if (attempt.renameCode == CURLE_OK)
            removeAside();
        return attempt.renameCode;
    }
    if (!attempt.aside.empty() && holds(now.names, attempt.aside))
        return lost; // both the original and an aside copy: leave the names as they are
    // Nothing was moved: the swap once more.
    attempt.file.names = now.names;
    attempt.aside.clear();
    return swapIntoPlace(attempt);
}

void NetworkManager::describeAfterSave(const SaveAttempt& attempt, SaveReport& report)
{
    const WorkLocation& folder = attempt.file.folder;
    RemoteFile now;
    now.folder = folder;
    now.name = attempt.file.name;
    report.listed = lookUpAgain(attempt, now) == CURLE_OK;
    // The mode the file now has, where only a listing of the folder tells it.
    if (report.listed && !now.whole && !now.mode && (attempt.modeFailed || report.recreatedWithDefaultMode))
        report.listed = lookUp(now) == CURLE_OK;
    auto place = [&](const std::string& name, SaveReport::Holds holds) {
        report.places.push_back({ shownName(folder, name), holds });
    };
    const bool uploaded = attempt.uploaded;
    const SaveReport::Holds temporaryHolds
        = uploaded ? SaveReport::Holds::newText : SaveReport::Holds::newTextMaybePartial;
    if (!report.listed) {
        // Nothing to look at: every name the save may have left, as far as it got.
        if (attempt.file.exists || attempt.renameSent)
            place(attempt.file.name, report.saved() ? SaveReport::Holds::newText : SaveReport::Holds::oldText);
        if (!attempt.temporaryRemoved && !report.saved())
            place(attempt.temporary, temporaryHolds);
        if (!attempt.aside.empty())
            place(attempt.aside, SaveReport::Holds::oldText);
        for (const std::string& leftover : attempt.leftovers)
            place(leftover, SaveReport::Holds::earlierText);
        return;
    }
    const bool temporaryThere = holds(now.names, attempt.temporary);
    // Our own upload gone from the folder after a rename whose answer never came, and the name
    // holding what was sent: the rename was done. A refusal stays a refusal.
    if (!report.saved() && uploaded && attempt.renameSent
        && RemoteSave::renameDoneThoughLost(attempt.renameOutcome, temporaryThere,
                                            now.sizeOf(now.name), attempt.sent)) {
        NSLog("The rename of " + shownName(folder, attempt.temporary) + " was done, though its answer was lost");
        report.code = CURLE_OK;
        report.reason.clear();
    }
    if (now.exists)
        place(now.name, report.saved() ? SaveReport::Holds::newText : SaveReport::Holds::oldText);
    if (temporaryThere)
        place(attempt.temporary, temporaryHolds);
    if (!attempt.aside.empty() && holds(now.names, attempt.aside))
        place(attempt.aside, SaveReport::Holds::oldText);
    for (const std::string& leftover : attempt.leftovers)
        if (holds(now.names, leftover))
            place(leftover, SaveReport::Holds::earlierText);
    // A server that rewrites names stored the upload under a name of its own: the one the
    // folder did not hold before.
    if (!temporaryThere && !report.saved() && !attempt.temporaryRemoved) {
        RemoteFile all;
        all.folder = folder;
        all.name = now.name;
        if (now.whole)
            all = now;
        else if (lookUp(all) != CURLE_OK)
            all.names.clear();
        // Where the names before the save were asked one by one, a name the screen did not
        // show either, holding what this save sent.
        std::vector<std::string> shown;
        if (!attempt.file.whole && folder.components == workLocation().components)
            for (const std::shared_ptr<FileEntry>& entry : *curDirListening())
                shown.push_back(entry->name());
        for (const std::string& listed : all.names) {
            if (holds(attempt.before, listed) || holds(shown, listed) || listed == now.name || listed == attempt.aside)
                continue;
            const std::optional<std::int64_t> size = all.sizeOf(listed);
            if (!attempt.file.whole && (!size || (uploaded ? *size != attempt.sent : *size > attempt.sent)))
                continue;
            place(listed, temporaryHolds);
        }
    }
    if (report.saved() && attempt.modeFailed && attempt.file.mode) {
        if (!now.mode || *now.mode != *attempt.file.mode) {
            report.modeWanted = attempt.file.mode;
            report.modeNow = now.mode;
        }
    }
    if (report.recreatedWithDefaultMode)
        report.modeNow = now.mode;
}

int NetworkManager::uploadASCII(const std::string& name, const std::u16string& text, NSStringEncoding encoding,
                                bool listed, std::optional<unsigned> listedMode)
{
    SaveReport report;
    report.name = name;
    report.shownName = name;
    report.readEncoding = encoding;
    forgetFailure();
    std::string fileKey;  // the file's full path: what its left-overs are remembered by
    std::string fileName; // the file's name in its folder
    auto finish = [this, &fileKey, &fileName](SaveReport& result, int code) {
        result.code = code;
        if (code != CURLE_OK && result.reason.empty())
            result.reason = code == kCodeReplaceIncomplete ? "The new text could not be given the file's name."
                                                            : getErrorMessage(code);
        if (code != CURLE_OK) {
            std::lock_guard lock(stateMutex_);
            result.replyLine = failureWords_;
        }
        result.diskFull = result.diskFull || RemoteSave::isDiskFull(code, result.replyLine);
        // What this save wrote and left, it may remove after a later success of the same file.
        if (!fileKey.empty())
            for (const SaveReport::Place& place : result.places) {
                const std::string plain = place.name.substr(place.name.rfind('/') + 1);
                const bool ownForm = RemoteSave::isSaveForm(plain, fileName, kTemporarySuffix)
                    || RemoteSave::isSaveForm(plain, fileName, kAsideSuffix);
                if (ownForm && place.holds != SaveReport::Holds::earlierText)
                    RemoteSave::leftovers().remember(fileKey, plain);
            }
        if (const SaveResultText shown = saveResultText(result); !shown.message.empty())
            NSLog("Saving " + result.shownName + ": " + shown.message);
        deliver(NetworkManagerDelegate::Operation::uploadedFile,
                [result](NetworkManagerDelegate& receiver) { receiver.uploadedFileWithReport(result); }, false);
        return result.code;
    };
    if (name.empty() || hasUnsafeCharacters(name) || name.find('/') != std::string::npos) {
        NSLog("Refused to upload a file whose name is empty or holds a slash, line break or NUL character");
        return finish(report, kCodeUnsafeName);
    }
    // Back in the encoding the file was read with, so a Latin 1 file stays Latin 1; a character
    // that encoding cannot hold makes it UTF-8, which the report tells. A text that cannot be
    // written even so is refused: storing an empty or partial file in its place would lose the
    // remote original.
    std::optional<NSData> bytes;
    if (encoding != NSUTF8StringEncoding && encoding != static_cast<NSStringEncoding>(0)) {
        bytes = dataUsingEncoding(text, encoding);
        report.switchedToUTF8 = !bytes;
    }
    if (!bytes)
        bytes = dataUsingEncoding(text, NSUTF8StringEncoding);
    if (!bytes) {
        report.switchedToUTF8 = false;
        NSLog("Refused to upload " + name + ": the text cannot be encoded as UTF-8");
        return finish(report, kCodeUnencodableText);
    }
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return finish(report, CURLE_FAILED_INIT);

    // Ask the server, not the cached listing, what stands under the name: a file that appeared
    // since, a link, the mode to keep, the left-overs of earlier saves.
    SaveAttempt attempt;
    RemoteFile& file = attempt.file;
    file.folder = workLocation();
    file.name = name;
    for (int followed = 0;; ++followed) {
        const int lookedUp = lookUpByName(file, RemoteSave::leftovers().of(urlFor(file.folder) + escapedPathComponent(file.name)));
        if (lookedUp != CURLE_OK) {
            NSLogf("Could not read the folder of %s before saving it (%d)", shownName(file.folder, file.name).c_str(),
                   lookedUp);
            report.places.push_back({ shownName(file.folder, file.name), SaveReport::Holds::oldText });
            report.listed = false;
            report.neverLooked = true;
            return finish(report, lookedUp);
        }
        if (!file.isLink)
            break;
        std::optional<RemoteFile> target = linkTarget(file);
        if (!target || followed == kMostLinksFollowed || hasUnsafeCharacters(target->name)) {
            NSLog("Cannot tell which file the link " + shownName(file.folder, file.name) + " stands for: not saved");
            report.places.push_back({ shownName(file.folder, file.name), SaveReport::Holds::oldText });
            return finish(report, target ? int(CURLE_TOO_MANY_REDIRECTS) : int(CURLE_REMOTE_FILE_NOT_FOUND));
        }
        // The link stays; the file it points to takes the text.
        NSLog("Saving " + shownName(file.folder, file.name) + " through its link to "
              + shownName(target->folder, target->name));
        file = std::move(*target);
    }
    // An original gone since it was listed (an earlier cut save deleted it) gets back the mode
    // that listing showed; the server's default would quietly open or close it.
    if (!file.exists && listed) {
        file.mode = listedMode;
        report.recreatedWithDefaultMode = !listedMode;
    }
    attempt.prepare();
    report.shownName = shownName(file.folder, file.name);
    if (file.exists && !file.isDirectory && RemoteSave::isWriteProtected(file.mode)) {
        // A rename would replace it where a plain upload could not: the protection holds.
        NSLog("Refused to save " + report.shownName + ": it is write-protected on the server");
        report.places.push_back({ report.shownName, SaveReport::Holds::oldText });
        return finish(report, kCodeWriteProtected);
    }
    fileKey = urlFor(file.folder) + escapedPathComponent(file.name);
    fileName = file.name;
    attempt.sent = static_cast<std::int64_t>(bytes->size());
    report.sentBytes = attempt.sent;

    const bool sftp = protocol() == Protocol::sftp;
    const std::string url = urlFor(file.folder) + escapedPathComponent(attempt.temporary);
    NSLog("Uploading file " + shownName(file.folder, attempt.temporary) + " ..");

    TransferData record;
    record.kind = TransferData::kUpload;
    record.data = &*bytes;
    record.position = 0;
    record.length = bytes->size();
    int code = CURLE_OK;
    {
        TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        options.setUpload(&uploadReadCallback, &record);
        code = options.perform(record);
    }
    NSLogf("Uploading returned %d !", code);
    const std::string workUrl = getWorkUrl();
    curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());

    // What the server holds under the temporary name: asked by name, else from a listing.
    auto storedSize = [&]() -> std::optional<std::int64_t> {
        std::map<std::string, RemoteSave::NameFacts> facts;
        if (probeNames(file.folder, { attempt.temporary }, facts))
            return facts[attempt.temporary].size;
        RemoteFile probe;
        probe.folder = file.folder;
        probe.name = attempt.temporary;
        if (lookUp(probe) != CURLE_OK)
            return std::nullopt;
        return probe.sizeOf(attempt.temporary);
    };
    // A partial copy under the temporary name is this save's own (the name was free before its
    // upload): it goes, on a fresh connection where the old one is gone.
    auto removePartial = [&](std::optional<std::int64_t> size) {
        if (!RemoteSave::isOwnPartial(!holds(attempt.before, attempt.temporary), size, attempt.sent))
            return;
        const int removed = performCommands(
            { sftp ? "rm " + sftpPath(file.folder, attempt.temporary) : "DELE " + attempt.temporary }, file.folder);
        attempt.temporaryRemoved = removed == CURLE_OK;
        if (attempt.temporaryRemoved)
            NSLog("Removed the partial upload " + shownName(file.folder, attempt.temporary));
    };
    if (code != CURLE_OK) {
        report.code = code;
        removePartial(storedSize());
        describeAfterSave(attempt, report);
        return finish(report, report.code);
    }
    // A data connection that ended early but cleanly leaves a short copy with a success reply.
    if (const std::optional<std::int64_t> size = storedSize(); size && *size != attempt.sent) {
        NSLogf("The server kept %lld of %lld bytes of %s", static_cast<long long>(*size),
               static_cast<long long>(attempt.sent), shownName(file.folder, attempt.temporary).c_str());
        report.storedBytes = *size;
        removePartial(size);
        report.code = kCodeShortUpload;
        describeAfterSave(attempt, report);
        return finish(report, report.code);
    }
    attempt.uploaded = true;

    // The original's mode, for the copy this save wrote (under `target`).
    auto giveMode = [&](const std::string& target) {
        const std::string mode = octal(*file.mode);
        const int changed = performCommands(
            { sftp ? "chmod " + mode + " " + sftpPath(file.folder, target) : "SITE CHMOD " + mode + " " + target },
            file.folder);
        if (changed != CURLE_OK)
            NSLogf("Could not give %s the mode %s of %s (%d)", shownName(file.folder, target).c_str(), mode.c_str(),
                   report.shownName.c_str(), changed);
        return changed == CURLE_OK;
    };
    if (!file.isDirectory && file.mode)
        attempt.modeFailed = !giveMode(attempt.temporary);

    code = swapIntoPlace(attempt);
    // A lost answer: with the line back, look and finish what the server left half-done.
    if (code != CURLE_OK && attempt.renameOutcome == RemoteSave::Outcome::lost)
        code = finishSwap(attempt);
    // Once more on the saved name: a line cut before the first try may be back.
    if (code == CURLE_OK && attempt.modeFailed)
        attempt.modeFailed = !giveMode(file.name);
    report.code = code == CURLE_OK ? CURLE_OK : int(kCodeReplaceIncomplete);
    if (code == CURLE_OK) {
        {
            std::lock_guard lock(stateMutex_);
            savedSizes_[fileKey] = attempt.sent;
        }
        // The left-overs this app's earlier saves of the file made and reported: this whole
        // copy under the name makes them useless, and a web server would show them.
        for (const std::string& own : RemoteSave::leftovers().ownAmong(fileKey, attempt.before)) {
            if (performCommands({ sftp ? "rm " + sftpPath(file.folder, own) : "DELE " + own }, file.folder)
                != CURLE_OK)
                continue;
            RemoteSave::leftovers().forget(fileKey, own);
            report.removedLeftovers.push_back(shownName(file.folder, own));
            attempt.leftovers.erase(std::remove(attempt.leftovers.begin(), attempt.leftovers.end(), own),
                                    attempt.leftovers.end());
        }
    }
    if (code == CURLE_OK && !attempt.modeFailed && !attempt.asideRemovalFailed && !report.recreatedWithDefaultMode) {
        // Nothing to look into: the names are those the folder listed before the save.
        report.places.push_back({ report.shownName, SaveReport::Holds::newText });
        for (const std::string& leftover : attempt.leftovers)
            report.places.push_back({ shownName(file.folder, leftover), SaveReport::Holds::earlierText });
    } else {
        describeAfterSave(attempt, report);
    }
    return finish(report, report.code);
}
