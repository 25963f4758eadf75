#include "Classes/Controller/DirListController.h"

#include "Classes/Controller/DirListText.h"
#include "Classes/Controller/FailureReason.h"
#include "Classes/Others/NetworkManager.h"
#include "Platform/UIKit/UIAlertView.h"

#include <string>

// What the folder screen says when an operation of the network manager has ended: listings
// after a change of folder or a command, uploads, and their failures.

using DirListText::format;
using DirListText::shownName;

void DirListController::needsReload()
{
    startActivity();
    receivedFiles();
}

void DirListController::needsReloadWithResult(const ReloadResult& result)
{
    const bool changingDir = pending_ == Pending::changeDir;
    const std::string name = pendingName_;
    std::shared_ptr<FileEntry> link = pending_ == Pending::enterLink ? std::move(pendingLink_) : nullptr;
    pendingLink_.reset();
    pending_ = Pending::none;
    if (link && result.listingCode == 0)
        folderLinks_.insert(pendingLinkPath_);
    needsReload();
    if (link) {
        // No folder behind the link: it is opened as the file it leads to.
        if (result.listingCode != 0)
            (void)openFile(link);
        return;
    }
    // The words of the first failure: the command's own, else the listing's.
    const std::string reply = NetworkManager::sharedManager().lastReplyLine();
    if (result.command != ReloadResult::Command::none && result.commandCode.value_or(0) != 0) {
        reportCommandFailure(result, *result.commandCode, reply);
        return;
    }
    if (result.listingCode == 0)
        return;
    if (result.command != ReloadResult::Command::none) {
        // The server did what was asked; only the listing after it failed, and the old one stays.
        reportRelistingFailure(result, reply);
        return;
    }
    const std::string reason = listingReasonFor(result.listingCode, reply);
    if (!changingDir)
        showSorry(format("The folder could not be listed again (%code)!\n%reason", "", result.listingCode, reason));
    else if (name == "..")
        showSorry(format("Could not go up (%code)!\n%reason", name, result.listingCode, reason));
    else
        showSorry(format("Could not open the folder '%name' (%code)!\n%reason", name, result.listingCode, reason));
}

void DirListController::uploadedFile(const std::string& name, int code)
{
    needsReload();
    if (code != 0)
        showSorry(format("Could not create the file '%name' (%code)!\n%reason", name, code,
                         reasonFor(code, NetworkManager::sharedManager().lastReplyLine())));
}

std::string DirListController::reasonFor(int code, const std::string& reply)
{
    // libcurl's words alone ("Quote command returned error") hide why; the server's tell it.
    return FailureReason::withReply(NetworkManager::sharedManager().getErrorMessage(code), reply);
}

std::string DirListController::listingReasonFor(int code, const std::string& reply)
{
    // libcurl names a refused listing as a file it could not retrieve or find.
    if (NetworkManager::refusedRetrieval(code))
        return FailureReason::withReply("The server did not list the folder.", reply);
    return reasonFor(code, reply);
}

namespace {

// What a directory command's result says: its failure, and how it begins when it worked but
// the listing after it did not.
struct CommandTexts {
    const char* failed;
    const char* done;
};

CommandTexts textsFor(ReloadResult::Command command)
{
    switch (command) {
    case ReloadResult::Command::rename:
        return { "Could not rename '%name' (%code)!\n%reason", "'%name' was renamed" };
    case ReloadResult::Command::deleteFile:
    case ReloadResult::Command::deleteFolder:
        return { "Could not delete '%name' (%code)!\n%reason", "'%name' was deleted" };
    case ReloadResult::Command::createFolder:
        return { "Could not create the folder '%name' (%code)!\n%reason", "The folder '%name' was created" };
    case ReloadResult::Command::none:
        break;
    }
    return { "The server refused the command (%code)!\n%reason", "The command was carried out" };
}

} // namespace

void DirListController::reportCommandFailure(const ReloadResult& result, int code, const std::string& reply)
{
    showSorry(format(textsFor(result.command).failed, shownName(result.commandName), code, reasonFor(code, reply)));
}

void DirListController::reportRelistingFailure(const ReloadResult& result, const std::string& reply)
{
    const std::string pattern
        = std::string(textsFor(result.command).done) + ", but the folder could not be listed again (%code)!\n%reason";
    showSorry(format(pattern.c_str(), result.commandName, result.listingCode, listingReasonFor(result.listingCode, reply)));
}

void DirListController::showSorry(const std::string& message)
{
    std::make_shared<UIAlertView>(DirListText::kSorryTitle, message, std::weak_ptr<UIAlertViewDelegate> {}, "OK")->show();
}
