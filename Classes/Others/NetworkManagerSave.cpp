// Saving a text over a remote file without ever leaving the folder without it: the text goes to
// a temporary name, gets the original's mode, and only then takes the name. A failure after the
// upload is looked into on the server and logged name by name.

#include "Classes/Others/NetworkManager.h"

#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManagerCurl.h"
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

std::string octal(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%o", mode & 07777u);
    return text;
}

} // namespace

int NetworkManager::lookUp(RemoteFile& file)
{
    NSData bytes;
    const int code = listFolder(file.folder, bytes);
    if (code != CURLE_OK)
        return code;
    file.exists = file.isDirectory = file.isLink = false;
    file.mode.reset();
    file.link.clear();
    file.names.clear();
    if (microsoft()) {
        // One-line listings carry no permissions and no links.
        for (const std::shared_ptr<FileEntry>& entry : parseMicrosoftListing(bytes)) {
            file.names.push_back(entry->name());
            if (entry->name() == file.name) {
                file.exists = true;
                file.isDirectory = entry->isDirectory();
            }
        }
        return CURLE_OK;
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
        if (*entry.name != file.name)
            continue;
        file.exists = true;
        file.isDirectory = entry.type.value_or(0) == kCFFTPResourceDirectory;
        file.isLink = entry.type.value_or(0) == kCFFTPResourceSymbolicLink;
        file.link = file.isLink ? entry.link.value_or(std::string()) : std::string();
        file.mode = modeOfPermissions(line.substr(0, 10));
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

int NetworkManager::swapIntoPlace(const RemoteFile& file, const std::string& temporary, std::string& aside,
                                  bool& renameTried)
{
    const bool replacing = file.exists && !file.isDirectory;
    if (protocol() == Protocol::ftp) {
        // A rename onto an existing name replaces it on the servers we know; the original
        // goes first only where the server refuses that, and only when the source was found.
        std::vector<std::string> replies;
        renameTried = true;
        int code = performCommands({ "RNFR " + temporary, "RNTO " + file.name }, file.folder, &replies);
        if (code == CURLE_QUOTE_ERROR && replacing && renameSourceAccepted(replies)) {
            NSLog("The server refused to rename " + shownName(file.folder, temporary) + " over "
                  + shownName(file.folder, file.name) + ": deleting the original first");
            code = performCommands({ "DELE " + file.name, "RNFR " + temporary, "RNTO " + file.name }, file.folder);
        }
        return code;
    }

    // SFTP renames never replace: the original steps aside until the new text has its name.
    if (!replacing) {
        renameTried = true;
        return performCommands({ "rename " + sftpPath(file.folder, temporary) + " " + sftpPath(file.folder, file.name) },
                               file.folder);
    }
    aside = file.name + kAsideSuffix;
    for (int n = 2; holds(file.names, aside); ++n)
        aside = file.name + kAsideSuffix + std::to_string(n);
    int code = performCommands({ "rename " + sftpPath(file.folder, file.name) + " " + sftpPath(file.folder, aside) },
                               file.folder);
    if (code != CURLE_OK)
        return code;
    renameTried = true;
    code = performCommands({ "rename " + sftpPath(file.folder, temporary) + " " + sftpPath(file.folder, file.name) },
                           file.folder);
    if (code != CURLE_OK) {
        const int back = performCommands(
            { "rename " + sftpPath(file.folder, aside) + " " + sftpPath(file.folder, file.name) }, file.folder);
        if (back != CURLE_OK)
            NSLogf("Could not give the original its name back (%d)", back);
        return code;
    }
    code = performCommands({ "rm " + sftpPath(file.folder, aside) }, file.folder);
    if (code != CURLE_OK)
        NSLogf("Could not remove the original, kept as %s (%d)", shownName(file.folder, aside).c_str(), code);
    return code;
}

void NetworkManager::reportIncompleteReplace(const RemoteFile& file, const std::string& temporary,
                                             const std::string& aside, bool renameTried)
{
    const std::string shown = shownName(file.folder, file.name);
    const std::string shownTemporary = shownName(file.folder, temporary);
    RemoteFile now;
    now.folder = file.folder;
    now.name = file.name;
    const int listed = lookUp(now);
    if (listed != CURLE_OK) {
        NSLogf("Replacing %s stopped half-way, and its folder could not be read again (%d): the new text was "
               "uploaded as %s",
               shown.c_str(), listed, shownTemporary.c_str());
        return;
    }
    const bool temporaryThere = holds(now.names, temporary);
    std::string where;
    if (!now.exists)
        where = shown + " is missing";
    else if (temporaryThere || !renameTried)
        where = shown + " holds the old text";
    else
        where = shown + " holds the new text";
    if (temporaryThere)
        where += ", " + shownTemporary + " holds the new text";
    if (!aside.empty() && holds(now.names, aside))
        where += ", " + shownName(file.folder, aside) + " holds the old text";
    NSLog("Replacing " + shown + " stopped half-way: " + where);
}

int NetworkManager::uploadASCII(const std::string& name, const std::u16string& text, NSStringEncoding encoding)
{
    auto finish = [this, &name](int code) {
        deliver(NetworkManagerDelegate::Operation::uploadedFile,
                [name, code](NetworkManagerDelegate& receiver) { receiver.uploadedFile(name, code); }, false);
        return code;
    };
    if (name.empty() || hasUnsafeCharacters(name) || name.find('/') != std::string::npos) {
        NSLog("Refused to upload a file whose name is empty or holds a slash, line break or NUL character");
        return finish(kCodeUnsafeName);
    }
    // Back in the encoding the file was read with, so a Latin 1 file stays Latin 1; a character
    // that encoding cannot hold makes it UTF-8. A text that cannot be written even so is
    // refused: storing an empty or partial file in its place would lose the remote original.
    std::optional<NSData> bytes;
    if (encoding != NSUTF8StringEncoding && encoding != static_cast<NSStringEncoding>(0)) {
        bytes = dataUsingEncoding(text, encoding);
        if (!bytes)
            NSLogf("The text of %s does not fit encoding %d, which the file was read with; it is written as UTF-8",
                   name.c_str(), int(encoding));
    }
    if (!bytes)
        bytes = dataUsingEncoding(text, NSUTF8StringEncoding);
    if (!bytes) {
        NSLog("Refused to upload " + name + ": the text cannot be encoded as UTF-8");
        return finish(kCodeUnencodableText);
    }
    CURL* curl = static_cast<CURL*>(curl_.get());
    if (curl == nullptr)
        return finish(CURLE_FAILED_INIT);

    // Ask the server, not the cached listing, what stands under the name: a file that appeared
    // since, a link, the mode to keep.
    RemoteFile file;
    file.folder = workLocation();
    file.name = name;
    for (int followed = 0;; ++followed) {
        const int listed = lookUp(file);
        if (listed != CURLE_OK) {
            NSLogf("Could not read the folder of %s before saving it (%d)", shownName(file.folder, file.name).c_str(),
                   listed);
            return finish(listed);
        }
        if (!file.isLink)
            break;
        std::optional<RemoteFile> target = linkTarget(file);
        if (!target || followed == kMostLinksFollowed || hasUnsafeCharacters(target->name)) {
            NSLog("Cannot tell which file the link " + shownName(file.folder, file.name) + " stands for: not saved");
            return finish(target ? int(CURLE_TOO_MANY_REDIRECTS) : int(CURLE_REMOTE_FILE_NOT_FOUND));
        }
        // The link stays; the file it points to takes the text.
        NSLog("Saving " + shownName(file.folder, file.name) + " through its link to "
              + shownName(target->folder, target->name));
        file = std::move(*target);
    }

    const bool sftp = protocol() == Protocol::sftp;
    const std::string temporary = file.name + kTemporarySuffix;
    const std::string url = urlFor(file.folder) + escapedPathComponent(temporary);
    NSLog("Uploading file " + shownName(file.folder, temporary) + " ..");

    TransferData record;
    record.kind = TransferData::kUpload;
    record.data = &*bytes;
    record.position = 0;
    record.length = bytes->size();
    int code = CURLE_OK;
    {
        TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        options.setUpload(&NetworkManager::uploadReadCallback, &record);
        code = options.perform(record);
    }
    NSLogf("Uploading returned %d !", code);
    const std::string workUrl = getWorkUrl();
    curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());

    if (code != CURLE_OK) {
        // The original was not touched; part of the new text is of no use to anyone.
        const int removed = performCommands(
            { sftp ? "rm " + sftpPath(file.folder, temporary) : "DELE " + temporary }, file.folder);
        if (removed == CURLE_OK)
            NSLog("Removed the partial upload " + shownName(file.folder, temporary));
        else
            NSLogf("Could not remove the partial upload %s (%d)", shownName(file.folder, temporary).c_str(), removed);
        return finish(code);
    }

    if (file.exists && !file.isDirectory && file.mode) {
        const std::string mode = octal(*file.mode);
        const int changed = performCommands(
            { sftp ? "chmod " + mode + " " + sftpPath(file.folder, temporary) : "SITE CHMOD " + mode + " " + temporary },
            file.folder);
        if (changed != CURLE_OK)
            NSLogf("Could not give %s the mode %s of %s (%d): saving on", shownName(file.folder, temporary).c_str(),
                   mode.c_str(), shownName(file.folder, file.name).c_str(), changed);
    }

    std::string aside;
    bool renameTried = false;
    code = swapIntoPlace(file, temporary, aside, renameTried);
    if (code != CURLE_OK) {
        reportIncompleteReplace(file, temporary, aside, renameTried);
        return finish(kCodeReplaceIncomplete);
    }
    return finish(CURLE_OK);
}
