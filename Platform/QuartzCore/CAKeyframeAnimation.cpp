#include "Platform/QuartzCore/CAKeyframeAnimation.h"

#include <algorithm>
#include <cmath>

namespace {

// Catmull-Rom through p1..p2 with neighbours p0 and p3, for every component of the value.
CAValue cubicSegment(const CAValue& p0, const CAValue& p1, const CAValue& p2, const CAValue& p3, CGFloat t)
{
    if (p0.index() != p1.index() || p1.index() != p2.index() || p2.index() != p3.index()) {
        return CAValueInterpolate(p1, p2, t);
    }
    const CGFloat t2 = t * t, t3 = t2 * t;
    const auto spline = [&](CGFloat a, CGFloat b, CGFloat c, CGFloat d) {
        const CGFloat m1 = (c - a) / 2, m2 = (d - b) / 2;
        return (2 * t3 - 3 * t2 + 1) * b + (t3 - 2 * t2 + t) * m1 + (-2 * t3 + 3 * t2) * c + (t3 - t2) * m2;
    };
    return std::visit(
        [&](const auto& v1) -> CAValue {
            using T = std::decay_t<decltype(v1)>;
            const T& v0 = std::get<T>(p0);
            const T& v2 = std::get<T>(p2);
            const T& v3 = std::get<T>(p3);
            if constexpr (std::is_same_v<T, CGFloat>) {
                return spline(v0, v1, v2, v3);
            } else if constexpr (std::is_same_v<T, CGPoint>) {
                return CGPoint { spline(v0.x, v1.x, v2.x, v3.x), spline(v0.y, v1.y, v2.y, v3.y) };
            } else if constexpr (std::is_same_v<T, CGSize>) {
                return CGSize { spline(v0.width, v1.width, v2.width, v3.width), spline(v0.height, v1.height, v2.height, v3.height) };
            } else if constexpr (std::is_same_v<T, CGRect>) {
                return CGRectMake(spline(v0.origin.x, v1.origin.x, v2.origin.x, v3.origin.x),
                                  spline(v0.origin.y, v1.origin.y, v2.origin.y, v3.origin.y),
                                  spline(v0.size.width, v1.size.width, v2.size.width, v3.size.width),
                                  spline(v0.size.height, v1.size.height, v2.size.height, v3.size.height));
            } else {
                return CAValueInterpolate(p1, p2, t);
            }
        },
        p1);
}

}

std::shared_ptr<CAKeyframeAnimation> CAKeyframeAnimation::animationWithKeyPath(const std::string& keyPath)
{
    auto animation = std::make_shared<CAKeyframeAnimation>();
    animation->keyPath = keyPath;
    return animation;
}

std::shared_ptr<CAAnimation> CAKeyframeAnimation::copy() const { return std::make_shared<CAKeyframeAnimation>(*this); }

CAValue CAKeyframeAnimation::valueAt(CGFloat fraction, const CAValue& modelValue) const
{
    const std::size_t n = values.size();
    if (n == 0) {
        return modelValue;
    }
    if (n == 1) {
        return values.front();
    }
    fraction = std::clamp(fraction, 0.0, 1.0);
    if (calculationMode == kCAAnimationDiscrete) {
        if (keyTimes.size() == n || keyTimes.size() == n + 1) {
            std::size_t i = 0;
            while (i + 1 < n && keyTimes[i + 1] <= fraction) {
                ++i;
            }
            return values[i];
        }
        return values[std::min(n - 1, static_cast<std::size_t>(fraction * static_cast<CGFloat>(n)))];
    }
    const auto keyTime = [&](std::size_t i) {
        return keyTimes.size() == n ? keyTimes[i] : static_cast<CGFloat>(i) / static_cast<CGFloat>(n - 1);
    };
    std::size_t segment = 0;
    while (segment + 2 < n && keyTime(segment + 1) <= fraction) {
        ++segment;
    }
    const CGFloat start = keyTime(segment);
    const CGFloat end = keyTime(segment + 1);
    CGFloat t = end > start ? (fraction - start) / (end - start) : 1;
    t = std::clamp(t, 0.0, 1.0);
    if (segment < timingFunctions.size() && timingFunctions[segment]) {
        t = timingFunctions[segment]->evaluate(t);
    }
    if (calculationMode == kCAAnimationCubic) {
        const CAValue& p0 = values[segment > 0 ? segment - 1 : segment];
        const CAValue& p3 = values[segment + 2 < n ? segment + 2 : segment + 1];
        return cubicSegment(p0, values[segment], values[segment + 1], p3, t);
    }
    return CAValueInterpolate(values[segment], values[segment + 1], t);
}
