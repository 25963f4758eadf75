#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIGestureConstants.h"
#include "Platform/UIKit/UIGestureRecognizerDelegate.h"

enum UIGestureRecognizerState : int {
    UIGestureRecognizerStatePossible = 0,
    UIGestureRecognizerStateBegan = 1,
    UIGestureRecognizerStateChanged = 2,
    UIGestureRecognizerStateEnded = 3,
    UIGestureRecognizerStateCancelled = 4,
    UIGestureRecognizerStateFailed = 5,
    UIGestureRecognizerStateRecognized = UIGestureRecognizerStateEnded,
};

// Turns touch sequences on a view into a gesture, and calls its actions at every change of
// state (began, changed, ended, cancelled; a discrete gesture only at ended).
//
// Rules between recognizers (all recognizers whose view is hit by a touch, or is an ancestor of
// that view, see the touch, in the order: the hit view's first, in the order added):
// - a recognizer may leave the possible state only when its delegate agrees
//   (gestureRecognizerShouldBegin), no other recognizer is running (began or changed) that may not
//   run simultaneously with it, and every recognizer it requires to fail has failed (it waits
//   while they are still possible, and fails when they recognize);
// - when it recognizes, the other recognizers still possible and still holding touches fail,
//   unless one of the two delegates lets them recognize simultaneously. A multi-tap recognizer
//   waiting between taps holds no touches, so a single tap can fire while a double tap waits;
// - a recognizer that recognizes takes its touches from the view (touchesCancelled) when
//   cancelsTouchesInView is set (default);
// - disabling a recognizer cancels (running) or fails (possible) it, and it ignores the touches
//   that are down; enabling it again lets it see the next touches;
// - a state change asked for from inside the recognizer's own action is carried out after the
//   action returns, so an action never runs inside itself.
// A recognizer returns to possible when all its touches have lifted after it ended, failed or
// was cancelled. Recognizers are shared objects (std::make_shared). Main thread only.
class UIGestureRecognizer : public std::enable_shared_from_this<UIGestureRecognizer> {
public:
    using Action = std::function<void(UIGestureRecognizer&)>;

    explicit UIGestureRecognizer(Action action = {});
    virtual ~UIGestureRecognizer();
    UIGestureRecognizer(const UIGestureRecognizer&) = delete;
    UIGestureRecognizer& operator=(const UIGestureRecognizer&) = delete;

    // The class name, as the platform would answer it for this recognizer.
    [[nodiscard]] virtual std::string className() const { return "UIGestureRecognizer"; }

    void addTarget(Action action);
    void removeAllTargets() { actions_.clear(); }

    [[nodiscard]] UIGestureRecognizerState state() const { return state_; }
    [[nodiscard]] bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    [[nodiscard]] UIView* view() const { return view_; }
    // Set by UIView::addGestureRecognizer / removeGestureRecognizer.
    void setView(UIView* view);
    // Not owned: the delegate outlives the recognizer or clears itself (normally the view or its
    // owner, which owns the recognizer).
    [[nodiscard]] UIGestureRecognizerDelegate* delegate() const { return delegate_; }
    void setDelegate(UIGestureRecognizerDelegate* delegate) { delegate_ = delegate; }
    [[nodiscard]] bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }

    void requireGestureRecognizerToFail(const UIGestureRecognizerRef& other);

    // The centre of the touches (or where they were last), in the view's coordinates (null: the
    // window's).
    [[nodiscard]] CGPoint locationInView(const UIView* view) const;
    [[nodiscard]] std::size_t numberOfTouches() const;
    [[nodiscard]] CGPoint locationOfTouchInView(std::size_t index, const UIView* view) const;

    // Delivery of one event to the recognizers of its touches (used by UIWindow::sendEvent).
    static void deliverEvent(UIEvent& event, const UITouchSet& touches);
    // Recognizers between touch sequences, or holding touches (tests).
    [[nodiscard]] static std::size_t participantCount();
    // Drops every participant at once, without actions (tests).
    static void resetAllForTesting();

protected:
    // Touches of this recognizer in one event, by phase.
    virtual void touchesBegan(const UITouchSet& touches, UIEvent& event) { }
    virtual void touchesMoved(const UITouchSet& touches, UIEvent& event) { }
    virtual void touchesEnded(const UITouchSet& touches, UIEvent& event) { }
    virtual void touchesCancelled(const UITouchSet& touches, UIEvent& event);
    // Back to the start, ready for a new gesture.
    virtual void reset() { }
    // True while a multi-touch-sequence gesture waits for its next sequence (no touches held).
    [[nodiscard]] virtual bool isWaitingForMoreTouches() const { return false; }

    // Asks for a change of state; the rules above decide whether and when it happens.
    void setState(UIGestureRecognizerState state);
    // The touches held, lifted ones included until the end of the event that lifted them.
    [[nodiscard]] const UITouchSet& touches() const { return touches_; }
    // Touches still down (not ended or cancelled).
    [[nodiscard]] std::size_t activeTouchCount() const;
    // The centre of the held touches in window coordinates.
    [[nodiscard]] CGPoint centroidInWindow() const;
    // A point in the touches' window coordinates, in this recognizer's view: the interface's
    // axes, which differ from the window's when the interface is turned.
    [[nodiscard]] CGPoint windowPointInView(CGPoint point) const;
    // Runs after `seconds` on the run loop while this recognizer lives; cancelled by reset.
    void scheduleTimer(double seconds, std::function<void()> work);
    void cancelTimer();

private:
    enum class Op { SetState, Disable };
    struct PendingOp {
        Op op;
        UIGestureRecognizerState state;
    };

    void beginTracking(const UITouchRef& touch);
    void applyState(UIGestureRecognizerState state);
    void recognize(UIGestureRecognizerState state);
    void fail();
    void performDisable();
    void sendActions();
    void resetNow();
    void dependentsReevaluate(bool otherRecognized);
    void rememberLocation();
    [[nodiscard]] bool holdsTouch(const UITouch* touch) const;
    [[nodiscard]] bool mayRunWith(UIGestureRecognizer* other);

    std::vector<Action> actions_;
    UIGestureRecognizerState state_ { UIGestureRecognizerStatePossible };
    bool enabled_ { true };
    UIView* view_ { nullptr }; // not owned: the view owns this recognizer and clears it
    UIGestureRecognizerDelegate* delegate_ { nullptr };
    bool cancelsTouchesInView_ { true };
    std::vector<std::weak_ptr<UIGestureRecognizer>> requiredToFail_;
    UITouchSet touches_;
    // A recognition waiting for the recognizers it requires to fail.
    std::optional<UIGestureRecognizerState> pending_;
    bool dispatching_ { false };
    std::deque<PendingOp> queued_;
    bool participating_ { false };
    CGPoint lastLocation_ {};
    std::weak_ptr<UIWindow> lastWindow_;
    PerformHandle timer_;
};
