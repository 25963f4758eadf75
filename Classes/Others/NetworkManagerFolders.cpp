#include "Classes/Others/NetworkManager.h"

#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManagerCurl.h"
#include "Classes/Others/TransferData.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

// The folder operations: changing folders, listing them, and the commands that change what a
// folder holds.
bool NetworkManager::changeWorkDir(const std::string& dir)
{
    return changeWorkDir(ChangeDirRequest { dir });
}

bool NetworkManager::changeWorkDir(const ChangeDirRequest& request)
{
    ThreadStatusScope busy(threadStatus_, 2, runsBegunOperation());
    return changeCWorkDir(request);
}

bool NetworkManager::changeCWorkDir(const std::string& dir)
{
    return changeCWorkDir(ChangeDirRequest { dir });
}

bool NetworkManager::changeCWorkDir(const ChangeDirRequest& request)
{
    return changeCWorkDir(request.dir, {}, false, request.progress, request.pdata);
}

bool NetworkManager::changeCWorkDir(const std::string& dir, const std::vector<std::string>& commands,
                                    bool skipListing, TransferProgressFunction progress, void* progressData)
{
    ReloadResult result;
    return changeDirectory(dir, commands, skipListing, progress, progressData, result);
}

int NetworkManager::performCommands(const std::vector<std::string>& commands)
{
    return performCommands(commands, workLocation());
}

int NetworkManager::performCommands(const std::vector<std::string>& commands, const WorkLocation& folder,
                                    std::vector<std::string>* replies)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return CURLE_FAILED_INIT;
    CurlStringList list;
    for (const std::string& command : commands) {
        if (!list.append(command))
            return CURLE_OUT_OF_MEMORY;
    }
    const std::string url = urlFor(folder);
    int code = CURLE_OK;
    {
        TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        // FTP commands act where the connection stands after moving into the folder, that is
        // after the transfer; SFTP commands carry full paths, so before it is as good.
        if (protocol() == Protocol::sftp)
            options.setQuote(list.get());
        else
            options.setPostQuote(list.get());
        options.setNoBody();
        options.setWrite(&listWriteCallback, nullptr);
        if (replies != nullptr)
            options.setReplies(replies);
        TransferData none;
        code = options.perform(none);
    }
    NSLogf("Commands returned %d", code);
    const std::string workUrl = getWorkUrl();
    curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
    return code;
}

int NetworkManager::listFolder(const WorkLocation& folder, NSData& bytes, const std::string& request)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return CURLE_FAILED_INIT;
    const std::string url = urlFor(folder);
    int code = CURLE_OK;
    if (request.empty()) {
        code = performListing(url, bytes, nullptr, nullptr);
    } else {
        // A listing of one name: sent as given, never with the hidden-entries option, which
        // some servers refuse for a name.
        code = listOnce(url, bytes, request.c_str(), nullptr, nullptr);
    }
    const std::string workUrl = getWorkUrl();
    curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
    return code;
}

int NetworkManager::lookUpName(const std::string& name, bool& held)
{
    held = false;
    NSData bytes;
    const int code = listFolder(workLocation(), bytes);
    if (code != CURLE_OK)
        return code;
    try {
        const Entries entries = decodeListing(bytes);
        held = std::any_of(entries.begin(), entries.end(), [&name](const auto& entry) { return entry->name() == name; });
    } catch (const std::exception& e) {
        NSLogf("Exception occured while decoding the listing: %s", e.what());
        return CURLE_FAILED_INIT;
    }
    return CURLE_OK;
}

int NetworkManager::listOnce(const std::string& url, NSData& bytes, const char* command,
                             TransferProgressFunction progress, void* progressData)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    bytes.clear();
    TransferData record;
    record.kind = TransferData::kListing;
    record.data = &bytes;
    record.limit = limits().listingBytes;
    TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    options.setWrite(&listWriteCallback, &record);
    options.setProgress(progress, progressData);
    if (command != nullptr)
        options.setCustomRequest(command);
    return options.perform(record);
}

int NetworkManager::performListing(const std::string& url, NSData& bytes, TransferProgressFunction progress,
                                   void* progressData)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return CURLE_FAILED_INIT;
    auto list = [&](const char* command) { return listOnce(url, bytes, command, progress, progressData); };
    // SFTP lists every name; many FTP servers leave out those beginning with "." unless asked.
    if (protocol() != Protocol::ftp || !listsHiddenEntries_.load())
        return list(nullptr);
    std::string earlierWords;
    {
        std::lock_guard lock(stateMutex_);
        earlierWords = failureWords_;
    }
    const int code = list(kListHiddenCommand);
    // An empty answer may come from a server that took "-a" for a name to look for.
    if ((code == CURLE_OK && !bytes.empty()) || (code != CURLE_OK && code != CURLE_FTP_COULDNT_RETR_FILE))
        return code;
    {
        // The refusal of the option is no failure of the operation.
        std::lock_guard lock(stateMutex_);
        failureWords_ = std::move(earlierWords);
    }
    const int plain = list(nullptr);
    // Refused, or taken for a name where the folder holds some: the option is not understood.
    if (plain == CURLE_OK && (code != CURLE_OK || !bytes.empty())) {
        NSLogf("The server refused \"%s\": names beginning with \".\" may be missing from its listings",
               kListHiddenCommand);
        listsHiddenEntries_ = false;
    }
    return plain;
}

