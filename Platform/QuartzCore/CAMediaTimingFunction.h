#pragma once

#include <memory>
#include <string>

#include "Platform/CoreGraphics/CGGeometry.h"

inline constexpr char kCAMediaTimingFunctionLinear[] = "linear";
inline constexpr char kCAMediaTimingFunctionEaseIn[] = "easeIn";
inline constexpr char kCAMediaTimingFunctionEaseOut[] = "easeOut";
inline constexpr char kCAMediaTimingFunctionEaseInEaseOut[] = "easeInEaseOut";
inline constexpr char kCAMediaTimingFunctionDefault[] = "default";

// Pacing of an animation: a cubic Bézier from (0, 0) to (1, 1) through two control points,
// mapping the fraction of time elapsed to the fraction of the change shown.
class CAMediaTimingFunction {
public:
    CAMediaTimingFunction(CGFloat c1x, CGFloat c1y, CGFloat c2x, CGFloat c2y);

    // The named curves; an unknown name gives the linear one.
    static std::shared_ptr<const CAMediaTimingFunction> functionWithName(const std::string& name);
    static std::shared_ptr<const CAMediaTimingFunction> functionWithControlPoints(CGFloat c1x, CGFloat c1y, CGFloat c2x, CGFloat c2y);

    // The eased fraction for a time fraction in [0, 1] (clamped).
    CGFloat evaluate(CGFloat t) const;

private:
    CGFloat c1x_, c1y_, c2x_, c2y_;
};

using CAMediaTimingFunctionRef = std::shared_ptr<const CAMediaTimingFunction>;
