#include "Classes/Controller/KeyboardAvoidance.h"

#include <algorithm>
#include <cmath>

#include "Platform/UIKit/UIApplication.h"
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

CGFloat shiftDistanceForField(const UIView& field, const UIView& view, KeyboardHeights heights)
{
    const CGRect fieldRect = field.convertRectToView(field.bounds(), nullptr);
    const CGRect viewRect = view.convertRectToView(view.bounds(), nullptr);
    const bool portrait = UIInterfaceOrientationIsPortrait(UIApplication::sharedApplication().statusBarOrientation());
    return shiftDistance(fieldRect, viewRect, portrait ? heights.portrait : heights.landscape);
}

void moveView(UIView& view, CGFloat upwards)
{
    // The block runs at once; the animation holds what it needs.
    UIView::animateWithDuration(
        kAnimationDuration, 0, UIViewAnimationOptionBeginFromCurrentState,
        [&view, upwards] {
            CGRect frame = view.frame();
            frame.origin.y -= upwards;
            view.setFrame(frame);
        },
        {});
}

}
