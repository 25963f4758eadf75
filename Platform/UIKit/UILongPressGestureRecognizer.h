#pragma once

#include "Platform/UIKit/UIGestureRecognizer.h"

// A continuous gesture: numberOfTouchesRequired fingers held for minimumPressDuration (0 begins
// at touch-down) without moving more than allowableMovement first. It then changes with every
// move and ends at lift-off.
class UILongPressGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    [[nodiscard]] std::string className() const override { return "UILongPressGestureRecognizer"; }

    [[nodiscard]] double minimumPressDuration() const { return minimumPressDuration_; }
    void setMinimumPressDuration(double seconds) { minimumPressDuration_ = seconds < 0 ? 0 : seconds; }
    [[nodiscard]] double allowableMovement() const { return allowableMovement_; }
    void setAllowableMovement(double points) { allowableMovement_ = points; }
    [[nodiscard]] unsigned numberOfTouchesRequired() const { return numberOfTouchesRequired_; }
    void setNumberOfTouchesRequired(unsigned touches) { numberOfTouchesRequired_ = touches == 0 ? 1 : touches; }

protected:
    void touchesBegan(const UITouchSet& touches, UIEvent& event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent& event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent& event) override;
    void reset() override;

private:
    double minimumPressDuration_ { kUILongPressDefaultDuration };
    double allowableMovement_ { kUILongPressDefaultAllowableMovement };
    unsigned numberOfTouchesRequired_ { 1 };
    bool pressing_ { false };
    CGPoint start_ {};
};
