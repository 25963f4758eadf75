#pragma once

#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"

enum UITouchPhase : int {
    UITouchPhaseBegan = 0,
    UITouchPhaseMoved = 1,
    UITouchPhaseStationary = 2,
    UITouchPhaseEnded = 3,
    UITouchPhaseCancelled = 4,
};

// One finger on the screen from touch-down to lift-off. Its place is kept in its window's
// coordinates; the view is the one hit when it began.
class UITouch {
public:
    [[nodiscard]] CGPoint locationInView(const UIView* view) const;
    [[nodiscard]] CGPoint previousLocationInView(const UIView* view) const;
    [[nodiscard]] UITouchPhase phase() const { return phase_; }
    // Seconds on the run-loop clock of the last change.
    [[nodiscard]] double timestamp() const { return timestamp_; }
    // 1 for a single tap, 2 when it began soon after and near the end of a previous tap, ...
    [[nodiscard]] unsigned tapCount() const { return tapCount_; }
    [[nodiscard]] const UIViewRef& view() const { return view_; }
    [[nodiscard]] const UIWindowRef& window() const { return window_; }
    [[nodiscard]] const std::vector<UIGestureRecognizerRef>& gestureRecognizers() const { return gestureRecognizers_; }

    // Set by the application and the window as the touch moves.
    void update(UITouchPhase phase, CGPoint windowPoint, double timestamp);
    void setView(UIViewRef view) { view_ = std::move(view); }
    void setWindow(UIWindowRef window) { window_ = std::move(window); }
    void setTapCount(unsigned count) { tapCount_ = count; }
    void setGestureRecognizers(std::vector<UIGestureRecognizerRef> recognizers) { gestureRecognizers_ = std::move(recognizers); }
    // Once a recognizer has taken the touch for itself, the view no longer hears of it.
    [[nodiscard]] bool isCancelledForView() const { return cancelledForView_; }
    void setCancelledForView() { cancelledForView_ = true; }
    [[nodiscard]] bool viewHasBegun() const { return viewHasBegun_; }
    void setViewHasBegun() { viewHasBegun_ = true; }
    [[nodiscard]] CGPoint windowLocation() const { return location_; }

private:
    UITouchPhase phase_ { UITouchPhaseBegan };
    CGPoint location_ {};
    CGPoint previousLocation_ {};
    double timestamp_ { 0 };
    unsigned tapCount_ { 1 };
    UIViewRef view_;
    UIWindowRef window_;
    std::vector<UIGestureRecognizerRef> gestureRecognizers_;
    bool cancelledForView_ { false };
    bool viewHasBegun_ { false };
};
