#include "Platform/UIKit/UITextFieldCaretView.h"

#include <limits>

#include "Platform/QuartzCore/CAKeyframeAnimation.h"

namespace {

constexpr char kBlinkKey[] = "caretBlink";

} // namespace

UITextFieldCaretView::UITextFieldCaretView(CGRect frame) : UIView(frame)
{
    setBackgroundColor(caretColor());
    setUserInteractionEnabled(false);
}

const UIColorRef& UITextFieldCaretView::caretColor()
{
    static const UIColorRef color = UIColor::colorWithRed(0.259, 0.420, 0.949, 1);
    return color;
}

void UITextFieldCaretView::placeAt(CGRect frame)
{
    setFrame(frame);
    restartBlink();
}

void UITextFieldCaretView::didMoveToWindow()
{
    if (window() != nullptr) {
        restartBlink();
    } else {
        layer()->removeAnimationForKey(kBlinkKey);
    }
}

void UITextFieldCaretView::restartBlink()
{
    auto blink = CAKeyframeAnimation::animationWithKeyPath("opacity");
    blink->values = { CGFloat(1), CGFloat(0), CGFloat(1) };
    blink->keyTimes = { CGFloat(0), CGFloat(0.5), CGFloat(1) };
    blink->calculationMode = kCAAnimationDiscrete;
    blink->duration = kBlinkPeriod;
    blink->beginTime = CACurrentMediaTime() + kBlinkDelay;
    blink->repeatCount = std::numeric_limits<float>::max();
    layer()->addAnimation(blink, kBlinkKey);
}
