#include "Classes/Controller/PassController.h"

#include "Classes/Controller/AccentColor.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UITextField.h"

namespace {

constexpr CGFloat kGoFontSize = 24;

}

PassController::PassController() : MasterPasswordScreen(nibNameForDevice(kClassName)) { }

void PassController::declareConnections(UIConnectionTable& table)
{
    MasterPasswordScreen::declareConnections(table);
    table.outlet("txtPass", txtPass_);
}

void PassController::viewDidLoad()
{
    MasterPasswordScreen::viewDidLoad();
    styleButton(btnGo(), AccentColor::accentColor(), kGoFontSize);
}

void PassController::clearOutlets()
{
    MasterPasswordScreen::clearOutlets();
    txtPass_ = nullptr;
}

void PassController::btnGoPressed()
{
    // The value stored at the moment of the check, compared character for character.
    const auto stored = NSUserDefaults::standardUserDefaults().stringForKey(kMasterPasswordKey);
    const std::u16string typed = txtPass_ != nullptr ? txtPass_->text() : std::u16string {};
    if (stored && typed == utf8ToUtf16(*stored)) {
        showStartScreen();
        return;
    }
    showError("You entered an invalid password!");
}

void PassController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<PassController>(); });
}
