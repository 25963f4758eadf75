#include "Classes/TextView/CodeCaretView.h"

#include <limits>

#include "Classes/TextView/CodeTextView.h"
#include "Platform/QuartzCore/CAKeyframeAnimation.h"

CodeCaretView::CodeCaretView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(CodeTextView::caretColor());
}

void CodeCaretView::show() { layer()->removeAllAnimations(); }

void CodeCaretView::delayBlink()
{
    auto blink = CAKeyframeAnimation::animationWithKeyPath("opacity");
    blink->values = { CGFloat(1.0), CGFloat(1.0), CGFloat(0.0), CGFloat(0.0) };
    blink->calculationMode = kCAAnimationCubic;
    blink->duration = kBlinkPeriod;
    blink->beginTime = CACurrentMediaTime() + kBlinkDelay;
    blink->repeatCount = std::numeric_limits<float>::max();
    layer()->addAnimation(blink, kBlinkAnimationKey);
}

void CodeCaretView::didMoveToSuperview()
{
    if (superview()) {
        delayBlink();
    } else {
        layer()->removeAllAnimations();
    }
}
