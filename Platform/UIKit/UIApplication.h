#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIApplicationDelegate.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"
#include "Platform/UIKit/UITouch.h"

class NSURL;

inline constexpr char UIApplicationDidFinishLaunchingNotification[] = "UIApplicationDidFinishLaunchingNotification";
inline constexpr char UIApplicationDidBecomeActiveNotification[] = "UIApplicationDidBecomeActiveNotification";
inline constexpr char UIApplicationWillResignActiveNotification[] = "UIApplicationWillResignActiveNotification";
inline constexpr char UIApplicationDidEnterBackgroundNotification[] = "UIApplicationDidEnterBackgroundNotification";
inline constexpr char UIApplicationWillEnterForegroundNotification[] = "UIApplicationWillEnterForegroundNotification";
inline constexpr char UIApplicationWillTerminateNotification[] = "UIApplicationWillTerminateNotification";
inline constexpr char UIApplicationWillChangeStatusBarOrientationNotification[] = "UIApplicationWillChangeStatusBarOrientationNotification";
inline constexpr char UIApplicationDidChangeStatusBarOrientationNotification[] = "UIApplicationDidChangeStatusBarOrientationNotification";
// User-info key of the orientation notifications: the new (will) or old (did) orientation, an int.
inline constexpr char UIApplicationStatusBarOrientationUserInfoKey[] = "UIApplicationStatusBarOrientationUserInfoKey";

// The keyboard: posted when a responder that takes key input becomes first responder and the
// keyboard was hidden (show), and when the last such responder gives the role up (hide). "Will"
// comes at once, "did" when the keyboard's slide has ended.
inline constexpr char UIKeyboardWillShowNotification[] = "UIKeyboardWillShowNotification";
inline constexpr char UIKeyboardDidShowNotification[] = "UIKeyboardDidShowNotification";
inline constexpr char UIKeyboardWillHideNotification[] = "UIKeyboardWillHideNotification";
inline constexpr char UIKeyboardDidHideNotification[] = "UIKeyboardDidHideNotification";
// CGRect values in screen coordinates (the portrait screen), and the slide's duration (double)
// and curve (int).
inline constexpr char UIKeyboardFrameBeginUserInfoKey[] = "UIKeyboardFrameBeginUserInfoKey";
inline constexpr char UIKeyboardFrameEndUserInfoKey[] = "UIKeyboardFrameEndUserInfoKey";
inline constexpr char UIKeyboardAnimationDurationUserInfoKey[] = "UIKeyboardAnimationDurationUserInfoKey";
inline constexpr char UIKeyboardAnimationCurveUserInfoKey[] = "UIKeyboardAnimationCurveUserInfoKey";

enum UIApplicationState : int {
    UIApplicationStateActive = 0,
    UIApplicationStateInactive = 1,
    UIApplicationStateBackground = 2,
};

// The running application: its delegate and life cycle, its windows, the status bar, the
// keyboard's place, URL opening, and the entry of touch events. The host (or a test) drives the
// life cycle and feeds touches; the application routes them to windows. Main thread only.
class UIApplication {
public:
    static UIApplication& sharedApplication();

    static constexpr CGFloat kStatusBarHeight = 20;
    static constexpr double kKeyboardAnimationDuration = 0.25;

    [[nodiscard]] const std::shared_ptr<UIApplicationDelegate>& delegate() const { return delegate_; }
    void setDelegate(std::shared_ptr<UIApplicationDelegate> delegate) { delegate_ = std::move(delegate); }

    // Life cycle, as the host drives it. launch: did finish launching (the delegate's answer is
    // returned), then active. The others do nothing when the application is already in the state
    // they lead to; enterBackground resigns active first, enterForeground ends active.
    bool launch(const UILaunchOptions& options = {});
    void resignActive();
    void becomeActive();
    void enterBackground();
    void enterForeground();
    void terminate();
    [[nodiscard]] UIApplicationState applicationState() const { return state_; }
    [[nodiscard]] bool isTerminated() const { return terminated_; }

