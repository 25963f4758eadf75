#include "Platform/UIKit/UIApplication.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIEvent.h"
#include "Platform/UIKit/UIGestureConstants.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIModalBackdrop.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIWindow.h"

extern char** environ;

namespace {

// The on-screen keyboard's height in points, by idiom and orientation.
constexpr CGFloat kPhoneKeyboardPortrait = 216;
constexpr CGFloat kPhoneKeyboardLandscape = 162;
constexpr CGFloat kPadKeyboardPortrait = 264;
constexpr CGFloat kPadKeyboardLandscape = 352;

std::string lowercase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool isWebScheme(const NSURL& url)
{
    const std::string scheme = lowercase(url.scheme());
    return scheme == "http" || scheme == "https";
}

bool hasDesktop()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
}

// Starts xdg-open with the address as its only argument (no shell, so no quoting matters) and
// reaps it in the background.
bool spawnOpener(const std::string& url)
{
    std::string program = "xdg-open";
    std::string argument = url;
    char* argv[] = { program.data(), argument.data(), nullptr };
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return true;
}

// Where a bar of the given thickness lies along an edge of the interface, in screen coordinates.
enum class Edge { Top, Bottom };

CGRect interfaceEdgeRect(UIInterfaceOrientation orientation, Edge edge, CGFloat thickness)
{
    const CGSize s = UIScreen::mainScreen().bounds().size;
    const CGRect top = CGRectMake(0, 0, s.width, thickness);
    const CGRect bottom = CGRectMake(0, s.height - thickness, s.width, thickness);
    const CGRect left = CGRectMake(0, 0, thickness, s.height);
    const CGRect right = CGRectMake(s.width - thickness, 0, thickness, s.height);
    switch (orientation) {
    case UIInterfaceOrientationPortraitUpsideDown:
        return edge == Edge::Top ? bottom : top;
    case UIInterfaceOrientationLandscapeRight:
        return edge == Edge::Top ? right : left;
    case UIInterfaceOrientationLandscapeLeft:
        return edge == Edge::Top ? left : right;
    case UIInterfaceOrientationPortrait:
        break;
    }
    return edge == Edge::Top ? top : bottom;
}

} // namespace

UIApplication& UIApplication::sharedApplication()
{
    // Never destroyed: observers and delegates may still reach it while static objects are torn down.
    static auto* application = new UIApplication;
    return *application;
}

void UIApplication::post(const char* name) const
{
    NSNotificationCenter::defaultCenter().postNotificationName(name, this);
}

// ---- Life cycle -------------------------------------------------------------------------------

bool UIApplication::launch(const UILaunchOptions& options)
{
    if (launched_) {
        return true;
    }
    launched_ = true;
    const auto delegate = delegate_;
    const bool result = delegate ? delegate->applicationDidFinishLaunchingWithOptions(*this, options) : true;
    post(UIApplicationDidFinishLaunchingNotification);
    becomeActive();
    return result;
}

void UIApplication::resignActive()
{
    if (state_ != UIApplicationStateActive) {
        return;
    }
    if (const auto delegate = delegate_) {
        delegate->applicationWillResignActive(*this);
    }
    post(UIApplicationWillResignActiveNotification);
    state_ = UIApplicationStateInactive;
}

void UIApplication::becomeActive()
{
    if (state_ == UIApplicationStateActive || terminated_) {
        return;
    }
    state_ = UIApplicationStateActive;
    if (const auto delegate = delegate_) {
        delegate->applicationDidBecomeActive(*this);
    }
    post(UIApplicationDidBecomeActiveNotification);
}

void UIApplication::enterBackground()
{
    if (state_ == UIApplicationStateBackground || terminated_) {
        return;
    }
    resignActive();
    state_ = UIApplicationStateBackground;
    if (const auto delegate = delegate_) {
        delegate->applicationDidEnterBackground(*this);
    }
    post(UIApplicationDidEnterBackgroundNotification);
}

