#include "Classes/Others/NetworkManager.h"

#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManagerCurl.h"
#include "Classes/Others/QVConnection.h"
#include "Classes/Others/TransferData.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSStringEncoding.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens the cached copy for writing without following a link put in its place.
FilePtr openCachedCopy(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "w");
    if (file == nullptr)
        ::close(fd);
    return FilePtr(file);
}

} // namespace

// ---- Downloads -------------------------------------------------------------------------------

std::string NetworkManager::lastReplyLine() const
{
    std::lock_guard lock(stateMutex_);
    return lastReplyLine_;
}

void NetworkManager::downloadFile(const DownloadRequest& request)
{
    ThreadStatusScope busy(threadStatus_, 3, runsBegunOperation());
    forgetFailure();
    CURL* curl = static_cast<CURL*>(curl_.get());
    auto data = std::make_shared<NSData>();
    int code = CURLE_OK;
    if (hasUnsafeCharacters(request.file) || request.file.empty()) {
        NSLog("Refused to download a file whose name is empty or holds a line break or NUL character");
        code = kCodeUnsafeName;
    } else if (curl == nullptr) {
        code = CURLE_FAILED_INIT;
    } else {
        const std::string url = transferUrl(request.file);
        NSLog("Downloading file " + request.file + " ..");
        TransferData record;
        record.kind = TransferData::kDownload;
        record.data = data.get();
        record.limit = limits().downloadBytes;
        {
            TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            options.setWrite(&listWriteCallback, &record);
            options.setProgress(request.progress, request.pdata);
            code = options.perform(record);
        }
        NSLogf("Downloading returned %d !", code);
        const std::string workUrl = getWorkUrl();
        curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
    }
    // The bytes go over whatever the code: after a failure, what arrived (usually nothing).
    deliver(NetworkManagerDelegate::Operation::setData,
            [data](NetworkManagerDelegate& receiver) { receiver.setData(std::move(*data)); }, true);
    data.reset();
    deliver(NetworkManagerDelegate::Operation::downloadedFile,
            [code](NetworkManagerDelegate& receiver) { receiver.downloadedFile(code); }, true);
}

void NetworkManager::downloadBinaryFile(const DownloadRequest& request)
{
    ThreadStatusScope busy(threadStatus_, 5, runsBegunOperation());
    forgetFailure();
    CURL* curl = static_cast<CURL*>(curl_.get());
    int code = CURLE_OK;
    std::optional<std::string> path;
    if (hasUnsafeCharacters(request.file)) {
        NSLog("Refused to download a file whose name holds a line break or NUL character");
        code = kCodeUnsafeName;
    } else if (curl == nullptr) {
        code = CURLE_FAILED_INIT;
    } else {
        const std::string url = transferUrl(request.file);
        NSLog("Downloading binary file " + request.file + " ..");
        const std::string localName = lastPathComponent(request.file);
        path = cacheFile(request.file, NSData());
        FilePtr file = path ? openCachedCopy(*path) : nullptr;
        if (!path || !file) {
            // Nowhere safe to write: the download does not start.
            code = path || isSafeLocalName(localName) ? int(CURLE_WRITE_ERROR) : int(kCodeUnsafeName);
        } else {
            TransferData none;
            {
                TransferOptionsScope options(curl, curl_.multi(), stallSeconds_.load());
                curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
                options.setWrite(nullptr, file.get()); // libcurl's own writer fills the file
                options.setProgress(request.progress, request.pdata);
                code = options.perform(none);
            }
            const bool flushed = std::fflush(file.get()) == 0;
            const bool closed = std::fclose(file.release()) == 0;
            if (code == CURLE_OK && !(flushed && closed))
                code = CURLE_WRITE_ERROR;
            NSLogf("Downloading returned %d", code);
        }
        const std::string workUrl = getWorkUrl();
        curl_easy_setopt(curl, CURLOPT_URL, workUrl.c_str());
        if (code != CURLE_OK && path) {
            // A part of a file is no copy of it.
            if (!NSFileManager::defaultManager().removeItemAtPath(*path))
                NSLog("Could not delete cache file!!!");
            path.reset();
        }
    }
    deliver(NetworkManagerDelegate::Operation::downloadedBinary,
            [code, path](NetworkManagerDelegate& receiver) {
                if (path) {
                    if (std::shared_ptr<FileEntry> entry = receiver.binaryDownloadEntry())
                        entry->setLocalPath(*path);
                }
                receiver.downloadedBinary(code);
            },
            true);
}

bool NetworkManager::isSafeLocalName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name != "/" && !hasUnsafeCharacters(name);
}

std::optional<std::string> NetworkManager::cacheFile(const std::string& name, const NSData& content)
{
    // Only the last component of a name the server supplied, never a way out of the folder.
    const std::string localName = lastPathComponent(name);
    if (!isSafeLocalName(localName) || hasUnsafeCharacters(name)) {
        NSLog("Refused to cache a file under an unusable name");
        return std::nullopt;
    }
    const std::string path = stringByAppendingPathComponent(NSTemporaryDirectory(), localName);
    NSLog("Saving cached file to " + path);
    NSFileManager& files = NSFileManager::defaultManager();
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && !files.removeItemAtPath(path)) {
        NSLog("Could not delete cache file!!!");
        return std::nullopt;
    }
    if (!files.writeToFile(path, content, 0600)) {
        NSLog("Could not write cache file: " + NSFileManager::lastError());
        return std::nullopt;
    }
    return path;
}

// ---- Uploads ---------------------------------------------------------------------------------

void NetworkManager::uploadASCII(const UploadRequest& request)
{
    ThreadStatusScope busy(threadStatus_, 4, runsBegunOperation());
    forgetFailure();
    (void)uploadASCII(request.name, request.text, request.encoding, request.listed, request.listedMode);
}
