#include "Platform/UIKit/UIColor.h"

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/UIKit/UIImage.h"

namespace {

UIColorRef make(CGFloat r, CGFloat g, CGFloat b, CGFloat a)
{
    return std::make_shared<const UIColor>(CGColorCreateRGBA(r, g, b, a));
}

}

UIColor::UIColor(CGColorRef color)
    : color_(color ? std::move(color) : CGColorCreateRGBA(0, 0, 0, 0))
{
}

UIColorRef UIColor::colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) { return make(red, green, blue, alpha); }
UIColorRef UIColor::colorWithWhite(CGFloat white, CGFloat alpha) { return make(white, white, white, alpha); }
UIColorRef UIColor::colorWithCGColor(CGColorRef color) { return std::make_shared<const UIColor>(std::move(color)); }

UIColorRef UIColor::blackColor() { static const UIColorRef c = make(0, 0, 0, 1); return c; }
UIColorRef UIColor::darkGrayColor() { static const UIColorRef c = make(1.0 / 3, 1.0 / 3, 1.0 / 3, 1); return c; }
UIColorRef UIColor::lightGrayColor() { static const UIColorRef c = make(2.0 / 3, 2.0 / 3, 2.0 / 3, 1); return c; }
UIColorRef UIColor::whiteColor() { static const UIColorRef c = make(1, 1, 1, 1); return c; }
UIColorRef UIColor::grayColor() { static const UIColorRef c = make(0.5, 0.5, 0.5, 1); return c; }
UIColorRef UIColor::redColor() { static const UIColorRef c = make(1, 0, 0, 1); return c; }
UIColorRef UIColor::greenColor() { static const UIColorRef c = make(0, 1, 0, 1); return c; }
UIColorRef UIColor::blueColor() { static const UIColorRef c = make(0, 0, 1, 1); return c; }
UIColorRef UIColor::cyanColor() { static const UIColorRef c = make(0, 1, 1, 1); return c; }
UIColorRef UIColor::yellowColor() { static const UIColorRef c = make(1, 1, 0, 1); return c; }
UIColorRef UIColor::magentaColor() { static const UIColorRef c = make(1, 0, 1, 1); return c; }
UIColorRef UIColor::orangeColor() { static const UIColorRef c = make(1, 0.5, 0, 1); return c; }
UIColorRef UIColor::purpleColor() { static const UIColorRef c = make(0.5, 0, 0.5, 1); return c; }
UIColorRef UIColor::brownColor() { static const UIColorRef c = make(0.6, 0.4, 0.2, 1); return c; }
UIColorRef UIColor::clearColor() { static const UIColorRef c = make(0, 0, 0, 0); return c; }

UIColorRef UIColor::colorWithAlphaComponent(CGFloat alpha) const
{
    return std::make_shared<const UIColor>(CGColorCreateCopyWithAlpha(color_, alpha));
}

void UIColor::set() const
{
    setFill();
    setStroke();
}

void UIColor::setFill() const { CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), color_); }
void UIColor::setStroke() const { CGContextSetStrokeColorWithColor(UIGraphicsGetCurrentContext(), color_); }

bool UIColor::getRed(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const
{
    if (red) *red = color_->red();
    if (green) *green = color_->green();
    if (blue) *blue = color_->blue();
    if (alpha) *alpha = color_->alpha();
    return true;
}

bool UIColor::isEqual(const NSObject& other) const
{
    const auto* color = dynamic_cast<const UIColor*>(&other);
    return color && color_->isEqual(*color->color_);
}

std::size_t UIColor::hash() const { return color_->hash(); }