void UIApplication::enterForeground()
{
    if (state_ != UIApplicationStateBackground || terminated_) {
        return;
    }
    state_ = UIApplicationStateInactive;
    if (const auto delegate = delegate_) {
        delegate->applicationWillEnterForeground(*this);
    }
    post(UIApplicationWillEnterForegroundNotification);
    becomeActive();
}

void UIApplication::terminate()
{
    if (terminated_) {
        return;
    }
    terminated_ = true;
    if (const auto delegate = delegate_) {
        delegate->applicationWillTerminate(*this);
    }
    post(UIApplicationWillTerminateNotification);
}

// ---- Windows ----------------------------------------------------------------------------------

UIWindowRef UIApplication::keyWindow() const
{
    return keyWindow_.lock();
}

void UIApplication::windowDidBecomeVisible(const UIWindowRef& window)
{
    if (window && std::find(windows_.begin(), windows_.end(), window) == windows_.end()) {
        windows_.push_back(window);
    }
}

void UIApplication::windowDidBecomeKey(UIWindow* window)
{
    const auto old = keyWindow_.lock();
    if (old.get() == window) {
        return;
    }
    const auto found = std::find_if(windows_.begin(), windows_.end(), [window](const UIWindowRef& w) { return w.get() == window; });
    if (found == windows_.end()) {
        return;
    }
    if (old) {
        old->resignKeyWindow();
        NSNotificationCenter::defaultCenter().postNotificationName(UIWindowDidResignKeyNotification, old.get());
    }
    keyWindow_ = *found;
    window->becomeKeyWindow();
    NSNotificationCenter::defaultCenter().postNotificationName(UIWindowDidBecomeKeyNotification, window);
}

void UIApplication::removeWindow(const UIWindow* window)
{
    std::erase_if(windows_, [window](const UIWindowRef& w) { return w.get() == window; });
    if (keyWindow_.lock().get() == window) {
        keyWindow_.reset();
    }
}

std::vector<UIWindowRef> UIApplication::windowsFrontToBack() const
{
    std::vector<UIWindowRef> visible;
    std::copy_if(windows_.begin(), windows_.end(), std::back_inserter(visible), [](const UIWindowRef& w) { return !w->isHidden(); });
    std::stable_sort(visible.begin(), visible.end(), [](const UIWindowRef& a, const UIWindowRef& b) {
        if (a->windowLevel() != b->windowLevel()) {
            return a->windowLevel() > b->windowLevel();
        }
        return a->orderStamp() > b->orderStamp();
    });
    return visible;
}

// ---- Status bar and keyboard ------------------------------------------------------------------

void UIApplication::setStatusBarOrientation(UIInterfaceOrientation orientation, bool)
{
    if (orientation == statusBarOrientation_ || orientation < UIInterfaceOrientationPortrait
        || orientation > UIInterfaceOrientationLandscapeLeft) {
        return;
    }
    auto& center = NSNotificationCenter::defaultCenter();
    center.postNotificationName(UIApplicationWillChangeStatusBarOrientationNotification, this,
                                { { UIApplicationStatusBarOrientationUserInfoKey, int(orientation) } });
    const UIInterfaceOrientation old = statusBarOrientation_;
    statusBarOrientation_ = orientation;
    center.postNotificationName(UIApplicationDidChangeStatusBarOrientationNotification, this,
                                { { UIApplicationStatusBarOrientationUserInfoKey, int(old) } });
}

CGRect UIApplication::statusBarFrame() const
{
    if (statusBarHidden_) {
        return CGRectZero;
    }
    return interfaceEdgeRect(statusBarOrientation_, Edge::Top, kStatusBarHeight);
}

