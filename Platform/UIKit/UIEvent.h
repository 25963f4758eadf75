#pragma once

#include "Platform/UIKit/UITouch.h"

// One change of the touches on the screen: every finger that is down (or just lifted), each with
// its phase.
class UIEvent {
public:
    UIEvent(UITouchSet touches, double timestamp) : touches_(std::move(touches)), timestamp_(timestamp) { }

    [[nodiscard]] const UITouchSet& allTouches() const { return touches_; }
    [[nodiscard]] double timestamp() const { return timestamp_; }
    [[nodiscard]] UITouchSet touchesForView(const UIView* view) const;
    [[nodiscard]] UITouchSet touchesForWindow(const UIWindow* window) const;
    [[nodiscard]] UITouchSet touchesForGestureRecognizer(const UIGestureRecognizer* recognizer) const;

private:
    UITouchSet touches_;
    double timestamp_ { 0 };
};
