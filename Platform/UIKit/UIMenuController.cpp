#include "Platform/UIKit/UIMenuController.h"

#include <algorithm>

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// Padding around each title, the title size, and the gap kept from the screen's edges.
constexpr CGFloat kCommandPadding = 12;
constexpr CGFloat kTitleSize = 14;
constexpr CGFloat kScreenMargin = 4;

struct Standard {
    const SEL* action;
    const char* title;
};

const Standard kStandardCommands[] = {
    { &kUIActionCut, "Cut" },
    { &kUIActionCopy, "Copy" },
    { &kUIActionSelect, "Select" },
    { &kUIActionSelectAll, "Select All" },
    { &kUIActionPaste, "Paste" },
    { &kUIActionDelete, "Delete" },
};

CGFloat titleWidth(const std::string& title)
{
    static const UIFontRef font = UIFont::boldSystemFontOfSize(kTitleSize);
    if (font) {
        return sizeWithFont(utf8ToUtf16(title), font).width;
    }
    // No font at all: a fair guess keeps the menu usable.
    return CGFloat(title.size()) * kTitleSize * 0.6;
}

} // namespace

UIMenuController& UIMenuController::sharedMenuController()
{
    static UIMenuController menu;
    return menu;
}

void UIMenuController::setTargetRect(CGRect rect, UIView* view)
{
    targetRect_ = rect;
    targetView_.reset();
    if (view != nullptr) {
        targetView_ = std::static_pointer_cast<UIView>(view->weak_from_this().lock());
    }
}

bool UIMenuController::layOut()
{
    commands_.clear();
    const auto responder = UIResponder::currentFirstResponder();
    if (!responder) {
        return false;
    }
    std::vector<std::pair<SEL, std::string>> offered;
    for (const Standard& standard : kStandardCommands) {
        if (responder->canPerformAction(*standard.action, this)) {
            offered.emplace_back(*standard.action, standard.title);
        }
    }
    for (const UIMenuItem& item : menuItems_) {
        if (responder->canPerformAction(item.action, this)) {
            offered.emplace_back(item.action, item.title);
        }
    }
    if (offered.empty()) {
        return false;
    }

    // The menu stands upright in the interface, so it is laid out in interface coordinates:
    // the target goes from its view to the screen and from there to the interface. Without a
    // view, the rectangle is taken as given in screen coordinates.
    const UIInterfaceOrientation orientation = UIApplication::sharedApplication().statusBarOrientation();
    CGAffineTransform toInterface = UIRenderer::screenToDisplayTransform(orientation);
    if (const auto view = targetView_.lock()) {
        toInterface = CGAffineTransformConcat(view->transformToScreen(), toInterface);
    }
    const CGRect target = CGRectApplyAffineTransform(CGRectStandardize(targetRect_), toInterface);
    orientation_ = orientation;
    interfaceTarget_ = target;
    CGFloat width = 0;
    std::vector<CGFloat> widths;
    for (const auto& [action, title] : offered) {
        widths.push_back(titleWidth(title) + 2 * kCommandPadding);
        width += widths.back();
    }
    const CGSize interface = UIRenderer::displaySize(orientation);
    const CGFloat top = UIApplication::sharedApplication().isStatusBarHidden() ? 0 : UIApplication::kStatusBarHeight;
    CGFloat y = CGRectGetMinY(target) - kArrowHeight - kMenuHeight;
    pointsUp_ = y < top;
    if (pointsUp_) {
        y = CGRectGetMaxY(target) + kArrowHeight;
    }
    const CGFloat maxX = std::max(kScreenMargin, interface.width - kScreenMargin - width);
    const CGFloat x = std::clamp(CGRectGetMidX(target) - width / 2, kScreenMargin, maxX);
    menuFrame_ = CGRectMake(x, y, width, kMenuHeight);
    CGFloat left = x;
    for (std::size_t i = 0; i < offered.size(); ++i) {
        commands_.push_back({ offered[i].first, offered[i].second, CGRectMake(left, y, widths[i], kMenuHeight) });
        left += widths[i];
    }
    return true;
}

