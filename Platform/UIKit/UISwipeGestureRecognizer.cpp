#include "Platform/UIKit/UISwipeGestureRecognizer.h"

#include <algorithm>
#include <cmath>

#include "Platform/UIKit/UIEvent.h"

void UISwipeGestureRecognizer::touchesBegan(const UITouchSet&, UIEvent& event)
{
    maxTouches_ = std::max(maxTouches_, activeTouchCount());
    if (maxTouches_ > numberOfTouchesRequired_) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    if (maxTouches_ == numberOfTouchesRequired_ && !started_) {
        started_ = true;
        start_ = centroidInWindow();
        startTime_ = event.timestamp();
        scheduleTimer(kUISwipeMaximumDuration, [this] {
            if (state() == UIGestureRecognizerStatePossible) {
                setState(UIGestureRecognizerStateFailed);
            }
        });
    }
}

void UISwipeGestureRecognizer::touchesMoved(const UITouchSet&, UIEvent& event)
{
    evaluate(event.timestamp(), false);
}

void UISwipeGestureRecognizer::touchesEnded(const UITouchSet&, UIEvent& event)
{
    evaluate(event.timestamp(), true);
}

void UISwipeGestureRecognizer::evaluate(double timestamp, bool lifted)
{
    if (state() != UIGestureRecognizerStatePossible) {
        return;
    }
    if (!started_ || timestamp - startTime_ > kUISwipeMaximumDuration) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    // Both ends converted now, so the direction is read in the view's axes (turned with the
    // interface) while a scroll of the view in between does not count as movement.
    const CGPoint from = windowPointInView(start_);
    const CGPoint now = windowPointInView(centroidInWindow());
    const CGFloat dx = now.x - from.x;
    const CGFloat dy = now.y - from.y;
    struct Axis {
        unsigned direction;
        CGFloat along;
        CGFloat across;
    };
    const Axis axes[] = {
        { UISwipeGestureRecognizerDirectionRight, dx, dy },
        { UISwipeGestureRecognizerDirectionLeft, -dx, dy },
        { UISwipeGestureRecognizerDirectionDown, dy, dx },
        { UISwipeGestureRecognizerDirectionUp, -dy, dx },
    };
    for (const Axis& axis : axes) {
        if ((direction_ & axis.direction) != 0 && axis.along >= kUISwipeMinimumDistance
            && std::fabs(axis.across) <= axis.along * kUISwipeMaximumSlope) {
            setState(UIGestureRecognizerStateRecognized);
            return;
        }
    }
    // Far enough to have been a swipe, but not a permitted one; or lifted before it was.
    if (lifted || std::hypot(dx, dy) >= kUISwipeMinimumDistance) {
        setState(UIGestureRecognizerStateFailed);
    }
}

void UISwipeGestureRecognizer::reset()
{
    started_ = false;
    maxTouches_ = 0;
}
