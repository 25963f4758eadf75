#include "Platform/CoreGraphics/CGColor.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

CGFloat clampUnit(CGFloat v)
{
    if (std::isnan(v)) {
        return 0;
    }
    return std::clamp(v, 0.0, 1.0) + 0.0; // + 0.0 folds -0 into 0 so equal colours hash alike
}

}

CGColor::CGColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
    : red_(clampUnit(red))
    , green_(clampUnit(green))
    , blue_(clampUnit(blue))
    , alpha_(clampUnit(alpha))
{
}

bool CGColor::isEqual(const NSObject& other) const
{
    const auto* c = dynamic_cast<const CGColor*>(&other);
    return c && c->red_ == red_ && c->green_ == green_ && c->blue_ == blue_ && c->alpha_ == alpha_;
}

std::size_t CGColor::hash() const
{
    std::size_t h = 0;
    for (CGFloat v : { red_, green_, blue_, alpha_ }) {
        h = h * 1000003u ^ std::hash<CGFloat> {}(v);
    }
    return h;
}

CGColorSpaceRef CGColorSpaceCreateDeviceRGB()
{
    static const CGColorSpaceRef space = std::make_shared<const CGColorSpace>();
    return space;
}

CGColorRef CGColorCreate(const CGColorSpaceRef&, const CGFloat components[4])
{
    return std::make_shared<const CGColor>(components[0], components[1], components[2], components[3]);
}

CGColorRef CGColorCreateRGBA(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    return std::make_shared<const CGColor>(red, green, blue, alpha);
}

CGColorRef CGColorCreateCopyWithAlpha(const CGColorRef& color, CGFloat alpha)
{
    if (!color) {
        return nullptr;
    }
    return std::make_shared<const CGColor>(color->red(), color->green(), color->blue(), alpha);
}

CGFloat CGColorGetAlpha(const CGColorRef& color) { return color ? color->alpha() : 0; }

bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b)
{
    if (!a || !b) {
        return !a && !b;
    }
    return a->isEqual(*b);
}
