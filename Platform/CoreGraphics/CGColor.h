#pragma once

#include <memory>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSObject.h"

// An RGBA colour, components in [0, 1], compared by value (colours sit in attribute sets).
class CGColor : public NSObject {
public:
    CGColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);

    CGFloat red() const { return red_; }
    CGFloat green() const { return green_; }
    CGFloat blue() const { return blue_; }
    CGFloat alpha() const { return alpha_; }

    bool isEqual(const NSObject& other) const override;
    std::size_t hash() const override;

private:
    CGFloat red_ { 0 };
    CGFloat green_ { 0 };
    CGFloat blue_ { 0 };
    CGFloat alpha_ { 1 };
};

using CGColorRef = std::shared_ptr<const CGColor>;

// An object that stands for a colour (the interface colour); text layout takes its drawing
// colour from attribute values of this kind as well as from CGColors.
class CGColorConvertible {
public:
    virtual ~CGColorConvertible() = default;
    virtual const CGColorRef& drawingColor() const = 0;
};

// The only colour space the platform draws in; kept so callers read as on the device.
struct CGColorSpace { };
using CGColorSpaceRef = std::shared_ptr<const CGColorSpace>;
CGColorSpaceRef CGColorSpaceCreateDeviceRGB();

// components: red, green, blue, alpha.
CGColorRef CGColorCreate(const CGColorSpaceRef& space, const CGFloat components[4]);
CGColorRef CGColorCreateRGBA(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
CGColorRef CGColorCreateCopyWithAlpha(const CGColorRef& color, CGFloat alpha);
CGFloat CGColorGetAlpha(const CGColorRef& color);
bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b);
