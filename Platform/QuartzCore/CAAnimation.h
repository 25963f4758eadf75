#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/QuartzCore/CAMediaTimingFunction.h"
#include "Platform/QuartzCore/CATransform3D.h"

class CAAnimation;

// The value of an animatable layer property: opacity (number), position (point), bounds
// (rectangle) or transform.
using CAValue = std::variant<CGFloat, CGPoint, CGSize, CGRect, CATransform3D>;

// The value between a and b at fraction t (values of different kinds give b).
CAValue CAValueInterpolate(const CAValue& a, const CAValue& b, CGFloat t);

// Told when an animation starts and when it stops: finished is false when it was replaced or
// removed before its end.
class CAAnimationDelegate {
public:
    virtual ~CAAnimationDelegate() = default;
    virtual void animationDidStart(const CAAnimation& animation) { }
    virtual void animationDidStop(const CAAnimation& animation, bool finished) { }
};

inline constexpr char kCAFillModeRemoved[] = "removed";
inline constexpr char kCAFillModeForwards[] = "forwards";
inline constexpr char kCAFillModeBackwards[] = "backwards";
inline constexpr char kCAFillModeBoth[] = "both";

// Timing shared by every animation. Times are seconds on the run loop's clock
// (CACurrentMediaTime). A layer copies the animation when it is added.
class CAAnimation {
public:
    virtual ~CAAnimation() = default;
    [[nodiscard]] virtual std::shared_ptr<CAAnimation> copy() const = 0;

    // 0 means the default of 0.25 s.
    CGFloat duration { 0 };
    // 0 means "when added"; otherwise an absolute media time.
    CGFloat beginTime { 0 };
    // Iterations; 0 means one; HUGE_VALF or the largest float means for ever.
    float repeatCount { 0 };
    CAMediaTimingFunctionRef timingFunction;
    std::string fillMode { kCAFillModeRemoved };
    bool removedOnCompletion { true };
    // Retained, as the platform retains it.
    std::shared_ptr<CAAnimationDelegate> delegate;

    static constexpr CGFloat kDefaultDuration = 0.25;
    CGFloat effectiveDuration() const { return duration > 0 ? duration : kDefaultDuration; }
    bool repeatsForever() const;
    // Length of all iterations; infinite when repeating for ever.
    CGFloat activeDuration() const;

    // Where the animation stands at media time `now` (its begin time resolved): nullopt when it
    // has no effect then, else the fraction of the current iteration after the timing function.
    std::optional<CGFloat> progressAt(CGFloat now) const;
};

// An animation of one layer property, named by key path: "opacity", "position", "bounds",
// "transform".
class CAPropertyAnimation : public CAAnimation {
public:
    std::string keyPath;
    // The presented value at the fraction, given the model value.
    virtual CAValue valueAt(CGFloat fraction, const CAValue& modelValue) const = 0;
};