bool NetworkManager::changeDirectory(const std::string& dir, const std::vector<std::string>& commands,
                                     bool skipListing, TransferProgressFunction progress, void* progressData,
                                     ReloadResult& result)
{
    forgetFailure();
    auto reload = [this, &result] {
        deliver(NetworkManagerDelegate::Operation::needsReload,
                [result](NetworkManagerDelegate& receiver) { receiver.needsReloadWithResult(result); }, true);
    };
    if (hasUnsafeCharacters(dir)) {
        NSLog("Refused to change to a folder whose name holds a line break or NUL character");
        result.listingCode = kCodeUnsafeName;
        reload(); // the screen waits for it to end its busy display
        return false;
    }
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr) {
        // Commands never sent did not work either.
        if (!commands.empty())
            result.commandCode = CURLE_FAILED_INIT;
        result.listingCode = CURLE_FAILED_INIT;
        reload();
        return false;
    }

    if (!commands.empty())
        result.commandCode = performCommands(commands);

    WorkLocation target = workLocation();
    if (dir == "..") {
        if (!target.components.empty())
            target.components.pop_back();
    } else if (dir != "." && !dir.empty()) {
        target.components.push_back(dir);
    }
    const std::string url = urlFor(target);
    if (dir != ".")
        NSLog("Changing to URL " + url + " ...");

    NSData bytes;
    int code = CURLE_OK;
    std::vector<std::shared_ptr<FileEntry>> entries;
    try {
        code = performListing(url, bytes, progress, progressData);
        if (code == CURLE_OK && !skipListing)
            entries = decodeListing(bytes);
    } catch (const std::exception& e) {
        NSLog("Exception occured while performing curl operation! :(");
        result.listingCode = CURLE_FAILED_INIT;
        reload();
        return false;
    }

    if (code != CURLE_OK) {
        // The previous folder and its listing stand; the handle goes back to its URL. The
        // command before it, if any, keeps its own result: it may well have worked.
        NSLogf("Listing %s failed with code %d", url.c_str(), code);
        const std::string workUrl = getWorkUrl();
        curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
        result.listingCode = code;
        if (result.commandCode == 0)
            mendListingAfter(result);
        if (!skipListing)
            reload();
        return true;
    }
    {
        std::lock_guard lock(stateMutex_);
        work_ = std::move(target);
    }
    if (skipListing)
        return true;
    replaceListing(std::move(entries));
    NSLog("All done!");
    reload();
    return true;
}

// ---- Remote commands -------------------------------------------------------------------------

void NetworkManager::mendListingAfter(const ReloadResult& result)
{
    // The old listing stands when the folder could not be read again; a renamed or deleted entry
    // must not stay in it under a name the server no longer holds.
    const bool rename = result.command == ReloadResult::Command::rename;
    if (!rename && result.command != ReloadResult::Command::deleteFile
        && result.command != ReloadResult::Command::deleteFolder)
        return;
    std::vector<std::shared_ptr<FileEntry>> entries = *curDirListening();
    for (auto at = entries.begin(); at != entries.end(); ++at) {
        if (*at == nullptr || (*at)->name() != result.commandName)
            continue;
        if (rename) {
            auto renamed = std::make_shared<FileEntry>(**at);
            renamed->setName(result.commandNewName);
            *at = std::move(renamed);
        } else {
            entries.erase(at);
        }
        replaceListing(std::move(entries));
        return;
    }
}

int NetworkManager::runCommand(ReloadResult::Command command, std::initializer_list<std::string> names,
                               std::vector<std::string> ftp, std::vector<std::string> sftp)
{
    ReloadResult result;
    result.command = command;
    result.commandName = names.size() > 0 ? *names.begin() : std::string();
    if (command == ReloadResult::Command::rename && names.size() > 1)
        result.commandNewName = *std::next(names.begin());
    for (const std::string& name : names) {
        if (name.empty() || hasUnsafeCharacters(name)) {
            NSLog("Refused a command on a name that is empty or holds a line break or NUL character");
            forgetFailure();
            result.commandCode = kCodeUnsafeName;
            deliver(NetworkManagerDelegate::Operation::needsReload,
                    [result](NetworkManagerDelegate& receiver) { receiver.needsReloadWithResult(result); }, true);
            return kCodeUnsafeName;
        }
    }
    changeDirectory(".", protocol() == Protocol::sftp ? sftp : ftp, false, nullptr, nullptr, result);
    return result.commandCode.value_or(CURLE_FAILED_INIT);
}

int NetworkManager::renameFile(const std::string& from, const std::string& to)
{
    const std::string dir = getWorkDir();
    return runCommand(ReloadResult::Command::rename, { from, to }, { "RNFR " + from, "RNTO " + to },
                      { "rename " + quotedSftpPath(stringByAppendingPathComponent(dir, from)) + " "
                        + quotedSftpPath(stringByAppendingPathComponent(dir, to)) });
}

int NetworkManager::deleteFile(const std::string& name)
{
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl != nullptr)
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 0L);
    const std::string dir = getWorkDir();
    // The directory and the name joined with one slash as they stand: "//name" at the root.
    const int code = runCommand(ReloadResult::Command::deleteFile, { name }, { "DELE " + name },
                                { "rm " + quotedSftpPath(dir + "/" + name) });
    if (curl != nullptr)
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    return code;
}

int NetworkManager::deleteFolder(const std::string& name)
{
    const std::string dir = getWorkDir();
    return runCommand(ReloadResult::Command::deleteFolder, { name }, { "RMD " + name },
                      { "rmdir " + quotedSftpPath(stringByAppendingPathComponent(dir, name)) });
}

int NetworkManager::createFolder(const std::string& name)
{
    const std::string dir = getWorkDir();
    return runCommand(ReloadResult::Command::createFolder, { name }, { "MKD " + name },
                      { "mkdir " + quotedSftpPath(stringByAppendingPathComponent(dir, name)) });
}
