#include "Platform/UIKit/UIWindow.h"

#include <algorithm>

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIEvent.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

namespace {

std::uint64_t gNextOrderStamp = 1;

} // namespace

UIWindow::UIWindow(CGRect frame) : UIView(frame)
{
    layer()->setHidden(true);
}

UIWindow::~UIWindow() = default;

void UIWindow::setWindowLevel(UIWindowLevel level)
{
    windowLevel_ = level;
    setNeedsDisplay();
}

void UIWindow::setHidden(bool hidden)
{
    if (hidden == isHidden()) {
        return;
    }
    UIView::setHidden(hidden);
    if (!hidden) {
        orderStamp_ = gNextOrderStamp++;
        UIApplication::sharedApplication().windowDidBecomeVisible(std::static_pointer_cast<UIWindow>(selfRef()));
    }
    NSNotificationCenter::defaultCenter().postNotificationName(
        hidden ? UIWindowDidBecomeHiddenNotification : UIWindowDidBecomeVisibleNotification, this);
}

void UIWindow::makeKeyWindow()
{
    if (isKeyWindow()) {
        return;
    }
    // The key window is one the application keeps.
    UIApplication::sharedApplication().windowDidBecomeVisible(std::static_pointer_cast<UIWindow>(selfRef()));
    UIApplication::sharedApplication().windowDidBecomeKey(this);
}

void UIWindow::makeKeyAndVisible()
{
    setHidden(false);
    makeKeyWindow();
}

bool UIWindow::isKeyWindow() const
{
    return UIApplication::sharedApplication().keyWindow().get() == this;
}

CGPoint UIWindow::convertPointToWindow(CGPoint point, const UIWindow* window) const
{
    const CGPoint onScreen = CGPointApplyAffineTransform(point, transformToScreen());
    return window == nullptr ? onScreen : CGPointApplyAffineTransform(onScreen, CGAffineTransformInvert(window->transformToScreen()));
}

CGPoint UIWindow::convertPointFromWindow(CGPoint point, const UIWindow* window) const
{
    const CGPoint onScreen = window == nullptr ? point : CGPointApplyAffineTransform(point, window->transformToScreen());
    return CGPointApplyAffineTransform(onScreen, CGAffineTransformInvert(transformToScreen()));
}

CGRect UIWindow::convertRectToWindow(CGRect rect, const UIWindow* window) const
{
    CGAffineTransform m = transformToScreen();
    if (window != nullptr) {
        m = CGAffineTransformConcat(m, CGAffineTransformInvert(window->transformToScreen()));
    }
    return CGRectApplyAffineTransform(rect, m);
}

CGRect UIWindow::convertRectFromWindow(CGRect rect, const UIWindow* window) const
{
    CGAffineTransform m = CGAffineTransformInvert(transformToScreen());
    if (window != nullptr) {
        m = CGAffineTransformConcat(window->transformToScreen(), m);
    }
    return CGRectApplyAffineTransform(rect, m);
}

void UIWindow::sendEvent(UIEvent& event)
{
    auto keep = selfRef();
    const UITouchSet touches = event.touchesForWindow(this);
    if (touches.empty()) {
        return;
    }
    UIGestureRecognizer::deliverEvent(event, touches);

    // Then the views, per view and phase, with the touches no recognizer has taken.
    struct Group {
        UIViewRef view;
        UITouchSet byPhase[5];
    };
    std::vector<Group> groups;
    for (const auto& touch : touches) {
        if (!touch->view() || touch->isCancelledForView() || touch->phase() == UITouchPhaseStationary) {
            continue;
        }
        auto found = std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.view == touch->view(); });
        if (found == groups.end()) {
            groups.emplace_back();
            groups.back().view = touch->view();
            found = groups.end() - 1;
        }
        found->byPhase[touch->phase()].push_back(touch);
    }
    for (auto& [view, byPhase] : groups) {
        if (!byPhase[UITouchPhaseBegan].empty()) {
            for (const auto& touch : byPhase[UITouchPhaseBegan]) {
                touch->setViewHasBegun();
            }
            view->touchesBegan(byPhase[UITouchPhaseBegan], &event);
        }
        if (!byPhase[UITouchPhaseMoved].empty()) {
            view->touchesMoved(byPhase[UITouchPhaseMoved], &event);
        }
        if (!byPhase[UITouchPhaseEnded].empty()) {
            view->touchesEnded(byPhase[UITouchPhaseEnded], &event);
        }
        if (!byPhase[UITouchPhaseCancelled].empty()) {
            view->touchesCancelled(byPhase[UITouchPhaseCancelled], &event);
        }
    }
}

// Interface files.
void UIWindow::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass("UIWindow", "UIView", [] { return std::make_shared<UIWindow>(); },
                           {
                               { "windowLevel", uiProperty<UIWindow, double>(UIPropertyType::Number,
                                                                            [](UIWindow& w, double l) { w.setWindowLevel(l); }) },
                           });
}
