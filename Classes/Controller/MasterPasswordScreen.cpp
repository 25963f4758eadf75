#include "Classes/Controller/MasterPasswordScreen.h"

#include "Classes/Controller/ScreenMaker.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITextField.h"

namespace {

constexpr char kButtonFontName[] = "LexitypeNeue-Bold";
constexpr CGFloat kButtonCornerRadius = 4;

bool onPad() { return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad; }

}

MasterPasswordScreen::MasterPasswordScreen(std::string nibName) : UIViewController(std::move(nibName)) { }

std::string MasterPasswordScreen::nibNameForDevice(const std::string& name) { return onPad() ? name : name + "_iPhone"; }

void MasterPasswordScreen::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("btnBack", btnBack_);
    table.outlet("btnGo", btnGo_);
    table.action("btnBackPressed", [this] { btnBackPressed(); });
    table.action("btnGoPressed", [this] { btnGoPressed(); });
}

void MasterPasswordScreen::viewDidLoad()
{
    UIViewController::viewDidLoad();
    keyboardHeights_ = KeyboardAvoidance::keyboardHeightsForIdiom(UIDevice::currentDevice().userInterfaceIdiom());
}

void MasterPasswordScreen::viewDidUnload()
{
    UIViewController::viewDidUnload();
    clearOutlets();
}

void MasterPasswordScreen::clearOutlets()
{
    btnBack_ = nullptr;
    btnGo_ = nullptr;
}

void MasterPasswordScreen::btnBackPressed()
{
    for (UITextField* field : textFields())
        if (field != nullptr)
            field->resignFirstResponder();
}

void MasterPasswordScreen::willRotateToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration)
{
    for (UITextField* field : textFields())
        if (field != nullptr)
            field->resignFirstResponder();
    if (btnBack_ != nullptr)
        btnBack_->setBackgroundImage(
            UIImage::imageNamed(UIInterfaceOrientationIsPortrait(orientation) ? kPortraitBackground : kLandscapeBackground),
            UIControlStateNormal);
}

bool MasterPasswordScreen::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    return onPad() || !UIInterfaceOrientationIsLandscape(orientation);
}

unsigned MasterPasswordScreen::supportedInterfaceOrientations()
{
    return onPad() ? UIInterfaceOrientationMaskAll : UIInterfaceOrientationMaskPortrait;
}

void MasterPasswordScreen::textFieldDidBeginEditing(UITextField* textField)
{
    const UITextField* field = shiftFieldFor(textField);
    if (field == nullptr || textField == nullptr || !isViewLoaded())
        return;
    animatedDistance_ = KeyboardAvoidance::shiftDistanceForField(*field, *view(), keyboardHeights_, *textField);
    KeyboardAvoidance::moveView(*view(), animatedDistance_);
}

void MasterPasswordScreen::textFieldDidEndEditing(UITextField* textField)
{
    if (isViewLoaded())
        KeyboardAvoidance::moveView(*view(), -animatedDistance_);
}

bool MasterPasswordScreen::textFieldShouldReturn(UITextField* textField)
{
    textField->resignFirstResponder();
    return true;
}

void MasterPasswordScreen::styleButton(UIButton* button, UIColorRef background, CGFloat fontSize)
{
    if (button == nullptr)
        return;
    CALayer& layer = *button->layer();
    layer.setCornerRadius(kButtonCornerRadius);
    layer.setMasksToBounds(true);
    layer.setBorderWidth(0);
    button->setBackgroundColor(std::move(background));
    button->titleLabel()->setFont(UIFont::fontWithName(kButtonFontName, fontSize));
}

void MasterPasswordScreen::showError(const std::string& message)
{
    std::shared_ptr<UIAlertViewDelegate> self = std::dynamic_pointer_cast<MasterPasswordScreen>(shared_from_this());
    std::make_shared<UIAlertView>("Error", message, self, "OK")->show();
}

void MasterPasswordScreen::showStartScreen() { ScreenMaker::pushScreenNamed(navigationController(), kStartScreenClassName, true); }
