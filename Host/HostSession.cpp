#include "Host/HostSession.h"

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UITextInput.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// The device is held so that the interface shows upright in the orientation; the landscape
// values are crossed (the device turned left shows the interface turned right).
UIDeviceOrientation deviceOrientationFor(UIInterfaceOrientation orientation)
{
    switch (orientation) {
    case UIInterfaceOrientationPortraitUpsideDown:
        return UIDeviceOrientationPortraitUpsideDown;
    case UIInterfaceOrientationLandscapeRight:
        return UIDeviceOrientationLandscapeLeft;
    case UIInterfaceOrientationLandscapeLeft:
        return UIDeviceOrientationLandscapeRight;
    case UIInterfaceOrientationPortrait:
        break;
    }
    return UIDeviceOrientationPortrait;
}

bool applicationSupports(UIInterfaceOrientation orientation)
{
    UIApplication& app = UIApplication::sharedApplication();
    const auto delegate = app.delegate();
    if (!delegate) {
        return true;
    }
    const unsigned mask = delegate->applicationSupportedInterfaceOrientationsForWindow(app, app.keyWindow().get());
    return (mask & (1u << orientation)) != 0;
}

// The responder that takes the keys as Protocol; null when none does. `dropped` tells a first
// responder that would take them but lies behind a modal panel: the keys are swallowed there.
template <class Protocol>
Protocol* firstResponderAs(std::shared_ptr<UIResponder>& keep, bool* dropped = nullptr)
{
    keep = UIApplication::sharedApplication().keyResponder();
    if (dropped != nullptr) {
        *dropped = !keep && dynamic_cast<Protocol*>(UIResponder::currentFirstResponder().get()) != nullptr;
    }
    return dynamic_cast<Protocol*>(keep.get());
}

void defaultWait(double seconds)
{
    RunLoop& loop = RunLoop::main();
    if (loop.clock()->isManual()) {
        loop.advance(seconds);
    } else {
        loop.runUntilDate(loop.now() + seconds);
    }
}

} // namespace

HostSession::HostSession() : waiter_(defaultWait) { }

HostSession::~HostSession() = default;

void HostSession::launch(std::shared_ptr<UIApplicationDelegate> delegate, UIInterfaceOrientation orientation)
{
    UIApplication& app = UIApplication::sharedApplication();
    app.setDelegate(std::move(delegate));
    // The delegate builds its first screen for the orientation the device is held in.
    UIDevice::currentDevice().setOrientation(deviceOrientationFor(orientation));
    app.setStatusBarOrientation(orientation);
    app.launch();
    turn();
}

void HostSession::setWaiter(Waiter waiter) { waiter_ = waiter ? std::move(waiter) : Waiter(defaultWait); }

void HostSession::wait(double seconds)
{
    if (seconds > 0) {
        waiter_(seconds);
    }
    turn();
}

void HostSession::turn()
{
    RunLoop::main().runOnce();
    if (frameHook_) {
        frameHook_();
    }
}

UIInterfaceOrientation HostSession::orientation() const { return UIApplication::sharedApplication().statusBarOrientation(); }

void HostSession::rotate(UIInterfaceOrientation orientation)
{
    cancelTouch();
    // As on the device, turning hides the edit menu; its owner shows it again where it belongs.
    if (orientation != this->orientation()) {
        UIMenuController::sharedMenuController().setMenuVisible(false);
    }
    UIDevice::currentDevice().setOrientation(deviceOrientationFor(orientation));
    // When a window shows a view controller, the controllers have decided on the turn while the
    // device turned; otherwise the status bar follows it here when the application allows it.
    if (!UIViewControllerManagesRotation() && applicationSupports(orientation)) {
        UIApplication::sharedApplication().setStatusBarOrientation(orientation);
    }
    turn();
}

void HostSession::toggleRotation()
{
    rotate(UIInterfaceOrientationIsLandscape(orientation()) ? UIInterfaceOrientationPortrait
                                                            : UIInterfaceOrientationLandscapeRight);
}

CGSize HostSession::displaySize() const { return UIRenderer::displaySize(orientation()); }

CGPoint HostSession::screenPoint(CGPoint displayPoint) const
{
    return UIRenderer::screenPointFromDisplayPoint(displayPoint, orientation());
}

void HostSession::inject(UITouchPhase phase, CGPoint displayPoint)
{
    UIApplication::sharedApplication().injectTouch(phase, screenPoint(displayPoint), RunLoop::main().now(), 0);
    lastTouch_ = displayPoint;
}

void HostSession::touchDown(CGPoint point)
{
    inject(UITouchPhaseBegan, point);
    touching_ = true;
}

void HostSession::touchMove(CGPoint point)
{
    if (touching_) {
        inject(UITouchPhaseMoved, point);
    }
}

void HostSession::touchUp(CGPoint point)
{
    if (touching_) {
        touching_ = false;
        inject(UITouchPhaseEnded, point);
    }
}

void HostSession::cancelTouch()
{
    if (touching_) {
        touching_ = false;
        inject(UITouchPhaseCancelled, lastTouch_);
    }
}

void HostSession::tap(CGPoint point)
{
    touchDown(point);
    wait(kTapHoldSeconds);
    touchUp(point);
    turn();
}

