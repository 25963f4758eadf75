#pragma once

#include "Classes/Others/SaveReport.h"
#include "Platform/Foundation/NSData.h"

#include <memory>
#include <optional>
#include <string>

class FileEntry;

// What came before a needsReload: the command of the directory screen that ran first (rename,
// delete, new folder), if any, and the listing that followed it. Both are transfer codes.
struct ReloadResult {
    enum class Command { none, rename, deleteFile, deleteFolder, createFolder };
    // The command and the name it acted on (the old name of a rename).
    Command command { Command::none };
    std::string commandName;
    std::string commandNewName; // of a rename
    std::optional<int> commandCode;
    // 0: the listing was read and replaced; otherwise the folder could not be read and the
    // previous listing stands (it may be stale after a command that worked).
    int listingCode { 0 };
};

// How the network manager reports to the screen that started an operation. Every delivery
// arrives on the main thread. All operations are optional: each has an empty default body,
// and before each delivery the manager asks respondsTo(), so a delegate that wants to refuse
// an operation says so there.
class NetworkManagerDelegate {
public:
    enum class Operation {
        finishedConnectingwithCode,
        downloadedFile,
        downloadedBinary,
        uploadedFile,
        needsReload,
        setData,
    };

    virtual ~NetworkManagerDelegate() = default;

    // Whether the delegate takes the operation; the default takes every one.
    [[nodiscard]] virtual bool respondsTo(Operation operation) const { return true; }

    // Result of `connect`: 0 on success, otherwise the transfer code.
    virtual void finishedConnectingwithCode(int code) {}
    // Result of a text download; `setData` with the bytes arrives right before it.
    virtual void downloadedFile(int code) {}
    // Result of a binary download; on success the entry from binaryDownloadEntry() already
    // carries the copy's localPath.
    virtual void downloadedBinary(int code) {}
    // An upload ended: the remote name and the transfer code (0: the text is stored under the
    // name; anything else: it is not, and the text must stay unsaved).
    virtual void uploadedFile(const std::string& name, int code) {}
    // The same delivery with what the save found on the server afterwards (which names hold
    // which text, a mode not restored, a switch to UTF-8); a delegate that needs only the code
    // keeps overriding uploadedFile(), which this calls. Asked for as Operation::uploadedFile.
    virtual void uploadedFileWithReport(const SaveReport& report) { uploadedFile(report.name, report.code); }
    // The current listing was replaced (or a directory change failed and the old one stands).
    virtual void needsReload() {}
    // The same delivery with what led to it; a delegate that needs only the reload keeps
    // overriding needsReload(), which this calls. Asked for as Operation::needsReload.
    virtual void needsReloadWithResult(const ReloadResult& result) { needsReload(); }
    // The bytes of a text download, handed over (moved) right before downloadedFile.
    virtual void setData(NSData data) {}

    // The file entry whose localPath a successful binary download fills (the editor's open
    // file); none by default. Asked on the main thread.
    [[nodiscard]] virtual std::shared_ptr<FileEntry> binaryDownloadEntry() const { return nullptr; }
};

// Progress function of a transfer: client object, bytes to download, downloaded, to upload,
// uploaded. Called on the transfer thread; answering 0 lets the transfer go on.
using TransferProgressFunction = int (*)(void* client, double dltotal, double dlnow, double ultotal,
                                         double ulnow);
