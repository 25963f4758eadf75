#pragma once

#include <memory>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/Foundation/NSObject.h"

class UIColor;
using UIColorRef = std::shared_ptr<const UIColor>;

// A colour of the interface; compared by value. Its drawing form is a CGColor.
class UIColor : public NSObject, public CGColorConvertible {
public:
    explicit UIColor(CGColorRef color);

    static UIColorRef colorWithRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static UIColorRef colorWithWhite(CGFloat white, CGFloat alpha);
    static UIColorRef colorWithCGColor(CGColorRef color);

    static UIColorRef blackColor();
    static UIColorRef darkGrayColor();
    static UIColorRef lightGrayColor();
    static UIColorRef whiteColor();
    static UIColorRef grayColor();
    static UIColorRef redColor();
    static UIColorRef greenColor();
    static UIColorRef blueColor();
    static UIColorRef cyanColor();
    static UIColorRef yellowColor();
    static UIColorRef magentaColor();
    static UIColorRef orangeColor();
    static UIColorRef purpleColor();
    static UIColorRef brownColor();
    static UIColorRef clearColor();

    UIColorRef colorWithAlphaComponent(CGFloat alpha) const;

    const CGColorRef& CGColor() const { return color_; }
    const CGColorRef& drawingColor() const override { return color_; }

    // Make this the fill (setFill), stroke (setStroke) or both (set) colour of the current context.
    void set() const;
    void setFill() const;
    void setStroke() const;

    // Components, as the platform answers getRed:green:blue:alpha:.
    bool getRed(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const;

    bool isEqual(const NSObject& other) const override;
    std::size_t hash() const override;

private:
    CGColorRef color_;
};
