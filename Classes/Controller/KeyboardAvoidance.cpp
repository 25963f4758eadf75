#include "Classes/Controller/KeyboardAvoidance.h"

#include <algorithm>
#include <cmath>

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIView.h"

namespace KeyboardAvoidance {

namespace {

constexpr CGFloat kMinimumScrollFraction = 0.2;
constexpr CGFloat kMaximumScrollFraction = 0.8;

}

KeyboardHeights keyboardHeightsForIdiom(UIUserInterfaceIdiom idiom)
{
    if (idiom == UIUserInterfaceIdiomPad)
        return { 264, 353 };
    return { 216, 162 };
}

CGFloat shiftDistance(CGRect fieldRect, CGRect viewRect, CGFloat keyboardHeight)
{
    const CGFloat midline = fieldRect.origin.y + 0.5 * fieldRect.size.height;
    const CGFloat numerator = midline - viewRect.origin.y - kMinimumScrollFraction * viewRect.size.height;
    const CGFloat denominator = (kMaximumScrollFraction - kMinimumScrollFraction) * viewRect.size.height;
    const CGFloat fraction = denominator > 0 ? std::clamp(numerator / denominator, CGFloat(0), CGFloat(1)) : 0;
    return std::floor(fraction * keyboardHeight);
}

CGFloat shiftShowing(CGFloat shift, CGRect focused, CGFloat lowestBottom, CGFloat keyboardTop, CGFloat screenTop)
{
    const CGFloat needed = std::ceil(lowestBottom + kKeyboardGap - keyboardTop);
    const CGFloat furthest = std::floor(CGRectGetMinY(focused) - screenTop);
    return std::max(CGFloat(0), std::min(std::max(shift, needed), furthest));
}

CGFloat shiftDistanceForField(const UIView& field, const UIView& view, KeyboardHeights heights, const UIView& focused,
                              const Showing& showing)
{
    const UIApplication& app = UIApplication::sharedApplication();
    const auto rectOf = [](const UIView& v) { return UIModalChrome::interfaceRectOfView(v, v.bounds()); };
    const bool portrait = UIInterfaceOrientationIsPortrait(app.statusBarOrientation());
    CGFloat shift = shiftDistance(rectOf(field), rectOf(view), portrait ? heights.portrait : heights.landscape);
    const CGFloat keyboardTop = UIModalChrome::interfaceBounds().size.height - app.keyboardHeight();
    const CGFloat screenTop = app.isStatusBarHidden() ? 0 : UIApplication::kStatusBarHeight;

    // A header cut in two by the status bar looks broken: the form stays lower instead, as far
    // as what must show allows (shiftShowing below moves it up again where needed).
    if (showing.header != nullptr && !showing.header->isHidden()) {
        const CGRect header = rectOf(*showing.header);
        if (CGRectGetMinY(header) - shift < screenTop && CGRectGetMaxY(header) - shift > screenTop)
            shift = std::max(CGFloat(0), std::floor(CGRectGetMinY(header) - screenTop));
    }

    const CGRect focusedRect = rectOf(focused);
    CGFloat lowestBottom = CGRectGetMaxY(focusedRect);
    const auto include = [&](const UIView* other) {
        if (other != nullptr && !other->isHidden()) lowestBottom = std::max(lowestBottom, CGRectGetMaxY(rectOf(*other)));
    };
    for (const UIView* other : showing.alsoAbove)
        include(other);
    const CGFloat firstShift = shiftShowing(shift, focusedRect, lowestBottom, keyboardTop, screenTop);
    bool cut = false;
    for (const UIView* other : showing.notCut) {
        if (other == nullptr || other->isHidden()) continue;
        const CGRect r = rectOf(*other);
        cut = cut || (CGRectGetMinY(r) - firstShift < keyboardTop && CGRectGetMaxY(r) - firstShift > keyboardTop);
    }
    if (!cut) return firstShift;
    for (const UIView* other : showing.notCut)
        include(other);
    return shiftShowing(firstShift, focusedRect, lowestBottom, keyboardTop, screenTop);
}

void moveView(UIView& view, CGFloat upwards)
{
    // The interface's up, in the coordinates the view's centre is given in (its superview's):
    // a pad's form sheet carries the interface's turn in its own transform.
    const CGPoint from = UIModalChrome::screenPointFromInterface(CGPointZero);
    const CGPoint to = UIModalChrome::screenPointFromInterface(CGPointMake(0, -upwards));
    const CGAffineTransform fromScreen
        = view.superview() != nullptr ? CGAffineTransformInvert(view.superview()->transformToScreen()) : CGAffineTransformIdentity;
    const CGPoint a = CGPointApplyAffineTransform(from, fromScreen);
    const CGPoint b = CGPointApplyAffineTransform(to, fromScreen);
    const CGPoint delta = CGPointMake(b.x - a.x, b.y - a.y);
    // The block runs at once; the animation holds what it needs.
    UIView::animateWithDuration(
        kAnimationDuration, 0, UIViewAnimationOptionBeginFromCurrentState,
        [&view, delta] {
            const CGPoint centre = view.center();
            view.setCenter(CGPointMake(centre.x + delta.x, centre.y + delta.y));
        },
        {});
}

}
