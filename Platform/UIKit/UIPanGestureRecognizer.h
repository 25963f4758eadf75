#pragma once

#include <limits>

#include "Platform/UIKit/UIGestureRecognizer.h"

// A continuous gesture: between minimumNumberOfTouches and maximumNumberOfTouches fingers moving
// together by more than kUIPanHysteresis. It changes with every move and ends when fewer than the
// minimum remain. The translation counts from touch-down.
class UIPanGestureRecognizer : public UIGestureRecognizer {
public:
    using UIGestureRecognizer::UIGestureRecognizer;
    [[nodiscard]] std::string className() const override { return "UIPanGestureRecognizer"; }

    [[nodiscard]] unsigned minimumNumberOfTouches() const { return minimumNumberOfTouches_; }
    void setMinimumNumberOfTouches(unsigned touches) { minimumNumberOfTouches_ = touches == 0 ? 1 : touches; }
    [[nodiscard]] unsigned maximumNumberOfTouches() const { return maximumNumberOfTouches_; }
    void setMaximumNumberOfTouches(unsigned touches) { maximumNumberOfTouches_ = touches; }

    [[nodiscard]] CGPoint translationInView(const UIView* view) const;
    void setTranslationInView(CGPoint translation, const UIView* view);
    // Points per second, from the last two moves.
    [[nodiscard]] CGPoint velocityInView(const UIView* view) const;

protected:
    void touchesBegan(const UITouchSet& touches, UIEvent& event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent& event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent& event) override;
    void reset() override;
    // Last say before the pan begins, given its translation in window coordinates.
    [[nodiscard]] virtual bool canBeginWithTranslation(CGPoint translation) const { return true; }

private:
    [[nodiscard]] bool touchCountFits(std::size_t count) const;
    void sample(double timestamp);
    // The centre of the touches still down, in window coordinates.
    [[nodiscard]] CGPoint activeCentroid() const;
    [[nodiscard]] CGPoint fromWindow(CGPoint point, const UIView* view) const;

    unsigned minimumNumberOfTouches_ { 1 };
    unsigned maximumNumberOfTouches_ { std::numeric_limits<unsigned>::max() };
    // Where the translation counts from (window coordinates, moved along when fingers join or
    // leave so the centre does not jump) and the translation set by setTranslationInView.
    CGPoint start_ {};
    CGPoint base_ {};
    std::weak_ptr<UIWindow> window_;
    CGPoint lastCentroid_ {};
    CGPoint previousCentroid_ {};
    double lastTime_ { 0 };
    double previousTime_ { 0 };
    std::size_t lastCount_ { 0 };
};
