#pragma once

#include "Platform/UIKit/UIView.h"

class UIClassRegistry;

enum UIActivityIndicatorViewStyle : int {
    UIActivityIndicatorViewStyleWhiteLarge = 0,
    UIActivityIndicatorViewStyleWhite = 1,
    UIActivityIndicatorViewStyleGray = 2,
};

// The spinner: twelve spokes fading around a circle, turning a twelfth at a time while it
// animates. The turning is a layer animation, so the picture is drawn once and only
// recomposited. Stopped, it hides when hidesWhenStopped (the default) and is hidden from the
// start. The spokes keep the style's size (37 points large, 20 otherwise), centred in the bounds.
class UIActivityIndicatorView : public UIView {
public:
    static constexpr CGFloat kLargeSize = 37;
    static constexpr CGFloat kSmallSize = 20;
    static constexpr int kSpokes = 12;
    static constexpr double kTurnDuration = 1.0;

    explicit UIActivityIndicatorView(CGRect frame = CGRectZero);
    // A view of the style's size at the origin.
    explicit UIActivityIndicatorView(UIActivityIndicatorViewStyle style);

    [[nodiscard]] UIActivityIndicatorViewStyle activityIndicatorViewStyle() const { return style_; }
    void setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle style);
    [[nodiscard]] bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    [[nodiscard]] bool isAnimating() const { return animating_; }

    void drawRect(CGRect rect) override;
    void didMoveToWindow() override;

    // "UIActivityIndicatorView": activityIndicatorViewStyle, hidesWhenStopped, animating.
    static void registerInterfaceClass(UIClassRegistry& registry);

private:
    void addTurning();

    UIActivityIndicatorViewStyle style_ { UIActivityIndicatorViewStyleWhite };
    bool hidesWhenStopped_ { true };
    bool animating_ { false };
};