    // Windows: every window that was ever made visible, in the order they were first shown. The
    // application keeps them alive until removeWindow.
    [[nodiscard]] const std::vector<UIWindowRef>& windows() const { return windows_; }
    [[nodiscard]] UIWindowRef keyWindow() const;
    void removeWindow(const UIWindow* window);
    // Visible windows from the front: higher level first, later shown first within a level.
    [[nodiscard]] std::vector<UIWindowRef> windowsFrontToBack() const;

    // Status bar.
    [[nodiscard]] UIInterfaceOrientation statusBarOrientation() const { return statusBarOrientation_; }
    void setStatusBarOrientation(UIInterfaceOrientation orientation, bool animated = false);
    [[nodiscard]] bool isStatusBarHidden() const { return statusBarHidden_; }
    void setStatusBarHidden(bool hidden, bool animated = false) { statusBarHidden_ = hidden; }
    // In screen coordinates, along the interface's top edge; zero when hidden.
    [[nodiscard]] CGRect statusBarFrame() const;
    // The way the device is held when the front screen refused to turn with it: the next screen
    // that takes it comes up that way (a phone held sideways opens the editor sideways, though
    // the folder screen under it stayed upright). The view controllers' turns set and clear it.
    [[nodiscard]] std::optional<UIInterfaceOrientation> refusedDeviceTurn() const { return refusedDeviceTurn_; }
    void setRefusedDeviceTurn(std::optional<UIInterfaceOrientation> held) { refusedDeviceTurn_ = held; }

    // Keyboard, in screen coordinates along the interface's bottom edge.
    [[nodiscard]] bool isKeyboardVisible() const { return keyboardVisible_; }
    [[nodiscard]] CGRect keyboardFrame() const;
    // Height of the keyboard for the device and the status-bar orientation.
    [[nodiscard]] CGFloat keyboardHeight() const;
    // What the status bar and the keyboard cover, in screen coordinates (a hidden one left
    // out): the one place touch hit testing, the visibility check and the veils' holes read
    // them from. They are drawn above the windows up to UIWindowLevelBelowKeyboard and below the
    // others, and take the touches that reach them there: the keys are pictures (typing comes
    // from the host), so a touch on them reaches nothing behind.
    enum class ChromePart { StatusBar, Keyboard };
    struct ChromeRect {
        ChromePart part { ChromePart::StatusBar };
        CGRect frame {};
    };
    [[nodiscard]] std::vector<ChromeRect> chromeRects() const;

    // Where a touch at a screen point lands: the window and view drawn in front there that take
    // touches, as the screen is stacked (the edit menu aside, which takes its touches first).
    // None where the status bar or the keyboard lies in front, or nothing takes the touch.
    struct Hit {
        UIWindowRef window;
        UIViewRef view;
    };
    [[nodiscard]] Hit hitTestScreenPoint(CGPoint screenPoint) const;

    // URLs: http and https addresses are handed to the desktop's opener (xdg-open) when a desktop
    // is present; otherwise, and for other schemes, the address is only logged. Answers whether
    // it was handed on.
    bool openURL(const NSURL& url);
    [[nodiscard]] bool canOpenURL(const NSURL& url) const;
    // Replaces how http(s) addresses are opened (tests); an empty opener restores the default.
    using URLOpener = std::function<bool(const std::string& url)>;
    void setURLOpener(URLOpener opener) { urlOpener_ = std::move(opener); }
    // The store's review page (scheme "itms-apps", the reviews path) is opened as the same page
    // over https on this host: the one set here, else $LEXIPHANT_REVIEW_HOST, else the URL's own.
    void setStoreReviewHost(std::string host) { storeReviewHost_ = std::move(host); }
    // The https address a store URL is opened as; empty for any other URL.
    [[nodiscard]] std::string webAddressForStoreURL(const NSURL& url) const;

