#pragma once

#include <string>
#include <vector>

#include "Platform/QuartzCore/CAAnimation.h"

inline constexpr char kCAAnimationLinear[] = "linear";
inline constexpr char kCAAnimationDiscrete[] = "discrete";
inline constexpr char kCAAnimationPaced[] = "paced";
inline constexpr char kCAAnimationCubic[] = "cubic";

// Through a list of values at key times (fractions of the duration, ascending from 0 to 1; evenly
// spaced when not given or when their count does not match the values).
class CAKeyframeAnimation : public CAPropertyAnimation {
public:
    static std::shared_ptr<CAKeyframeAnimation> animationWithKeyPath(const std::string& keyPath);
    [[nodiscard]] std::shared_ptr<CAAnimation> copy() const override;

    std::vector<CAValue> values;
    std::vector<CGFloat> keyTimes;
    // One per segment between values; each eases its own segment.
    std::vector<CAMediaTimingFunctionRef> timingFunctions;
    // Linear (and paced) join the values with straight segments, cubic with a smooth curve
    // through them, discrete holds each value until the next key time.
    std::string calculationMode { kCAAnimationLinear };

    CAValue valueAt(CGFloat fraction, const CAValue& modelValue) const override;
};
