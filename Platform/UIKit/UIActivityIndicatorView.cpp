#include "Platform/UIKit/UIActivityIndicatorView.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "Platform/QuartzCore/CAKeyframeAnimation.h"
#include "Platform/QuartzCore/CATransform3D.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"

namespace {

constexpr char kTurningKey[] = "spinnerTurning";
// The faintest spoke's alpha; the others grow evenly to full.
constexpr CGFloat kFaintestAlpha = 0.2;

} // namespace

UIActivityIndicatorView::UIActivityIndicatorView(CGRect frame) : UIView(frame)
{
    setOpaque(false);
    setUserInteractionEnabled(false);
    setHidden(true);
}

UIActivityIndicatorView::UIActivityIndicatorView(UIActivityIndicatorViewStyle style)
    : UIActivityIndicatorView(CGRectMake(0, 0, style == UIActivityIndicatorViewStyleWhiteLarge ? kLargeSize : kSmallSize,
                                         style == UIActivityIndicatorViewStyleWhiteLarge ? kLargeSize : kSmallSize))
{
    style_ = style;
}

void UIActivityIndicatorView::setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle style)
{
    style_ = style;
    setNeedsDisplay();
}

void UIActivityIndicatorView::setHidesWhenStopped(bool hides)
{
    hidesWhenStopped_ = hides;
    if (!animating_) {
        setHidden(hides);
    }
}

void UIActivityIndicatorView::startAnimating()
{
    if (animating_) {
        return;
    }
    animating_ = true;
    setHidden(false);
    addTurning();
}

void UIActivityIndicatorView::stopAnimating()
{
    if (!animating_) {
        return;
    }
    animating_ = false;
    layer()->removeAnimationForKey(kTurningKey);
    if (hidesWhenStopped_) {
        setHidden(true);
    }
}

void UIActivityIndicatorView::didMoveToWindow()
{
    if (animating_ && window() != nullptr) {
        addTurning();
    }
}

void UIActivityIndicatorView::addTurning()
{
    auto turning = CAKeyframeAnimation::animationWithKeyPath("transform");
    for (int i = 0; i < kSpokes; ++i) {
        turning->values.emplace_back(CATransform3DMakeRotation(2 * M_PI * i / kSpokes, 0, 0, 1));
    }
    turning->calculationMode = kCAAnimationDiscrete;
    turning->duration = kTurnDuration;
    turning->repeatCount = std::numeric_limits<float>::max();
    layer()->addAnimation(turning, kTurningKey);
}

void UIActivityIndicatorView::drawRect(CGRect)
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    if (c == nullptr) {
        return;
    }
    const bool large = style_ == UIActivityIndicatorViewStyleWhiteLarge;
    const CGFloat size = large ? kLargeSize : kSmallSize;
    const CGFloat gray = style_ == UIActivityIndicatorViewStyleGray ? 0.5 : 1.0;
    const CGRect b = bounds();
    const CGFloat cx = CGRectGetMidX(b), cy = CGRectGetMidY(b);
    const CGFloat outer = size / 2, inner = size * 0.25;
    CGContextSetLineWidth(c, size * 0.09);
    CGContextSetLineCap(c, kCGLineCapRound);
    // Spoke 0 points up and is the brightest; the rest fade clockwise behind it, so the turn
    // (clockwise) leads with the bright end.
    for (int i = 0; i < kSpokes; ++i) {
        const double angle = -M_PI / 2 - 2 * M_PI * i / kSpokes;
        const CGFloat alpha = 1 - (1 - kFaintestAlpha) * CGFloat(i) / (kSpokes - 1);
        CGContextSetRGBStrokeColor(c, gray, gray, gray, alpha);
        const CGFloat hw = size * 0.045;
        const CGPoint spoke[] = {
            { cx + (inner + hw) * CGFloat(std::cos(angle)), cy + (inner + hw) * CGFloat(std::sin(angle)) },
            { cx + (outer - hw) * CGFloat(std::cos(angle)), cy + (outer - hw) * CGFloat(std::sin(angle)) },
        };
        CGContextStrokeLineSegments(c, spoke, 2);
    }
}

void UIActivityIndicatorView::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    using A = UIActivityIndicatorView;
    registry.registerClass("UIActivityIndicatorView", "UIView", [] { return std::make_shared<UIActivityIndicatorView>(); },
                           {
                               { "activityIndicatorViewStyle", uiProperty<A, long>(T::Integer, [](A& a, long style) {
                                     if (style < 0 || style > 2) {
                                         throw std::invalid_argument("not an activity indicator style (0 to 2): " + std::to_string(style));
                                     }
                                     a.setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle(style));
                                 }) },
                               { "hidesWhenStopped", uiProperty<A, bool>(T::Bool, [](A& a, bool h) { a.setHidesWhenStopped(h); }) },
                               { "animating", uiProperty<A, bool>(T::Bool, [](A& a, bool on) {
                                     if (on) {
                                         a.startAnimating();
                                     } else {
                                         a.stopAnimating();
                                     }
                                 }) },
                           });
}
