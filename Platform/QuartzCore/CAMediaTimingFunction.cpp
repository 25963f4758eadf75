#include "Platform/QuartzCore/CAMediaTimingFunction.h"

#include <algorithm>
#include <cmath>

namespace {

CGFloat bezier(CGFloat p1, CGFloat p2, CGFloat t)
{
    const CGFloat u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

}

CAMediaTimingFunction::CAMediaTimingFunction(CGFloat c1x, CGFloat c1y, CGFloat c2x, CGFloat c2y)
    : c1x_(std::clamp(c1x, 0.0, 1.0))
    , c1y_(c1y)
    , c2x_(std::clamp(c2x, 0.0, 1.0))
    , c2y_(c2y)
{
}

std::shared_ptr<const CAMediaTimingFunction> CAMediaTimingFunction::functionWithName(const std::string& name)
{
    if (name == kCAMediaTimingFunctionEaseIn) {
        return functionWithControlPoints(0.42, 0, 1, 1);
    }
    if (name == kCAMediaTimingFunctionEaseOut) {
        return functionWithControlPoints(0, 0, 0.58, 1);
    }
    if (name == kCAMediaTimingFunctionEaseInEaseOut) {
        return functionWithControlPoints(0.42, 0, 0.58, 1);
    }
    if (name == kCAMediaTimingFunctionDefault) {
        return functionWithControlPoints(0.25, 0.1, 0.25, 1);
    }
    return functionWithControlPoints(0, 0, 1, 1);
}

std::shared_ptr<const CAMediaTimingFunction> CAMediaTimingFunction::functionWithControlPoints(CGFloat c1x, CGFloat c1y,
                                                                                              CGFloat c2x, CGFloat c2y)
{
    return std::make_shared<const CAMediaTimingFunction>(c1x, c1y, c2x, c2y);
}

CGFloat CAMediaTimingFunction::evaluate(CGFloat t) const
{
    if (!(t > 0)) {
        return 0;
    }
    if (t >= 1) {
        return 1;
    }
    // x(s) is monotonic for control x in [0, 1]: bisection always converges.
    CGFloat lo = 0, hi = 1, s = t;
    for (int i = 0; i < 60; ++i) {
        s = (lo + hi) / 2;
        const CGFloat x = bezier(c1x_, c2x_, s);
        if (std::fabs(x - t) < 1e-9) {
            break;
        }
        (x < t ? lo : hi) = s;
    }
    return bezier(c1y_, c2y_, s);
}