CGFloat UIApplication::keyboardHeight() const
{
    const bool pad = UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
    if (UIInterfaceOrientationIsLandscape(statusBarOrientation_)) {
        return pad ? kPadKeyboardLandscape : kPhoneKeyboardLandscape;
    }
    return pad ? kPadKeyboardPortrait : kPhoneKeyboardPortrait;
}

CGRect UIApplication::keyboardFrame() const
{
    return interfaceEdgeRect(statusBarOrientation_, Edge::Bottom, keyboardHeight());
}

void UIApplication::setKeyboardVisible(bool visible)
{
    if (visible == keyboardVisible_) {
        return;
    }
    // Off screen, the keyboard lies just beyond the interface's bottom edge.
    const CGRect onScreen = keyboardFrame();
    const CGRect screen = UIScreen::mainScreen().bounds();
    CGRect offScreen = onScreen;
    switch (statusBarOrientation_) {
    case UIInterfaceOrientationPortraitUpsideDown:
        offScreen.origin.y = -onScreen.size.height;
        break;
    case UIInterfaceOrientationLandscapeRight:
        offScreen.origin.x = -onScreen.size.width;
        break;
    case UIInterfaceOrientationLandscapeLeft:
        offScreen.origin.x = screen.size.width;
        break;
    case UIInterfaceOrientationPortrait:
        offScreen.origin.y = screen.size.height;
        break;
    }
    NSUserInfo info {
        { UIKeyboardFrameBeginUserInfoKey, visible ? offScreen : onScreen },
        { UIKeyboardFrameEndUserInfoKey, visible ? onScreen : offScreen },
        { UIKeyboardAnimationDurationUserInfoKey, kKeyboardAnimationDuration },
        { UIKeyboardAnimationCurveUserInfoKey, 0 },
    };
    keyboardVisible_ = visible;
    if (keyboardDidTimer_) {
        keyboardDidTimer_->invalidate();
        keyboardDidTimer_.reset();
    }
    auto& center = NSNotificationCenter::defaultCenter();
    center.postNotificationName(visible ? UIKeyboardWillShowNotification : UIKeyboardWillHideNotification, nullptr, info);
    const char* didName = visible ? UIKeyboardDidShowNotification : UIKeyboardDidHideNotification;
    keyboardDidTimer_ = performAfterDelay(
        [didName, info] { NSNotificationCenter::defaultCenter().postNotificationName(didName, nullptr, info); },
        kKeyboardAnimationDuration);
}

void UIApplication::firstResponderDidChange(UIResponder* responder)
{
    auto& menu = UIMenuController::sharedMenuController();
    if (menu.isMenuVisible()) {
        menu.setMenuVisible(false, false);
    }
    setKeyboardVisible(dynamic_cast<UIKeyInput*>(responder) != nullptr);
}

// ---- URLs and actions -------------------------------------------------------------------------

bool UIApplication::canOpenURL(const NSURL& url) const
{
    return isWebScheme(url) || !webAddressForStoreURL(url).empty();
}

// The store's review page ("itms-apps" scheme) has no handler on a desktop: the same page is
// opened on the review host over https, so a "Rate" button leads somewhere real.
constexpr char kStoreScheme[] = "itms-apps";
constexpr char kStoreReviewPath[] = "/WebObjects/MZStore.woa/wa/viewContentsUserReviews";

std::string UIApplication::webAddressForStoreURL(const NSURL& url) const
{
    if (lowercase(url.scheme()) != kStoreScheme || url.escapedPath() != kStoreReviewPath) {
        return {};
    }
    std::string host = storeReviewHost_;
    if (const char* configured = std::getenv("LEXIPHANT_REVIEW_HOST"); host.empty() && configured != nullptr) {
        host = configured;
    }
    if (host.empty()) {
        host = url.host();
    }
    if (host.empty()) {
        return {};
    }
    return "https://" + host + kStoreReviewPath + (url.query().empty() ? "" : "?" + url.query());
}

