#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Classes/Controller/KeyboardAvoidance.h"
#include "Platform/UIKit/UIAlertViewDelegate.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UITextFieldDelegate.h"
#include "Platform/UIKit/UIViewController.h"

class UIButton;
class UITextField;

// What the two master-password screens share: a full-screen background button that takes the
// keyboard away, a go button in the accent colour, the view moving up for the keyboard, the
// background image following the orientation, and the rotation rules (any way on a pad,
// portrait only on a phone). Main thread only.
class MasterPasswordScreen : public UIViewController, public UITextFieldDelegate, public UIAlertViewDelegate {
public:
    static constexpr char kMasterPasswordKey[] = "masterPassword";
    static constexpr char kStartScreenClassName[] = "StartViewController";
    static constexpr char kPortraitBackground[] = "QV_LXPH_P_Hintergrund.png";
    static constexpr char kLandscapeBackground[] = "QV_LXPH_LS_Hintergrund.png";

    // The interface file of a screen on this device: the name on a pad, "<name>_iPhone" else.
    [[nodiscard]] static std::string nibNameForDevice(const std::string& name);

    [[nodiscard]] UIButton* btnBack() const { return btnBack_; }
    [[nodiscard]] UIButton* btnGo() const { return btnGo_; }
    [[nodiscard]] CGFloat animatedDistance() const { return animatedDistance_; }
    [[nodiscard]] KeyboardAvoidance::KeyboardHeights keyboardHeights() const { return keyboardHeights_; }

    virtual void btnGoPressed() = 0;
    virtual void btnBackPressed();

    // UIViewController
    void viewDidLoad() override;
    void viewDidUnload() override;
    void willRotateToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration) override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override;
    [[nodiscard]] unsigned supportedInterfaceOrientations() override;

    // UITextFieldDelegate
    void textFieldDidBeginEditing(UITextField* textField) override;
    void textFieldDidEndEditing(UITextField* textField) override;
    [[nodiscard]] bool textFieldShouldReturn(UITextField* textField) override;

protected:
    explicit MasterPasswordScreen(std::string nibName);

    // The screen's text fields, in order.
    [[nodiscard]] virtual std::vector<UITextField*> textFields() const = 0;
    // The field whose place decides the shift when `editing` begins.
    [[nodiscard]] virtual UITextField* shiftFieldFor(UITextField* editing) const { return editing; }
    virtual void clearOutlets();

    // Corner radius 4, clipped, no border, the background colour and the title font.
    static void styleButton(UIButton* button, UIColorRef background, CGFloat fontSize);
    // An alert "Error" with the message and one button "OK", the screen as its delegate.
    void showError(const std::string& message);
    // Pushes a new start screen, animated; this screen stays below it.
    void showStartScreen();

    void declareConnections(UIConnectionTable& table) override;

private:
    UIButton* btnBack_ { nullptr }; // outlets: the view tree owns them
    UIButton* btnGo_ { nullptr };
    CGFloat animatedDistance_ { 0 };
    KeyboardAvoidance::KeyboardHeights keyboardHeights_ {};
};