void UIMenuController::postLater(const char* name, bool animated)
{
    if (didTimer_) {
        didTimer_->invalidate();
        didTimer_.reset();
    }
    if (!animated) {
        NSNotificationCenter::defaultCenter().postNotificationName(name, this);
        return;
    }
    didTimer_ = performAfterDelay([this, name] { NSNotificationCenter::defaultCenter().postNotificationName(name, this); },
                                  kFadeDuration);
}

void UIMenuController::setMenuVisible(bool visible, bool animated)
{
    auto& center = NSNotificationCenter::defaultCenter();
    if (!visible) {
        if (!visible_) {
            return;
        }
        center.postNotificationName(UIMenuControllerWillHideMenuNotification, this);
        visible_ = false;
        pressed_.reset();
        UIView::markScreenChanged();
        postLater(UIMenuControllerDidHideMenuNotification, animated);
        return;
    }
    if (!layOut()) {
        return;
    }
    center.postNotificationName(UIMenuControllerWillShowMenuNotification, this);
    visible_ = true;
    UIView::markScreenChanged();
    postLater(UIMenuControllerDidShowMenuNotification, animated);
}

void UIMenuController::showMenuLater(CGRect rect, const UIViewRef& view)
{
    dispatchAsyncMain([rect, weak = std::weak_ptr<UIView>(view)] {
        const auto target = weak.lock();
        if (!target || target->window() == nullptr) {
            return;
        }
        UIMenuController& menu = sharedMenuController();
        menu.setTargetRect(rect, target.get());
        menu.update();
        menu.setMenuVisible(true, true);
    });
}

void UIMenuController::update()
{
    if (!visible_) {
        return;
    }
    if (!layOut()) {
        setMenuVisible(false, false);
    }
}

bool UIMenuController::performCommand(const SEL& action)
{
    const auto responder = UIResponder::currentFirstResponder();
    const bool performed = responder && responder->canPerformAction(action, this)
        && UIApplication::sharedApplication().sendAction(action, nullptr, this);
    setMenuVisible(false, true);
    return performed;
}

bool UIMenuController::handleTouch(UITouchPhase phase, CGPoint screenPoint)
{
    // The menu was laid out for the orientation it was shown in.
    const CGPoint point = CGPointApplyAffineTransform(screenPoint, UIRenderer::screenToDisplayTransform(orientation_));
    if (phase == UITouchPhaseBegan) {
        pressed_.reset();
        if (!visible_ || !CGRectContainsPoint(menuFrame_, point)) {
            return false;
        }
        pressed_ = SEL {};
        for (const auto& command : commands_) {
            if (CGRectContainsPoint(command.frame, point)) {
                pressed_ = command.action;
            }
        }
        return true;
    }
    if (!pressed_) {
        return false;
    }
    if (phase == UITouchPhaseEnded || phase == UITouchPhaseCancelled) {
        const SEL pressed = *pressed_;
        pressed_.reset();
        if (phase == UITouchPhaseEnded && !pressed.empty()) {
            const auto hit = std::find_if(commands_.begin(), commands_.end(),
                                          [&](const Command& c) { return CGRectContainsPoint(c.frame, point); });
            if (hit != commands_.end() && hit->action == pressed) {
                performCommand(pressed);
            }
        }
    }
    return true;
}

void UIMenuController::resetForTesting()
{
    visible_ = false;
    targetRect_ = {};
    targetView_.reset();
    menuItems_.clear();
    commands_.clear();
    menuFrame_ = {};
    interfaceTarget_ = {};
    orientation_ = UIInterfaceOrientationPortrait;
    pressed_.reset();
    if (didTimer_) {
        didTimer_->invalidate();
        didTimer_.reset();
    }
}
