#include "Platform/UIKit/UITapGestureRecognizer.h"

#include <algorithm>
#include <cmath>

namespace {

CGFloat distance(CGPoint a, CGPoint b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

} // namespace

void UITapGestureRecognizer::touchesBegan(const UITouchSet&, UIEvent&)
{
    const CGPoint centre = centroidInWindow();
    if (waiting_) {
        cancelTimer();
        waiting_ = false;
        if (distance(centre, firstTap_) > kUIMultiTapMaximumDistance) {
            setState(UIGestureRecognizerStateFailed);
            return;
        }
    }
    if (taps_ == 0 && touchesInTap_ == 0) {
        firstTap_ = centre;
    }
    tapStart_ = centre;
    touchesInTap_ = std::max(touchesInTap_, activeTouchCount());
    if (touchesInTap_ > numberOfTouchesRequired_) {
        setState(UIGestureRecognizerStateFailed);
    }
}

void UITapGestureRecognizer::touchesMoved(const UITouchSet&, UIEvent&)
{
    if (distance(centroidInWindow(), tapStart_) > kUITapAllowableMovement) {
        setState(UIGestureRecognizerStateFailed);
    }
}

void UITapGestureRecognizer::touchesEnded(const UITouchSet&, UIEvent&)
{
    if (distance(centroidInWindow(), tapStart_) > kUITapAllowableMovement) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    if (activeTouchCount() > 0) {
        return;
    }
    const std::size_t fingers = touchesInTap_;
    touchesInTap_ = 0;
    if (fingers != numberOfTouchesRequired_) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    if (++taps_ >= numberOfTapsRequired_) {
        setState(UIGestureRecognizerStateRecognized);
        return;
    }
    waiting_ = true;
    scheduleTimer(kUIMultiTapInterval, [this] {
        waiting_ = false;
        setState(UIGestureRecognizerStateFailed);
    });
}

void UITapGestureRecognizer::reset()
{
    taps_ = 0;
    touchesInTap_ = 0;
    waiting_ = false;
}
