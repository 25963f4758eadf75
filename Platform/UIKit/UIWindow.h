#pragma once

#include <memory>

#include "Platform/UIKit/UIView.h"

using UIWindowLevel = CGFloat;
inline constexpr UIWindowLevel UIWindowLevelNormal = 0;
inline constexpr UIWindowLevel UIWindowLevelStatusBar = 1000;
inline constexpr UIWindowLevel UIWindowLevelAlert = 2000;
// The status bar and the on-screen keyboard lie above the windows up to this level (the
// application's own) and below every higher one: action sheets, popovers, alerts, the loupe.
inline constexpr UIWindowLevel UIWindowLevelBelowKeyboard = UIWindowLevelNormal;

inline constexpr char UIWindowDidBecomeVisibleNotification[] = "UIWindowDidBecomeVisibleNotification";
inline constexpr char UIWindowDidBecomeHiddenNotification[] = "UIWindowDidBecomeHiddenNotification";
inline constexpr char UIWindowDidBecomeKeyNotification[] = "UIWindowDidBecomeKeyNotification";
inline constexpr char UIWindowDidResignKeyNotification[] = "UIWindowDidResignKeyNotification";

// The root of a view tree on the screen. Its frame is in screen coordinates. A window starts
// hidden; once shown, the application keeps it in its window list. Windows stack by level, and
// among equal levels the one shown last is in front. One window is the key window: it gets the
// keyboard's text. A window that takes no user interaction only displays: touches fall through
// it to the windows behind.
class UIWindow : public UIView {
public:
    explicit UIWindow(CGRect frame = CGRectZero);
    ~UIWindow() override;

    [[nodiscard]] UIWindowLevel windowLevel() const { return windowLevel_; }
    void setWindowLevel(UIWindowLevel level);

    void setHidden(bool hidden) override;
    void makeKeyWindow();
    void makeKeyAndVisible();
    [[nodiscard]] bool isKeyWindow() const;
    virtual void becomeKeyWindow() { }
    virtual void resignKeyWindow() { }

    // Between window coordinates and those of another window (null: the screen).
    [[nodiscard]] CGPoint convertPointToWindow(CGPoint point, const UIWindow* window) const;
    [[nodiscard]] CGPoint convertPointFromWindow(CGPoint point, const UIWindow* window) const;
    [[nodiscard]] CGRect convertRectToWindow(CGRect rect, const UIWindow* window) const;
    [[nodiscard]] CGRect convertRectFromWindow(CGRect rect, const UIWindow* window) const;

    // Delivers an event's touches of this window: to the gesture recognizers of each touch's
    // view and its ancestors first, then to the views, except touches a recognizer has taken.
    virtual void sendEvent(UIEvent& event);

    // The root view controller; defined with the view controllers, which put its view in the
    // window.
    [[nodiscard]] const std::shared_ptr<UIViewController>& rootViewController() const { return rootViewController_; }
    void setRootViewController(std::shared_ptr<UIViewController> controller);

    // Registration with the interface-file class registry (the class and its keys).
    static void registerInterfaceClass(UIClassRegistry& registry);

    // Order among windows of the same level: bumped each time the window is shown.
    [[nodiscard]] std::uint64_t orderStamp() const { return orderStamp_; }

protected:
    std::shared_ptr<UIViewController> rootViewController_;

private:
    UIWindowLevel windowLevel_ { UIWindowLevelNormal };
    std::uint64_t orderStamp_ { 0 };
};
