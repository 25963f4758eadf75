#include "Platform/UIKit/UIScreen.h"

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIImage.h"

UIScreen& UIScreen::mainScreen()
{
    static UIScreen screen;
    return screen;
}

void UIScreen::setSize(CGSize size, CGFloat scale)
{
    size_ = size;
    scale_ = scale > 0 ? scale : 1;
    if (UIImage::screenScale() != scale_) {
        UIImage::setScreenScale(scale_);
        UIImage::clearNamedCache();
    }
}

CGRect UIScreen::applicationFrame() const
{
    const CGRect all = bounds();
    const CGRect bar = UIApplication::sharedApplication().statusBarFrame();
    if (CGRectIsEmpty(bar)) {
        return all;
    }
    if (bar.size.width >= all.size.width) {
        // Along the top or bottom edge.
        const CGFloat y = bar.origin.y <= all.origin.y ? CGRectGetMaxY(bar) : all.origin.y;
        return CGRectMake(all.origin.x, y, all.size.width, all.size.height - bar.size.height);
    }
    const CGFloat x = bar.origin.x <= all.origin.x ? CGRectGetMaxX(bar) : all.origin.x;
    return CGRectMake(x, all.origin.y, all.size.width - bar.size.width, all.size.height);
}
