#pragma once

#include <memory>

#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIView.h"

class UITapGestureRecognizer;

// A panel of the test scene that shows taps: it counts them and marks where the last one fell.
class SceneTapView : public UIView {
public:
    static constexpr CGFloat kMarkRadius = 14;

    explicit SceneTapView(CGRect frame);
    // Adds the tap recognizer (it needs the view made shared first).
    static std::shared_ptr<SceneTapView> make(CGRect frame);

    [[nodiscard]] int taps() const { return taps_; }
    [[nodiscard]] CGPoint lastTap() const { return lastTap_; }

    void drawRect(CGRect rect) override;

private:
    int taps_ { 0 };
    CGPoint lastTap_ {};
    UIFontRef font_;
};
