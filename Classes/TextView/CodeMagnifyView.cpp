#include "Classes/TextView/CodeMagnifyView.h"

CodeMagnifyView::CodeMagnifyView()
    : UIView(CGRectMake(0, 0, kWidth, kHeight))
{
    setBackgroundColor(UIColor::clearColor());
    setOpaque(false);
    setUserInteractionEnabled(false);
}

void CodeMagnifyView::drawRect(CGRect rect)
{
    const UIImageRef under = UIImage::imageNamed("TextView/magnifier-ranged-lo.png");
    const UIImageRef mask = UIImage::imageNamed("TextView/magnifier-ranged-mask.png");
    const UIImageRef over = UIImage::imageNamed("TextView/magnifier-ranged-hi.png");
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (under) {
        under->drawInRect(rect);
    }
    if (contentImage_ && context) {
        CGContextSaveGState(context);
        if (mask) {
            CGContextClipToMask(context, rect, mask->CGImage());
        }
        contentImage_->drawInRect(rect);
        CGContextRestoreGState(context);
    }
    if (over) {
        over->drawInRect(rect);
    }
}

void CodeMagnifyView::setContentImage(UIImageRef image)
{
    contentImage_ = std::move(image);
    setNeedsDisplay();
}
