#include "Platform/UIKit/UIProgressView.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UITextFieldDrawing.h"

using namespace uicontrol_drawing;

UIProgressView::UIProgressView(CGRect frame) : UIView(frame)
{
    setOpaque(false);
    setUserInteractionEnabled(false);
}

UIProgressView::UIProgressView(UIProgressViewStyle style) : UIProgressView(CGRectMake(0, 0, 150, kHeight)) { style_ = style; }

void UIProgressView::setProgress(float progress)
{
    const float clamped = std::isnan(progress) ? 0.0f : std::clamp(progress, 0.0f, 1.0f);
    if (clamped != progress_) {
        progress_ = clamped;
        setNeedsDisplay();
    }
}

void UIProgressView::setProgressViewStyle(UIProgressViewStyle style)
{
    style_ = style;
    setNeedsDisplay();
}

void UIProgressView::setProgressTintColor(UIColorRef color)
{
    progressTintColor_ = std::move(color);
    setNeedsDisplay();
}

void UIProgressView::setTrackTintColor(UIColorRef color)
{
    trackTintColor_ = std::move(color);
    setNeedsDisplay();
}

CGRect UIProgressView::barRect() const
{
    const CGRect b = bounds();
    const CGFloat height = std::min(kHeight, b.size.height);
    return CGRectMake(b.origin.x, std::round(CGRectGetMidY(b) - height / 2), b.size.width, height);
}

CGRect UIProgressView::filledRect() const
{
    const CGRect bar = barRect();
    return CGRectMake(bar.origin.x, bar.origin.y, std::round(bar.size.width * progress_), bar.size.height);
}

void UIProgressView::drawRect(CGRect)
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    if (c == nullptr) {
        return;
    }
    const CGRect bar = barRect();
    const CGFloat radius = style_ == UIProgressViewStyleBar ? 0 : bar.size.height / 2;
    const CGColorRef track = trackTintColor_ ? trackTintColor_->CGColor() : CGColorCreateRGBA(0.90, 0.90, 0.90, 1);
    const CGColorRef fill = progressTintColor_ ? progressTintColor_->CGColor() : CGColorCreateRGBA(0.16, 0.45, 0.90, 1);
    CGContextSaveGState(c);
    CGContextBeginPath(c);
    uicontrol_drawing::addRoundedRect(c, bar, radius);
    CGContextClip(c);
    CGContextBeginPath(c);
    CGContextAddRect(c, bar);
    fillPathWithVerticalGradient(c, bar, shade(track, -0.12), shade(track, 0.5));
    const CGRect filled = filledRect();
    if (filled.size.width > 0) {
        CGContextBeginPath(c);
        uicontrol_drawing::addRoundedRect(c, filled, std::min(radius, filled.size.width / 2));
        fillPathWithVerticalGradient(c, filled, shade(fill, 0.35), shade(fill, -0.1));
    }
    CGContextRestoreGState(c);
    if (style_ == UIProgressViewStyleDefault) {
        CGContextSetRGBStrokeColor(c, 0.55, 0.55, 0.55, 1);
        CGContextSetLineWidth(c, 1);
        CGContextBeginPath(c);
        uicontrol_drawing::addRoundedRect(c, CGRectInset(bar, 0.5, 0.5), radius - 0.5);
        CGContextStrokePath(c);
    }
}

void UIProgressView::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    using P = UIProgressView;
    registry.registerClass("UIProgressView", "UIView", [] { return std::make_shared<UIProgressView>(); },
                           {
                               { "progress", uiProperty<P, double>(T::Number, [](P& p, double v) {
                                     if (!(v >= 0 && v <= 1)) {
                                         throw std::invalid_argument("a progress runs from 0 to 1: " + std::to_string(v));
                                     }
                                     p.setProgress(float(v));
                                 }) },
                               { "progressViewStyle", uiProperty<P, long>(T::Integer, [](P& p, long style) {
                                     if (style < 0 || style > 1) {
                                         throw std::invalid_argument("not a progress view style (0 or 1): " + std::to_string(style));
                                     }
                                     p.setProgressViewStyle(UIProgressViewStyle(style));
                                 }) },
                               { "progressTintColor", uiProperty<P, UIColorRef>(T::Color, [](P& p, const UIColorRef& c) {
                                     p.setProgressTintColor(c);
                                 }) },
                               { "trackTintColor", uiProperty<P, UIColorRef>(T::Color, [](P& p, const UIColorRef& c) {
                                     p.setTrackTintColor(c);
                                 }) },
                           });
}