    // Actions: sends the action to the target, or along the responder chain from the first
    // responder when the target is null, to the first responder that implements it.
    bool sendAction(const SEL& action, UIResponder* target, const void* sender);

    // Events. sendEvent hands the touches of an event to their windows.
    void sendEvent(UIEvent& event);
    // One finger of the host: a touch phase at a point of the screen at a time on the run-loop
    // clock. Fingers are told apart by number; the event carries every finger that is down.
    void injectTouch(UITouchPhase phase, CGPoint screenPoint, double timestamp, int finger = 0);
    // The mouse wheel over a screen point: scrolls the nearest scroll view under it by the
    // deltas in points (positive dy shows content further down).
    void injectScrollWheel(CGPoint screenPoint, CGFloat dx, CGFloat dy);

    // Where typed keys and edit shortcuts go: the first responder, unless a modal panel (an
    // alert, an action sheet, a popover) is shown in front of its window; keys meant for what
    // lies behind a panel are dropped, as they would change text the person cannot see.
    [[nodiscard]] std::shared_ptr<UIResponder> keyResponder() const;

    // While a screen slides in or out, new touches are dropped: what is drawn is not yet where
    // hit testing finds it. Nested calls count; touches already down go on.
    void beginIgnoringInteractionEvents() { ++ignoringInteraction_; }
    void endIgnoringInteractionEvents();
    [[nodiscard]] bool isIgnoringInteractionEvents() const { return ignoringInteraction_ > 0; }

    // Called by UIResponder when the first responder changes (null: none); shows or hides the
    // keyboard and hides the edit menu.
    void firstResponderDidChange(UIResponder* responder);
    // Called by UIWindow when it is shown or becomes key.
    void windowDidBecomeVisible(const UIWindowRef& window);
    void windowDidBecomeKey(UIWindow* window);

    // Back to a fresh application: no windows, delegate, touches or keyboard; active; portrait.
    void resetForTesting();

private:
    UIApplication() = default;
    void setKeyboardVisible(bool visible);
    void post(const char* name) const;

    std::shared_ptr<UIApplicationDelegate> delegate_;
    UIApplicationState state_ { UIApplicationStateInactive };
    bool launched_ { false };
    bool terminated_ { false };
    std::vector<UIWindowRef> windows_;
    std::weak_ptr<UIWindow> keyWindow_;
    UIInterfaceOrientation statusBarOrientation_ { UIInterfaceOrientationPortrait };
    bool statusBarHidden_ { false };
    std::optional<UIInterfaceOrientation> refusedDeviceTurn_;
    bool keyboardVisible_ { false };
    int ignoringInteraction_ { 0 };
    PerformHandle keyboardDidTimer_;
    URLOpener urlOpener_;
    std::string storeReviewHost_;
    struct Finger {
        int number { 0 };
        UITouchRef touch;
    };
    std::vector<Finger> fingers_;
    // For tap counting: where and when the last touch ended.
    CGPoint lastTapPoint_ {};
    double lastTapTime_ { -1e9 };
    unsigned lastTapCount_ { 0 };
};

// Keeps the application ignoring touches from its making until end() or its destruction,
// whichever comes first: a screen transition holds one in its completion, so a slide whose
// completion never runs cannot leave the screen deaf.
class UIInteractionPause {
public:
    UIInteractionPause() { UIApplication::sharedApplication().beginIgnoringInteractionEvents(); }
    ~UIInteractionPause() { end(); }
    UIInteractionPause(const UIInteractionPause&) = delete;
    UIInteractionPause& operator=(const UIInteractionPause&) = delete;
    void end()
    {
        if (!ended_) {
            ended_ = true;
            UIApplication::sharedApplication().endIgnoringInteractionEvents();
        }
    }

private:
    bool ended_ { false };
};
