// The editor with the keyboard: the extra-keys bar on the keyboard while the code view edits, the
// code view ending at the bar (at the keyboard while another field has it), the keyboard hidden
// on request, all laid out again when the device turns or editing ends.
#include <algorithm>

#include "Classes/Controller/CodeWriteController.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "Platform/UIKit/UITextView.h"

void CodeWriteController::btnPressed(UIResponder* sender)
{
    if (auto* control = dynamic_cast<UISegmentedControl*>(sender)) {
        const int index = control->selectedSegmentIndex();
        if (index >= 0 && index < int(kExtraKeys.size()))
            insertIntoCurrentView(kExtraKeys[std::size_t(index)]);
    }
    if (auto* view = dynamic_cast<UIView*>(sender)) {
        const int tag = view->tag();
        if (tag >= 1 && tag <= int(kExtraKeys.size()))
            insertIntoCurrentView(kExtraKeys[std::size_t(tag - 1)]);
    }
}

void CodeWriteController::btnBackPressed(UIResponder* sender)
{
    NSLog("backPressed!");
    if (txtCode_ != nullptr)
        txtCode_->resignFirstResponder();
    if (txtCodePlain_)
        txtCodePlain_->resignFirstResponder();
}

CGFloat CodeWriteController::keyboardCoverage(CGRect keyboardOnScreen)
{
    if (!isViewLoaded())
        return 0;
    // Screen points into the screen view's own: on a turned screen the keyboard lies along a
    // side of the screen but always along the bottom of the view.
    const UIView& screen = *view();
    const CGRect inView = CGRectApplyAffineTransform(keyboardOnScreen, CGAffineTransformInvert(screen.transformToScreen()));
    return std::clamp(CGRectGetMaxY(screen.bounds()) - CGRectGetMinY(CGRectStandardize(inView)), CGFloat(0),
                      screen.bounds().size.height);
}

void CodeWriteController::keyboardDidShow(const NSNotification& notification)
{
    NSLog("keyboardDidShow!");
    if (const auto* rect = notification.userInfoValue<CGRect>(UIKeyboardFrameEndUserInfoKey))
        layoutForKeyboard(keyboardCoverage(*rect));
}

void CodeWriteController::keyboardWillHide(const NSNotification& notification)
{
    NSLog("keyboardWillHide!");
    layoutForKeyboard(0);
}

void CodeWriteController::willAnimateRotationToInterfaceOrientationDuration(UIInterfaceOrientation orientation,
                                                                              double duration)
{
    UIViewController::willAnimateRotationToInterfaceOrientationDuration(orientation, duration);
    // The keyboard stays up through a turn and comes back with the new orientation's height.
    layoutForKeyboard();
}

void CodeWriteController::layoutForKeyboard()
{
    const UIApplication& app = UIApplication::sharedApplication();
    layoutForKeyboard(app.isKeyboardVisible() ? keyboardCoverage(app.keyboardFrame()) : 0);
}

void CodeWriteController::layoutForKeyboard(CGFloat coverage)
{
    if (txtCode_ == nullptr || txtCode_->superview() == nullptr || !isViewLoaded())
        return;
    // A keyboard of another screen's field brings no extra-keys bar over a picture.
    if (!showsText())
        coverage = 0;
    // The code view's container ends at the keyboard, the bar sits on the keyboard while the code
    // view edits (another field, such as a prompt's, may have the keyboard), and the code view
    // ends at the bar (all of the bar's height, so no line hides under it) or at the keyboard.
    UIView* container = txtCode_->superview();
    CGRect containerFrame = view()->bounds();
    containerFrame.size.height -= coverage;
    container->setFrame(containerFrame);
    const bool up = coverage > 0;
    const bool editing = txtCodePlain_ ? txtCodePlain_->isEditing() : txtCode_->isEditing();
    CGFloat barHeight = 0;
    if (keyboard_ != nullptr) {
        keyboard_->setHidden(!up || !editing);
        const CGFloat height = keyboard_->frame().size.height;
        keyboard_->setFrame(CGRectMake(0, containerFrame.size.height - height, containerFrame.size.width, height));
        barHeight = keyboard_->isHidden() ? 0 : height;
    }
    CGRect codeFrame = txtCode_->frame();
    codeFrame.size.height = std::max(CGFloat(0), containerFrame.size.height - codeFrame.origin.y - barHeight);
    for (UIView* shown : { static_cast<UIView*>(txtCode_), static_cast<UIView*>(txtCodePlain_.get()) })
        if (shown != nullptr)
            shown->setFrame(codeFrame);
    if (!up)
        return;
    // The caret was scrolled to while the view was taller: it may lie under the keyboard now.
    if (txtCodePlain_)
        txtCodePlain_->scrollRangeToVisible(txtCodePlain_->selectedRange());
    else
        txtCode_->scrollCaretToVisible(true);
}
