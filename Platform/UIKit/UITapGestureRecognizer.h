#pragma once

#include "Platform/UIKit/UIGestureRecognizer.h"

// A discrete gesture: numberOfTapsRequired taps of numberOfTouchesRequired fingers, each tap
// moving no more than kUITapAllowableMovement, the next tap beginning within kUIMultiTapInterval
// of the previous lift-off and near the first. It recognizes at the last lift-off.
class UITapGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    [[nodiscard]] std::string className() const override { return "UITapGestureRecognizer"; }

    [[nodiscard]] unsigned numberOfTapsRequired() const { return numberOfTapsRequired_; }
    void setNumberOfTapsRequired(unsigned taps) { numberOfTapsRequired_ = taps == 0 ? 1 : taps; }
    [[nodiscard]] unsigned numberOfTouchesRequired() const { return numberOfTouchesRequired_; }
    void setNumberOfTouchesRequired(unsigned touches) { numberOfTouchesRequired_ = touches == 0 ? 1 : touches; }

protected:
    void touchesBegan(const UITouchSet& touches, UIEvent& event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent& event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent& event) override;
    void reset() override;
    [[nodiscard]] bool isWaitingForMoreTouches() const override { return waiting_; }

private:
    unsigned numberOfTapsRequired_ { 1 };
    unsigned numberOfTouchesRequired_ { 1 };
    unsigned taps_ { 0 };
    std::size_t touchesInTap_ { 0 };
    bool waiting_ { false };
    CGPoint tapStart_ {};
    CGPoint firstTap_ {};
};
