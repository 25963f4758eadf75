// The editor's save and what comes back from it and from the mail composer: the upload of a
// changed text (or the custom template written to the Documents folder), the upload's result
// and the mail composer's.
#include "Classes/Controller/CodeWriteController.h"

#include "Classes/Controller/BusyAlert.h"
#include "Classes/FileTemplates.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManager.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"

// ---- Save ----------------------------------------------------------------------------------

void CodeWriteController::btnSavePressed(UIResponder* sender)
{
    if (!hasChanges() || isSaving()) {
        if (!isSaving())
            showAlert("Info", "No changes were made to the file. There is no need to save it.");
        return;
    }
    if (!fileEntry_) {
        saveCustomTemplate();
        return;
    }
    NetworkManager& network = NetworkManager::sharedManager();
    if (network.isBusy()) {
        BusyAlert::show(BusyAlert::kFileNotSaved);
        return;
    }
    network.setDelegate(std::static_pointer_cast<NetworkManagerDelegate>(selfScreen()));
    startActivity();
    uploadingText_ = currentText();
    // Written back in the encoding it was read with where the text still fits it.
    UploadRequest request { fileEntry_->name(), *uploadingText_, currentEncoding_, true, fileEntry_->fileMode() };
    if (!network.beginOperation(4, [request] { NetworkManager::sharedManager().uploadASCII(request); })) {
        uploadingText_.reset();
        stopActivity();
        BusyAlert::show(BusyAlert::kFileNotSaved);
    }
}

void CodeWriteController::uploadedFileWithReport(const SaveReport& report)
{
    stopActivity();
    std::optional<std::u16string> uploaded = std::move(uploadingText_);
    uploadingText_.reset();
    if (report.saved()) {
        // What was stored is the text as it was when the save began; edits typed since stay unsaved.
        if (uploaded)
            backupCode_ = std::move(uploaded);
        // Stored as UTF-8 now: later saves keep it so, and the switch is told once.
        if (report.switchedToUTF8)
            currentEncoding_ = NSUTF8StringEncoding;
    }
    if (const SaveResultText shown = saveResultText(report); !shown.message.empty())
        showAlert(shown.title, shown.message);
}

void CodeWriteController::saveCustomTemplate()
{
    const std::u16string text = currentText();
    const std::string path = NSFileManager::defaultManager().documentsDirectory() + "/"
        + FileTemplates::kCustomTemplateFileName;
    (void)NSFileManager::defaultManager().createDirectoryAtPath(
        NSFileManager::defaultManager().documentsDirectory(), true);
    if (!NSFileManager::defaultManager().writeToFile(path, utf16ToUtf8(text))) {
        NSLog("Could not write the custom template to " + path);
        showAlert("Error", "Could not save the custom template.");
        return;
    }
    if (LexiphantAppDelegate* app = LexiphantAppDelegate::sharedDelegate()) {
        auto& templates = app->templates();
        if (templates.size() <= FileTemplates::kCustomTemplateIndex)
            templates.resize(FileTemplates::kCount);
        templates[FileTemplates::kCustomTemplateIndex] = text;
    }
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    defaults.setBool(false, FileTemplates::kCustomTemplateKey);
    (void)defaults.synchronize();
    backupCode_ = text;
}

// ---- Mail result ---------------------------------------------------------------------------

void CodeWriteController::mailComposeControllerDidFinishWithResult(MFMailComposeViewController& controller,
                                                                   MFMailComposeResult result, const NSError* error)
{
    becomeFirstResponder();
    dismissModalViewControllerAnimated(true);
    viewWillAppear(false);
    // The appearance step leaves the code view without its delegate; the screen keeps following it.
    if (backupCode_)
        attachCurrentViewDelegate();
    if (result == MFMailComposeResultFailed)
        showAlert("Mail", "Could not send the file!\n" + (error != nullptr ? error->localizedDescription() : std::string()));
}
