#include "Platform/UIKit/UIPanGestureRecognizer.h"

#include <cmath>

#include "Platform/UIKit/UIEvent.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

CGPoint UIPanGestureRecognizer::activeCentroid() const
{
    CGPoint sum {};
    std::size_t count = 0;
    for (const auto& touch : touches()) {
        if (touch->phase() == UITouchPhaseEnded || touch->phase() == UITouchPhaseCancelled) {
            continue;
        }
        sum.x += touch->windowLocation().x;
        sum.y += touch->windowLocation().y;
        ++count;
    }
    return count == 0 ? lastCentroid_ : CGPoint { sum.x / double(count), sum.y / double(count) };
}

CGPoint UIPanGestureRecognizer::fromWindow(CGPoint point, const UIView* view) const
{
    const auto window = window_.lock();
    if (view == nullptr || !window) {
        return point;
    }
    return view->convertPointFromView(point, window.get());
}

bool UIPanGestureRecognizer::touchCountFits(std::size_t count) const
{
    return count >= minimumNumberOfTouches_ && count <= maximumNumberOfTouches_;
}

void UIPanGestureRecognizer::sample(double timestamp)
{
    previousCentroid_ = lastCentroid_;
    previousTime_ = lastTime_;
    lastCentroid_ = activeCentroid();
    lastTime_ = timestamp;
    lastCount_ = activeTouchCount();
}

void UIPanGestureRecognizer::touchesBegan(const UITouchSet& touches, UIEvent& event)
{
    if (lastCount_ == 0) {
        window_ = touches.front()->window();
        start_ = activeCentroid();
        base_ = {};
        lastCentroid_ = start_;
        previousCentroid_ = start_;
        lastTime_ = event.timestamp();
        previousTime_ = lastTime_;
    } else {
        // A finger joined: keep the translation where it was.
        const CGPoint now = activeCentroid();
        start_.x += now.x - lastCentroid_.x;
        start_.y += now.y - lastCentroid_.y;
    }
    lastCentroid_ = activeCentroid();
    lastCount_ = activeTouchCount();
}

void UIPanGestureRecognizer::touchesMoved(const UITouchSet&, UIEvent& event)
{
    sample(event.timestamp());
    if (state() == UIGestureRecognizerStatePossible) {
        // In the view's axes: the interface may be turned against the window.
        const CGPoint translation = translationInView(view());
        if (touchCountFits(lastCount_) && std::hypot(translation.x, translation.y) > kUIPanHysteresis) {
            if (!canBeginWithTranslation(translation)) {
                setState(UIGestureRecognizerStateFailed);
                return;
            }
            setState(UIGestureRecognizerStateBegan);
        }
        return;
    }
    setState(UIGestureRecognizerStateChanged);
}

void UIPanGestureRecognizer::touchesEnded(const UITouchSet&, UIEvent& event)
{
    const std::size_t remaining = activeTouchCount();
    if (remaining < minimumNumberOfTouches_) {
        lastTime_ = event.timestamp();
        setState(state() == UIGestureRecognizerStatePossible ? UIGestureRecognizerStateFailed : UIGestureRecognizerStateEnded);
        return;
    }
    // A finger left: keep the translation where it was.
    const CGPoint now = activeCentroid();
    start_.x += now.x - lastCentroid_.x;
    start_.y += now.y - lastCentroid_.y;
    lastCentroid_ = now;
    lastCount_ = remaining;
}

void UIPanGestureRecognizer::reset()
{
    lastCount_ = 0;
    base_ = {};
}

CGPoint UIPanGestureRecognizer::translationInView(const UIView* view) const
{
    const CGPoint now = fromWindow(lastCentroid_, view);
    const CGPoint from = fromWindow(start_, view);
    return { now.x - from.x + base_.x, now.y - from.y + base_.y };
}

void UIPanGestureRecognizer::setTranslationInView(CGPoint translation, const UIView*)
{
    start_ = lastCentroid_;
    base_ = translation;
}

CGPoint UIPanGestureRecognizer::velocityInView(const UIView* view) const
{
    const double dt = lastTime_ - previousTime_;
    if (dt <= 0) {
        return {};
    }
    const CGPoint a = fromWindow(previousCentroid_, view);
    const CGPoint b = fromWindow(lastCentroid_, view);
    return { (b.x - a.x) / dt, (b.y - a.y) / dt };
}
