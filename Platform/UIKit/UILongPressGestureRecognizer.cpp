#include "Platform/UIKit/UILongPressGestureRecognizer.h"

#include <cmath>

void UILongPressGestureRecognizer::touchesBegan(const UITouchSet&, UIEvent&)
{
    const std::size_t count = activeTouchCount();
    if (state() != UIGestureRecognizerStatePossible) {
        return;
    }
    if (count > numberOfTouchesRequired_) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    if (count < numberOfTouchesRequired_ || pressing_) {
        return;
    }
    pressing_ = true;
    start_ = centroidInWindow();
    if (minimumPressDuration_ <= 0) {
        setState(UIGestureRecognizerStateBegan);
        return;
    }
    scheduleTimer(minimumPressDuration_, [this] {
        if (state() == UIGestureRecognizerStatePossible) {
            setState(UIGestureRecognizerStateBegan);
        }
    });
}

void UILongPressGestureRecognizer::touchesMoved(const UITouchSet&, UIEvent&)
{
    if (state() == UIGestureRecognizerStatePossible) {
        const CGPoint now = centroidInWindow();
        if (pressing_ && std::hypot(now.x - start_.x, now.y - start_.y) > allowableMovement_) {
            setState(UIGestureRecognizerStateFailed);
        }
        return;
    }
    setState(UIGestureRecognizerStateChanged);
}

void UILongPressGestureRecognizer::touchesEnded(const UITouchSet&, UIEvent&)
{
    if (state() == UIGestureRecognizerStatePossible) {
        setState(UIGestureRecognizerStateFailed);
        return;
    }
    if (activeTouchCount() < numberOfTouchesRequired_) {
        setState(UIGestureRecognizerStateEnded);
    }
}

void UILongPressGestureRecognizer::reset()
{
    pressing_ = false;
}
