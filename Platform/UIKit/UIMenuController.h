#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"
#include "Platform/UIKit/UIMenuItem.h"
#include "Platform/UIKit/UITouch.h"

inline constexpr char UIMenuControllerWillShowMenuNotification[] = "UIMenuControllerWillShowMenuNotification";
inline constexpr char UIMenuControllerDidShowMenuNotification[] = "UIMenuControllerDidShowMenuNotification";
inline constexpr char UIMenuControllerWillHideMenuNotification[] = "UIMenuControllerWillHideMenuNotification";
inline constexpr char UIMenuControllerDidHideMenuNotification[] = "UIMenuControllerDidHideMenuNotification";

// The edit menu: a bar of commands pointing at a target rectangle in a view. It offers the
// standard commands (Cut, Copy, Select, Select All, Paste, Delete) and the custom items that
// the first responder, asked through canPerformAction(action, menu), accepts; with no first
// responder or no accepted command it does not show. "Will" notices come at once; "did" notices
// at once without animation, after the fade with it. Main thread only.
class UIMenuController {
public:
    static constexpr double kFadeDuration = 0.2;
    static constexpr CGFloat kMenuHeight = 40;
    static constexpr CGFloat kArrowHeight = 10;

    static UIMenuController& sharedMenuController();

    [[nodiscard]] bool isMenuVisible() const { return visible_; }
    void setMenuVisible(bool visible) { setMenuVisible(visible, false); }
    void setMenuVisible(bool visible, bool animated);

    // The rectangle (in the view's coordinates) the menu points at; the view is held weakly.
    void setTargetRect(CGRect rect, UIView* view);
    [[nodiscard]] CGRect targetRect() const { return targetRect_; }
    [[nodiscard]] UIView* targetView() const { return targetView_.lock().get(); }

    [[nodiscard]] const std::vector<UIMenuItem>& menuItems() const { return menuItems_; }
    void setMenuItems(std::vector<UIMenuItem> items) { menuItems_ = std::move(items); }

    // Asks the first responder again and places the menu again (a visible menu that has nothing
    // left to offer hides).
    void update();

    // What the visible menu shows, in interface coordinates: those of the screen turned upright
    // for the status-bar orientation the menu was laid out in (menuOrientation), the renderer's
    // display points. Drawing and taps both go through them.
    struct Command {
        SEL action;
        std::string title;
        CGRect frame;
    };
    [[nodiscard]] const std::vector<Command>& commands() const { return commands_; }
    [[nodiscard]] CGRect menuFrame() const { return menuFrame_; }
    // The target rectangle the bar points at, in the same coordinates.
    [[nodiscard]] CGRect targetFrame() const { return interfaceTarget_; }
    [[nodiscard]] UIInterfaceOrientation menuOrientation() const { return orientation_; }
    // Whether the bar lies below the target (no room above it).
    [[nodiscard]] bool pointsUp() const { return pointsUp_; }

    // Sends the command to the first responder and hides the menu (animated). Answers whether a
    // responder performed it.
    bool performCommand(const SEL& action);
    // A touch of the host on the screen: taps on the visible menu are the menu's (answers YES);
    // a command runs when a touch lifts on the command it began on.
    bool handleTouch(UITouchPhase phase, CGPoint screenPoint);

    // Shows the menu at the rectangle of the view on the next turn, once the touch that asked
    // for it is over (how the platform's text views bring it up); a view gone by then shows none.
    static void showMenuLater(CGRect rect, const UIViewRef& view);

    void resetForTesting();

private:
    UIMenuController() = default;
    // The commands the first responder accepts, laid out around the target. Answers whether
    // there is anything to show.
    bool layOut();
    void postLater(const char* name, bool animated);

    bool visible_ { false };
    CGRect targetRect_ {};
    std::weak_ptr<UIView> targetView_;
    std::vector<UIMenuItem> menuItems_;
    std::vector<Command> commands_;
    CGRect menuFrame_ {};
    CGRect interfaceTarget_ {};
    UIInterfaceOrientation orientation_ { UIInterfaceOrientationPortrait };
    bool pointsUp_ { false };
    PerformHandle didTimer_;
    // The command a touch on the menu began on ("" for the bar between commands).
    std::optional<SEL> pressed_;
};
