// The editor's save and what comes back from it and from the mail composer: the upload of a
// changed text (or the custom template written to the Documents folder), the upload's result
// and the mail composer's.
#include "Classes/Controller/CodeWriteController.h"

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
        showAlert("Error", "Could not save file!\nAnother remote operation is still running.");
        return;
    }
    network.setDelegate(std::static_pointer_cast<NetworkManagerDelegate>(selfScreen()));
    startActivity();
    uploadingText_ = currentText();
    // Written back in the encoding it was read with where the text still fits it.
    UploadRequest request { fileEntry_->name(), *uploadingText_, currentEncoding_ };
    if (!network.beginOperation(4, [request] { NetworkManager::sharedManager().uploadASCII(request); })) {
        uploadingText_.reset();
        stopActivity();
        showAlert("Error", "Could not save file!\nAnother remote operation is still running.");
    }
}

void CodeWriteController::uploadedFile(const std::string& name, int code)
{
    stopActivity();
    std::optional<std::u16string> uploaded = std::move(uploadingText_);
    uploadingText_.reset();
    if (code == 0) {
        // What was stored is the text as it was when the save began; edits typed since stay unsaved.
        if (uploaded)
            backupCode_ = std::move(uploaded);
        return;
    }
    std::string message;
    if (code == NetworkManager::kCodeReplaceIncomplete)
        message = stringWithFormat("Could not save file (%d)!\nThe new text is on the server as \"%s%s\"; \"%s\" may "
                                   "still hold the old text.",
                                   code, name.c_str(), NetworkManager::kTemporarySuffix, name.c_str());
    else
        // Any other failure comes before the swap, and the network manager leaves the server's
        // file as it was (a partial upload under the temporary name is removed).
        message = stringWithFormat("Could not save file (%d)!\n%s\n'%s' on the server was left as it was.", code,
                                   NetworkManager::sharedManager().getErrorMessage(code).c_str(), name.c_str());
    showAlert("Error", message);
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
