#pragma once

#include "Platform/UIKit/UIGestureRecognizer.h"

enum UISwipeGestureRecognizerDirection : unsigned {
    UISwipeGestureRecognizerDirectionRight = 1u << 0,
    UISwipeGestureRecognizerDirectionLeft = 1u << 1,
    UISwipeGestureRecognizerDirectionUp = 1u << 2,
    UISwipeGestureRecognizerDirectionDown = 1u << 3,
};

// A discrete gesture: numberOfTouchesRequired fingers moving at least kUISwipeMinimumDistance
// in one of the permitted directions within kUISwipeMaximumDuration of touch-down, straying
// sideways by no more than kUISwipeMaximumSlope of that distance. It recognizes as soon as the
// distance is covered.
class UISwipeGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    [[nodiscard]] std::string className() const override { return "UISwipeGestureRecognizer"; }

    [[nodiscard]] unsigned direction() const { return direction_; }
    void setDirection(unsigned direction) { direction_ = direction; }
    [[nodiscard]] unsigned numberOfTouchesRequired() const { return numberOfTouchesRequired_; }
    void setNumberOfTouchesRequired(unsigned touches) { numberOfTouchesRequired_ = touches == 0 ? 1 : touches; }

protected:
    void touchesBegan(const UITouchSet& touches, UIEvent& event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent& event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent& event) override;
    void reset() override;

private:
    // Recognizes, fails, or waits, given the movement so far.
    void evaluate(double timestamp, bool lifted);

    unsigned direction_ { UISwipeGestureRecognizerDirectionRight };
    unsigned numberOfTouchesRequired_ { 1 };
    bool started_ { false };
    CGPoint start_ {};
    double startTime_ { 0 };
    std::size_t maxTouches_ { 0 };
};
