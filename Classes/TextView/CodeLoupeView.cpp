#include "Classes/TextView/CodeLoupeView.h"

#include "Platform/Foundation/NSLog.h"

CodeLoupeView::CodeLoupeView()
    : UIView(CGRectMake(0, 0, kSize, kSize))
{
    setBackgroundColor(UIColor::clearColor());
    setOpaque(false);
    setUserInteractionEnabled(false);
}

void CodeLoupeView::drawRect(CGRect rect)
{
    const UIImageRef under = UIImage::imageNamed("TextView/loupe-lo.png");
    const UIImageRef mask = UIImage::imageNamed("TextView/loupe-mask.png");
    const UIImageRef over = UIImage::imageNamed("TextView/loupe-hi.png");
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (under) {
        under->drawInRect(rect);
    }
    if (contentImage_ && context) {
        CGContextSaveGState(context);
        NSLogf("clipTo: %f/%f %f/%f", rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
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

void CodeLoupeView::setContentImage(UIImageRef image)
{
    contentImage_ = std::move(image);
    setNeedsDisplay();
}
