#include "Classes/TextView/CodeLensView.h"

CodeLensView::CodeLensView(CGRect frame, const char* underName, const char* maskName, const char* overName)
    : UIView(frame)
    , underName_(underName)
    , maskName_(maskName)
    , overName_(overName)
{
    setBackgroundColor(UIColor::clearColor());
    setOpaque(false);
    setUserInteractionEnabled(false);
}

void CodeLensView::drawRect(CGRect rect)
{
    const UIImageRef under = UIImage::imageNamed(underName_);
    const UIImageRef mask = UIImage::imageNamed(maskName_);
    const UIImageRef over = UIImage::imageNamed(overName_);
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (under) {
        under->drawInRect(rect);
    }
    if (contentImage_ && context) {
        CGContextSaveGState(context);
        willClip(rect);
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

void CodeLensView::setContentImage(UIImageRef image)
{
    contentImage_ = std::move(image);
    setNeedsDisplay();
}
