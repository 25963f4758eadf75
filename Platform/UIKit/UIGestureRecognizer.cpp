#include "Platform/UIKit/UIGestureRecognizer.h"

#include <algorithm>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIEvent.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// Recognizers holding touches or waiting between touch sequences. Plain pointers: a recognizer
// takes itself out when it resets or dies.
std::vector<UIGestureRecognizer*>& participants()
{
    static std::vector<UIGestureRecognizer*> list;
    return list;
}

bool isRunning(UIGestureRecognizerState state)
{
    return state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateChanged;
}

bool isFinished(UIGestureRecognizerState state)
{
    return state == UIGestureRecognizerStateEnded || state == UIGestureRecognizerStateCancelled
        || state == UIGestureRecognizerStateFailed;
}

} // namespace

UIGestureRecognizer::UIGestureRecognizer(Action action)
{
    if (action) {
        actions_.push_back(std::move(action));
    }
}

UIGestureRecognizer::~UIGestureRecognizer()
{
    if (timer_) {
        timer_->invalidate();
    }
    std::erase(participants(), this);
}

void UIGestureRecognizer::addTarget(Action action)
{
    if (action) {
        actions_.push_back(std::move(action));
    }
}

void UIGestureRecognizer::setView(UIView* view)
{
    if (view_ == view) {
        return;
    }
    view_ = view;
    if (view == nullptr && participating_) {
        // Taken off its view mid-gesture: it stops without telling anyone.
        touches_.clear();
        resetNow();
    }
}

void UIGestureRecognizer::requireGestureRecognizerToFail(const UIGestureRecognizerRef& other)
{
    if (other && other.get() != this) {
        requiredToFail_.push_back(other);
    }
}

// ---- Touches ----------------------------------------------------------------------------------

void UIGestureRecognizer::beginTracking(const UITouchRef& touch)
{
    touches_.push_back(touch);
    if (!participating_) {
        participating_ = true;
        participants().push_back(this);
    }
}

bool UIGestureRecognizer::holdsTouch(const UITouch* touch) const
{
    return std::any_of(touches_.begin(), touches_.end(), [touch](const UITouchRef& t) { return t.get() == touch; });
}

std::size_t UIGestureRecognizer::activeTouchCount() const
{
    return std::size_t(std::count_if(touches_.begin(), touches_.end(), [](const UITouchRef& t) {
        return t->phase() != UITouchPhaseEnded && t->phase() != UITouchPhaseCancelled;
    }));
}

CGPoint UIGestureRecognizer::centroidInWindow() const
{
    if (touches_.empty()) {
        return lastLocation_;
    }
    CGPoint sum {};
    for (const auto& touch : touches_) {
        const CGPoint p = touch->windowLocation();
        sum.x += p.x;
        sum.y += p.y;
    }
    return { sum.x / double(touches_.size()), sum.y / double(touches_.size()) };
}

void UIGestureRecognizer::rememberLocation()
{
    if (!touches_.empty()) {
        lastLocation_ = centroidInWindow();
        lastWindow_ = touches_.front()->window();
    }
}

CGPoint UIGestureRecognizer::locationInView(const UIView* view) const
{
    const CGPoint inWindow = centroidInWindow();
    const auto window = touches_.empty() ? lastWindow_.lock() : touches_.front()->window();
    if (view == nullptr || !window) {
        return inWindow;
    }
    return view->convertPointFromView(inWindow, window.get());
}

CGPoint UIGestureRecognizer::windowPointInView(CGPoint point) const
{
    const auto window = touches_.empty() ? lastWindow_.lock() : touches_.front()->window();
    if (view_ == nullptr || !window) {
        return point;
    }
    return view_->convertPointFromView(point, window.get());
}

std::size_t UIGestureRecognizer::numberOfTouches() const
{
    return activeTouchCount();
}

CGPoint UIGestureRecognizer::locationOfTouchInView(std::size_t index, const UIView* view) const
{
    if (index >= touches_.size()) {
        return locationInView(view);
    }
    return touches_[index]->locationInView(view);
}

void UIGestureRecognizer::touchesCancelled(const UITouchSet&, UIEvent&)
{
    setState(isRunning(state_) ? UIGestureRecognizerStateCancelled : UIGestureRecognizerStateFailed);
}

