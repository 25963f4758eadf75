#include "Classes/Controller/SetPassController.h"

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UITextField.h"

namespace {

constexpr CGFloat kGoFontSize = 24;
constexpr CGFloat kNoFontSize = 26;
constexpr char kNoButtonColor[] = "6d6d6d";

}

SetPassController::SetPassController() : MasterPasswordScreen(nibNameForDevice(kClassName)) { }

void SetPassController::declareConnections(UIConnectionTable& table)
{
    MasterPasswordScreen::declareConnections(table);
    table.outlet("btnNo", btnNo_);
    table.outlet("txtPass1", txtPass1_);
    table.outlet("txtPass2", txtPass2_);
    table.action("btnNoPressed", [this] { btnNoPressed(); });
}

void SetPassController::viewWillAppear(bool animated)
{
    MasterPasswordScreen::viewWillAppear(animated);
    styleButton(btnGo(), AccentColor::accentColor(), kGoFontSize);
    styleButton(btnNo_, UIColorHexColor::colorWithHexString(kNoButtonColor), kNoFontSize);
}

void SetPassController::clearOutlets()
{
    MasterPasswordScreen::clearOutlets();
    btnNo_ = nullptr;
    txtPass1_ = nullptr;
    txtPass2_ = nullptr;
}

void SetPassController::btnGoPressed()
{
    const std::u16string first = txtPass1_ != nullptr ? txtPass1_->text() : std::u16string {};
    const std::u16string second = txtPass2_ != nullptr ? txtPass2_->text() : std::u16string {};
    if (first.empty() || second.empty()) {
        showError("Please enter your password twice!");
        return;
    }
    if (first != second) {
        showError("The passwords you entered do not match!");
        return;
    }
    storeMasterPassword(utf16ToUtf8(first));
}

void SetPassController::btnNoPressed() { storeMasterPassword(""); }

void SetPassController::storeMasterPassword(const std::string& password)
{
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    defaults.setString(password, kMasterPasswordKey);
    if (!defaults.synchronize() && !password.empty()) {
        // A password that is not on disk would not be asked for at the next launch: say so and
        // stay, and leave no unsaved password behind for a later save to store unannounced.
        defaults.removeObjectForKey(kMasterPasswordKey);
        showError("Your master password could not be saved, so it would not be asked for at the next "
                  "launch. No password is set; you can try again.\nSettings file: "
            + defaults.path());
        return;
    }
    showStartScreen();
}

void SetPassController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<SetPassController>(); });
}
