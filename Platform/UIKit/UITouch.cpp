#include "Platform/UIKit/UITouch.h"

#include <algorithm>

#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

CGPoint fromWindow(const UIWindowRef& window, CGPoint point, const UIView* view)
{
    if (view == nullptr || !window) {
        return point;
    }
    return view->convertPointFromView(point, window.get());
}

} // namespace

CGPoint UITouch::locationInView(const UIView* view) const
{
    return fromWindow(window_, location_, view);
}

CGPoint UITouch::previousLocationInView(const UIView* view) const
{
    return fromWindow(window_, previousLocation_, view);
}

void UITouch::update(UITouchPhase phase, CGPoint windowPoint, double timestamp)
{
    previousLocation_ = phase == UITouchPhaseBegan ? windowPoint : location_;
    location_ = windowPoint;
    phase_ = phase;
    timestamp_ = timestamp;
}