void UIGestureRecognizer::deliverEvent(UIEvent& event, const UITouchSet& touches)
{
    // New touches join the recognizers of their view and its ancestors.
    for (const auto& touch : touches) {
        if (touch->phase() != UITouchPhaseBegan) {
            continue;
        }
        std::vector<UIGestureRecognizerRef> chosen;
        for (UIView* view = touch->view().get(); view != nullptr; view = view->superview()) {
            for (const auto& recognizer : view->gestureRecognizers()) {
                if (!recognizer->enabled_ || isFinished(recognizer->state_)) {
                    continue;
                }
                if (recognizer->delegate_ != nullptr
                    && !recognizer->delegate_->gestureRecognizerShouldReceiveTouch(recognizer.get(), touch.get())) {
                    continue;
                }
                chosen.push_back(recognizer);
                recognizer->beginTracking(touch);
            }
        }
        touch->setGestureRecognizers(std::move(chosen));
    }

    // Each recognizer hears its touches of this event, by phase, in the order they first appear.
    std::vector<UIGestureRecognizerRef> order;
    for (const auto& touch : touches) {
        for (const auto& recognizer : touch->gestureRecognizers()) {
            if (std::find(order.begin(), order.end(), recognizer) == order.end()) {
                order.push_back(recognizer);
            }
        }
    }
    for (const auto& recognizer : order) {
        UITouchSet byPhase[5];
        for (const auto& touch : touches) {
            if (recognizer->holdsTouch(touch.get()) && touch->phase() != UITouchPhaseStationary) {
                byPhase[touch->phase()].push_back(touch);
            }
        }
        recognizer->rememberLocation();
        if (!byPhase[UITouchPhaseBegan].empty() && !isFinished(recognizer->state_)) {
            recognizer->touchesBegan(byPhase[UITouchPhaseBegan], event);
        }
        if (!byPhase[UITouchPhaseMoved].empty() && !isFinished(recognizer->state_)) {
            recognizer->touchesMoved(byPhase[UITouchPhaseMoved], event);
        }
        if (!byPhase[UITouchPhaseEnded].empty() && !isFinished(recognizer->state_)) {
            recognizer->touchesEnded(byPhase[UITouchPhaseEnded], event);
        }
        if (!byPhase[UITouchPhaseCancelled].empty() && !isFinished(recognizer->state_)) {
            recognizer->touchesCancelled(byPhase[UITouchPhaseCancelled], event);
        }
    }

    // Lifted touches leave their recognizers; a recognizer left without touches is done unless it
    // waits for another sequence.
    for (const auto& recognizer : order) {
        recognizer->rememberLocation();
        std::erase_if(recognizer->touches_, [](const UITouchRef& t) {
            return t->phase() == UITouchPhaseEnded || t->phase() == UITouchPhaseCancelled;
        });
        if (!recognizer->touches_.empty() || !recognizer->participating_) {
            continue;
        }
        if (isRunning(recognizer->state_)) {
            // A continuous gesture whose touches all lifted without it ending.
            recognizer->setState(UIGestureRecognizerStateCancelled);
        } else if (recognizer->state_ == UIGestureRecognizerStatePossible && !recognizer->pending_
                   && !recognizer->isWaitingForMoreTouches()) {
            recognizer->fail();
        }
        if (isFinished(recognizer->state_) && recognizer->touches_.empty()) {
            recognizer->resetNow();
        }
    }
}

// ---- State ------------------------------------------------------------------------------------

void UIGestureRecognizer::setState(UIGestureRecognizerState state)
{
    if (dispatching_) {
        queued_.push_back({ Op::SetState, state });
        return;
    }
    applyState(state);
}

void UIGestureRecognizer::applyState(UIGestureRecognizerState state)
{
    auto keep = shared_from_this();
    switch (state) {
    case UIGestureRecognizerStatePossible:
        return;
    case UIGestureRecognizerStateBegan:
    case UIGestureRecognizerStateEnded:
        if (state_ == UIGestureRecognizerStatePossible) {
            recognize(state);
        } else if (isRunning(state_) && state == UIGestureRecognizerStateEnded) {
            state_ = state;
            sendActions();
        }
        break;
    case UIGestureRecognizerStateChanged:
        if (isRunning(state_)) {
            state_ = state;
            sendActions();
        }
        break;
    case UIGestureRecognizerStateCancelled:
        if (isRunning(state_)) {
            state_ = state;
            sendActions();
        } else if (state_ == UIGestureRecognizerStatePossible) {
            fail();
        }
        break;
    case UIGestureRecognizerStateFailed:
        if (state_ == UIGestureRecognizerStatePossible) {
            fail();
        }
        break;
    }
    if (isFinished(state_) && touches_.empty() && participating_) {
        resetNow();
    }
}

bool UIGestureRecognizer::mayRunWith(UIGestureRecognizer* other)
{
    return (delegate_ != nullptr && delegate_->gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(this, other))
        || (other->delegate_ != nullptr
            && other->delegate_->gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(other, this));
}

