#pragma once

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIView.h"

class UIClassRegistry;

enum UIProgressViewStyle : int {
    UIProgressViewStyleDefault = 0,
    UIProgressViewStyleBar = 1,
};

// A bar filled from the left to the progress (0 to 1; other values are clamped, NaN counts as
// 0), in the progress tint over the track tint (the platform's blue over light grey when none is
// set), drawn kHeight points high, centred in the bounds.
class UIProgressView : public UIView {
public:
    static constexpr CGFloat kHeight = 9;

    explicit UIProgressView(CGRect frame = CGRectZero);
    explicit UIProgressView(UIProgressViewStyle style);

    [[nodiscard]] float progress() const { return progress_; }
    void setProgress(float progress);
    void setProgress(float progress, bool animated) { setProgress(progress); }
    [[nodiscard]] UIProgressViewStyle progressViewStyle() const { return style_; }
    void setProgressViewStyle(UIProgressViewStyle style);
    [[nodiscard]] const UIColorRef& progressTintColor() const { return progressTintColor_; }
    void setProgressTintColor(UIColorRef color);
    [[nodiscard]] const UIColorRef& trackTintColor() const { return trackTintColor_; }
    void setTrackTintColor(UIColorRef color);

    // The filled part, in the view's coordinates.
    [[nodiscard]] CGRect filledRect() const;

    void drawRect(CGRect rect) override;

    // "UIProgressView": progress, progressViewStyle, progressTintColor, trackTintColor.
    static void registerInterfaceClass(UIClassRegistry& registry);

private:
    [[nodiscard]] CGRect barRect() const;

    float progress_ { 0 };
    UIProgressViewStyle style_ { UIProgressViewStyleDefault };
    UIColorRef progressTintColor_;
    UIColorRef trackTintColor_;
};