void HostSession::press(CGPoint point, double seconds)
{
    touchDown(point);
    wait(seconds);
    touchUp(point);
    turn();
}

void HostSession::drag(CGPoint from, CGPoint to, double seconds)
{
    const int steps = std::clamp(int(std::ceil(std::max(0.0, seconds) / kDragStepSeconds)), kDragMinimumSteps, kDragMaximumSteps);
    touchDown(from);
    for (int i = 1; i <= steps; ++i) {
        wait(seconds / steps);
        const double t = double(i) / steps;
        touchMove({ from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t });
    }
    touchUp(to);
    turn();
}

void HostSession::swipe(Direction direction, CGPoint from)
{
    CGPoint to = from;
    switch (direction) {
    case Direction::Left:
        to.x -= kSwipeDistance;
        break;
    case Direction::Right:
        to.x += kSwipeDistance;
        break;
    case Direction::Up:
        to.y -= kSwipeDistance;
        break;
    case Direction::Down:
        to.y += kSwipeDistance;
        break;
    }
    drag(from, to, kSwipeSeconds);
}

void HostSession::scrollWheel(CGPoint point, CGFloat dx, CGFloat dy)
{
    // The deltas are along the display; the screen may be turned under it.
    const CGAffineTransform toScreen = CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(orientation()));
    const CGSize delta = CGSizeApplyAffineTransform(CGSizeMake(dx, dy), toScreen);
    UIApplication::sharedApplication().injectScrollWheel(screenPoint(point), delta.width, delta.height);
}

bool HostSession::typeText(const std::u16string& text)
{
    std::shared_ptr<UIResponder> keep;
    bool dropped = false;
    UIKeyInput* input = firstResponderAs<UIKeyInput>(keep, &dropped);
    if (input == nullptr) {
        return dropped;
    }
    if (!text.empty()) {
        input->insertText(text);
    }
    return true;
}

bool HostSession::setMarkedText(const std::u16string& text, NSRange selection)
{
    std::shared_ptr<UIResponder> keep;
    UITextInput* input = firstResponderAs<UITextInput>(keep);
    if (input == nullptr) {
        return false;
    }
    // The input method's caret may lie past the text it sends; keep it within.
    selection.location = std::min<NSUInteger>(selection.location, text.size());
    selection.length = std::min<NSUInteger>(selection.length, text.size() - selection.location);
    input->setMarkedTextSelectedRange(text, selection);
    return true;
}

bool HostSession::unmarkText()
{
    std::shared_ptr<UIResponder> keep;
    UITextInput* input = firstResponderAs<UITextInput>(keep);
    if (input == nullptr) {
        return false;
    }
    input->unmarkText();
    return true;
}

HostSession::KeyOutcome HostSession::pressKey(HostKey key)
{
    auto edit = [](const SEL& action) {
        const auto responder = UIApplication::sharedApplication().keyResponder();
        if (!responder || !responder->canPerformAction(action, nullptr)) {
            return KeyOutcome::NotAccepted;
        }
        UIApplication::sharedApplication().sendAction(action, nullptr, nullptr);
        return KeyOutcome::Done;
    };
    KeyOutcome outcome = KeyOutcome::Done;
    switch (key) {
    case HostKey::Backspace: {
        std::shared_ptr<UIResponder> keep;
        bool dropped = false;
        UIKeyInput* input = firstResponderAs<UIKeyInput>(keep, &dropped);
        if (input == nullptr) {
            outcome = dropped ? KeyOutcome::Done : KeyOutcome::NoKeyInput;
        } else {
            input->deleteBackward();
        }
        break;
    }
    case HostKey::Return:
        outcome = typeText(u"\n") ? KeyOutcome::Done : KeyOutcome::NoKeyInput;
        break;
    case HostKey::Tab:
        outcome = typeText(u"\t") ? KeyOutcome::Done : KeyOutcome::NoKeyInput;
        break;
    case HostKey::Cut:
        outcome = edit(kUIActionCut);
        break;
    case HostKey::Copy:
        outcome = edit(kUIActionCopy);
        break;
    case HostKey::Paste:
        outcome = edit(kUIActionPaste);
        break;
    case HostKey::SelectAll:
        outcome = edit(kUIActionSelectAll);
        break;
    case HostKey::Rotate:
        toggleRotation();
        break;
    }
    turn();
    return outcome;
}

void HostSession::enterBackground()
{
    cancelTouch();
    UIApplication::sharedApplication().enterBackground();
    turn();
}

void HostSession::enterForeground()
{
    UIApplication::sharedApplication().enterForeground();
    turn();
}

void HostSession::resignActive()
{
    cancelTouch();
    UIApplication::sharedApplication().resignActive();
    turn();
}

void HostSession::becomeActive()
{
    UIApplication& app = UIApplication::sharedApplication();
    if (app.applicationState() == UIApplicationStateInactive) {
        app.becomeActive();
        turn();
    }
}

void HostSession::quit()
{
    cancelTouch();
    UIApplication::sharedApplication().terminate();
}

bool HostSession::isTerminated() const { return UIApplication::sharedApplication().isTerminated(); }

bool HostSession::snapshot(const std::string& path)
{
    turn();
    return UIRenderer::writeScreenPNG(path);
}