void UIGestureRecognizer::recognize(UIGestureRecognizerState state)
{
    if (!enabled_) {
        return;
    }
    for (const auto& weak : requiredToFail_) {
        const auto other = weak.lock();
        if (!other) {
            continue;
        }
        if (other->state_ == UIGestureRecognizerStatePossible && other->participating_) {
            pending_ = state;
            return;
        }
        if (isRunning(other->state_) || other->state_ == UIGestureRecognizerStateEnded) {
            fail();
            return;
        }
    }
    pending_.reset();
    for (UIGestureRecognizer* other : std::vector<UIGestureRecognizer*>(participants())) {
        if (other != this && isRunning(other->state_) && !mayRunWith(other)) {
            fail();
            return;
        }
    }
    if (delegate_ != nullptr && !delegate_->gestureRecognizerShouldBegin(this)) {
        fail();
        return;
    }
    state_ = state;
    // Recognizing wins the touches from the other possible recognizers still holding touches.
    for (UIGestureRecognizer* other : std::vector<UIGestureRecognizer*>(participants())) {
        // Touches lifting in this very event still count as held; a multi-tap recognizer that
        // has taken its tap and waits for the next holds nothing.
        if (other == this || other->state_ != UIGestureRecognizerStatePossible || other->touches_.empty()
            || other->isWaitingForMoreTouches()) {
            continue;
        }
        if (std::find(participants().begin(), participants().end(), other) == participants().end()) {
            continue;
        }
        if (!mayRunWith(other)) {
            auto keepOther = other->shared_from_this();
            other->fail();
        }
    }
    if (cancelsTouchesInView_) {
        for (const auto& touch : touches_) {
            if (touch->isCancelledForView()) {
                continue;
            }
            touch->setCancelledForView();
            if (touch->viewHasBegun() && touch->view()) {
                touch->view()->touchesCancelled({ touch }, nullptr);
            }
        }
    }
    dependentsReevaluate(true);
    sendActions();
}

void UIGestureRecognizer::fail()
{
    if (state_ != UIGestureRecognizerStatePossible) {
        return;
    }
    state_ = UIGestureRecognizerStateFailed;
    pending_.reset();
    cancelTimer();
    dependentsReevaluate(false);
}

void UIGestureRecognizer::dependentsReevaluate(bool otherRecognized)
{
    for (UIGestureRecognizer* other : std::vector<UIGestureRecognizer*>(participants())) {
        if (other == this || !other->pending_) {
            continue;
        }
        const bool depends = std::any_of(other->requiredToFail_.begin(), other->requiredToFail_.end(),
                                         [this](const std::weak_ptr<UIGestureRecognizer>& w) { return w.lock().get() == this; });
        if (!depends) {
            continue;
        }
        auto keepOther = other->shared_from_this();
        if (otherRecognized) {
            other->fail();
        } else {
            const auto state = *other->pending_;
            other->pending_.reset();
            other->setState(state);
            if (isFinished(other->state_) && other->touches_.empty() && other->participating_) {
                other->resetNow();
            }
        }
    }
}

void UIGestureRecognizer::sendActions()
{
    auto keep = shared_from_this();
    dispatching_ = true;
    const auto actions = actions_;
    try {
        for (const auto& action : actions) {
            action(*this);
        }
    } catch (...) {
        dispatching_ = false;
        throw;
    }
    dispatching_ = false;
    while (!queued_.empty()) {
        const PendingOp op = queued_.front();
        queued_.pop_front();
        if (op.op == Op::Disable) {
            performDisable();
        } else {
            applyState(op.state);
        }
    }
}

void UIGestureRecognizer::setEnabled(bool enabled)
{
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (enabled) {
        return;
    }
    if (dispatching_) {
        queued_.push_back({ Op::Disable, state_ });
        return;
    }
    performDisable();
}

void UIGestureRecognizer::performDisable()
{
    auto keep = shared_from_this();
    if (isRunning(state_)) {
        state_ = UIGestureRecognizerStateCancelled;
        sendActions();
    } else if (state_ == UIGestureRecognizerStatePossible && participating_) {
        fail();
    }
    // The touches that are down are no longer this recognizer's.
    touches_.clear();
    if (participating_) {
        resetNow();
    }
}

void UIGestureRecognizer::resetNow()
{
    cancelTimer();
    pending_.reset();
    state_ = UIGestureRecognizerStatePossible;
    if (participating_) {
        participating_ = false;
        std::erase(participants(), this);
    }
    reset();
}

void UIGestureRecognizer::scheduleTimer(double seconds, std::function<void()> work)
{
    cancelTimer();
    std::weak_ptr<UIGestureRecognizer> weak = weak_from_this();
    timer_ = performAfterDelay(
        [weak, work = std::move(work)] {
            if (auto self = weak.lock()) {
                work();
            }
        },
        seconds);
}

void UIGestureRecognizer::cancelTimer()
{
    if (timer_) {
        timer_->invalidate();
        timer_.reset();
    }
}

std::size_t UIGestureRecognizer::participantCount()
{
    return participants().size();
}

void UIGestureRecognizer::resetAllForTesting()
{
    for (UIGestureRecognizer* recognizer : std::vector<UIGestureRecognizer*>(participants())) {
        recognizer->touches_.clear();
        recognizer->resetNow();
    }
    participants().clear();
}