bool UIApplication::openURL(const NSURL& url)
{
    if (const std::string web = webAddressForStoreURL(url); !web.empty()) {
        if (auto mapped = NSURL::URLWithString(web)) {
            return openURL(*mapped);
        }
    }
    const std::string& address = url.absoluteString();
    if (!isWebScheme(url)) {
        NSLogf("openURL: no handler for %s", address.c_str());
        return false;
    }
    if (urlOpener_) {
        return urlOpener_(address);
    }
    if (!hasDesktop()) {
        NSLogf("openURL: no desktop to open %s", address.c_str());
        return false;
    }
    if (!spawnOpener(address)) {
        NSLogf("openURL: could not start xdg-open for %s", address.c_str());
        return false;
    }
    return true;
}

bool UIApplication::sendAction(const SEL& action, UIResponder* target, const void* sender)
{
    std::shared_ptr<UIResponder> keep = target != nullptr ? nullptr : UIResponder::currentFirstResponder();
    for (UIResponder* responder = target != nullptr ? target : keep.get(); responder != nullptr;
         responder = responder->nextResponder()) {
        if (responder->respondsToAction(action)) {
            return responder->performAction(action, sender);
        }
    }
    return false;
}

std::shared_ptr<UIResponder> UIApplication::keyResponder() const
{
    std::shared_ptr<UIResponder> responder = UIResponder::currentFirstResponder();
    if (!responder) {
        return nullptr;
    }
    const auto* view = dynamic_cast<const UIView*>(responder.get());
    const UIWindow* own = view != nullptr ? view->window() : nullptr;
    for (const auto& window : windowsFrontToBack()) {
        if (window.get() == own) {
            return responder;
        }
        // The front-most panel decides: a responder that is not on it or in front of it is
        // behind it.
        if (dynamic_cast<const UIModalBackdrop*>(window.get()) != nullptr) {
            return nullptr;
        }
    }
    return responder;
}

void UIApplication::endIgnoringInteractionEvents()
{
    if (ignoringInteraction_ > 0) {
        --ignoringInteraction_;
    }
}

// ---- Events -----------------------------------------------------------------------------------

void UIApplication::sendEvent(UIEvent& event)
{
    std::vector<UIWindowRef> windows;
    for (const auto& touch : event.allTouches()) {
        if (touch->window() && std::find(windows.begin(), windows.end(), touch->window()) == windows.end()) {
            windows.push_back(touch->window());
        }
    }
    for (const auto& window : windows) {
        window->sendEvent(event);
    }
}

std::vector<UIApplication::ChromeRect> UIApplication::chromeRects() const
{
    std::vector<ChromeRect> rects;
    if (const CGRect bar = statusBarFrame(); !CGRectIsEmpty(bar)) {
        rects.push_back({ ChromePart::StatusBar, bar });
    }
    if (keyboardVisible_) {
        rects.push_back({ ChromePart::Keyboard, keyboardFrame() });
    }
    return rects;
}

UIApplication::Hit UIApplication::hitTestScreenPoint(CGPoint screenPoint) const
{
    bool chromeChecked = false;
    for (const auto& window : windowsFrontToBack()) {
        if (!chromeChecked && window->windowLevel() <= UIWindowLevelBelowKeyboard) {
            chromeChecked = true;
            for (const ChromeRect& chrome : chromeRects()) {
                if (CGRectContainsPoint(chrome.frame, screenPoint)) {
                    return {};
                }
            }
        }
        if (!window->isUserInteractionEnabled()) {
            continue;
        }
        const CGPoint local = window->convertPointFromWindow(screenPoint, nullptr);
        if (UIViewRef hit = window->hitTest(local, nullptr)) {
            return { window, hit };
        }
    }
    return {};
}

