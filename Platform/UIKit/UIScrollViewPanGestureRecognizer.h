#pragma once

#include "Platform/UIKit/UIPanGestureRecognizer.h"

// The pan that drags a scroll view. It only begins along an axis the scroll view can scroll, so
// a sideways swipe on a vertical list stays a swipe. Its view is the scroll view.
class UIScrollViewPanGestureRecognizer : public UIPanGestureRecognizer {
public:
    using UIPanGestureRecognizer::UIPanGestureRecognizer;
    [[nodiscard]] std::string className() const override { return "UIScrollViewPanGestureRecognizer"; }

protected:
    void touchesBegan(const UITouchSet& touches, UIEvent& event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent& event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent& event) override;
    void reset() override;
    [[nodiscard]] bool canBeginWithTranslation(CGPoint translation) const override;

private:
    void updateTracking();
};