void UIApplication::injectTouch(UITouchPhase phase, CGPoint screenPoint, double timestamp, int finger)
{
    auto& menu = UIMenuController::sharedMenuController();
    if (fingers_.empty() && menu.handleTouch(phase, screenPoint)) {
        return;
    }
    auto found = std::find_if(fingers_.begin(), fingers_.end(), [finger](const Finger& f) { return f.number == finger; });
    if (phase == UITouchPhaseBegan) {
        if (isIgnoringInteractionEvents()) {
            return;
        }
        if (found != fingers_.end()) {
            // A finger cannot touch down twice: the old touch ends where it was.
            injectTouch(UITouchPhaseEnded, found->touch->window() ? found->touch->window()->convertPointToWindow(found->touch->windowLocation(), nullptr) : screenPoint, timestamp, finger);
        }
        auto touch = std::make_shared<UITouch>();
        const auto [window, view] = hitTestScreenPoint(screenPoint);
        const CGPoint local = window ? window->convertPointFromWindow(screenPoint, nullptr) : screenPoint;
        touch->update(UITouchPhaseBegan, local, timestamp);
        touch->setWindow(window);
        touch->setView(view);
        const bool near = std::hypot(screenPoint.x - lastTapPoint_.x, screenPoint.y - lastTapPoint_.y) <= kUITouchTapCountDistance;
        touch->setTapCount(near && timestamp - lastTapTime_ <= kUITouchTapCountInterval ? lastTapCount_ + 1 : 1);
        fingers_.push_back({ finger, touch });
    } else {
        if (found == fingers_.end()) {
            return;
        }
        const auto& touch = found->touch;
        const CGPoint local = touch->window() ? touch->window()->convertPointFromWindow(screenPoint, nullptr) : screenPoint;
        touch->update(phase == UITouchPhaseStationary ? UITouchPhaseMoved : phase, local, timestamp);
    }

    UITouchSet all;
    for (const auto& f : fingers_) {
        if (f.number != finger) {
            f.touch->update(UITouchPhaseStationary, f.touch->windowLocation(), f.touch->timestamp());
        }
        all.push_back(f.touch);
    }
    UIEvent event(all, timestamp);
    sendEvent(event);

    if (phase == UITouchPhaseEnded || phase == UITouchPhaseCancelled) {
        const auto ended = std::find_if(fingers_.begin(), fingers_.end(), [finger](const Finger& f) { return f.number == finger; });
        if (ended != fingers_.end()) {
            if (phase == UITouchPhaseEnded) {
                lastTapPoint_ = screenPoint;
                lastTapTime_ = timestamp;
                lastTapCount_ = ended->touch->tapCount();
            }
            fingers_.erase(ended);
        }
    }
}

void UIApplication::injectScrollWheel(CGPoint screenPoint, CGFloat dx, CGFloat dy)
{
    if (isIgnoringInteractionEvents()) {
        return;
    }
    const auto [window, view] = hitTestScreenPoint(screenPoint);
    for (UIView* v = view.get(); v != nullptr; v = v->superview()) {
        if (auto* scrollView = dynamic_cast<UIScrollView*>(v); scrollView != nullptr && scrollView->isScrollEnabled()) {
            if (scrollView->scrollByWheel(dx, dy)) {
                return;
            }
        }
    }
}

void UIApplication::resetForTesting()
{
    windows_.clear();
    keyWindow_.reset();
    delegate_.reset();
    ignoringInteraction_ = 0;
    state_ = UIApplicationStateInactive;
    launched_ = false;
    terminated_ = false;
    statusBarOrientation_ = UIInterfaceOrientationPortrait;
    statusBarHidden_ = false;
    refusedDeviceTurn_.reset();
    keyboardVisible_ = false;
    if (keyboardDidTimer_) {
        keyboardDidTimer_->invalidate();
        keyboardDidTimer_.reset();
    }
    urlOpener_ = nullptr;
    storeReviewHost_.clear();
    fingers_.clear();
    lastTapPoint_ = {};
    lastTapTime_ = -1e9;
    lastTapCount_ = 0;
}
