#include "Platform/UIKit/UIImageView.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "Platform/UIKit/UIClassRegistry.h"

UIImageView::UIImageView(CGRect frame) : UIView(frame)
{
    setUserInteractionEnabled(false);
}

UIImageView::UIImageView(UIImageRef image)
    : UIView(CGRect { CGPointZero, image ? image->size() : CGSizeZero })
    , image_(std::move(image))
{
    setUserInteractionEnabled(false);
}

void UIImageView::setImage(UIImageRef image)
{
    if (image != image_) {
        image_ = std::move(image);
        setNeedsDisplay();
    }
}

CGRect UIImageView::imageRectForBounds(CGRect b) const
{
    if (!image_) {
        return CGRectZero;
    }
    const CGSize size = image_->size();
    if (!(size.width > 0) || !(size.height > 0)) {
        return CGRectZero;
    }
    auto centred = [&](CGFloat w, CGFloat h) {
        return CGRectMake(CGRectGetMidX(b) - w / 2, CGRectGetMidY(b) - h / 2, w, h);
    };
    const CGFloat left = CGRectGetMinX(b), right = CGRectGetMaxX(b) - size.width;
    const CGFloat top = CGRectGetMinY(b), bottom = CGRectGetMaxY(b) - size.height;
    const CGFloat midX = CGRectGetMidX(b) - size.width / 2, midY = CGRectGetMidY(b) - size.height / 2;
    switch (contentMode()) {
    case UIViewContentModeScaleAspectFit: {
        const CGFloat s = std::min(b.size.width / size.width, b.size.height / size.height);
        return centred(size.width * s, size.height * s);
    }
    case UIViewContentModeScaleAspectFill: {
        const CGFloat s = std::max(b.size.width / size.width, b.size.height / size.height);
        return centred(size.width * s, size.height * s);
    }
    case UIViewContentModeCenter:
        return CGRectMake(midX, midY, size.width, size.height);
    case UIViewContentModeTop:
        return CGRectMake(midX, top, size.width, size.height);
    case UIViewContentModeBottom:
        return CGRectMake(midX, bottom, size.width, size.height);
    case UIViewContentModeLeft:
        return CGRectMake(left, midY, size.width, size.height);
    case UIViewContentModeRight:
        return CGRectMake(right, midY, size.width, size.height);
    case UIViewContentModeTopLeft:
        return CGRectMake(left, top, size.width, size.height);
    case UIViewContentModeTopRight:
        return CGRectMake(right, top, size.width, size.height);
    case UIViewContentModeBottomLeft:
        return CGRectMake(left, bottom, size.width, size.height);
    case UIViewContentModeBottomRight:
        return CGRectMake(right, bottom, size.width, size.height);
    case UIViewContentModeScaleToFill:
    case UIViewContentModeRedraw:
        break;
    }
    return b;
}

void UIImageView::drawRect(CGRect)
{
    if (image_) {
        image_->drawInRect(imageRectForBounds(bounds()));
    }
}

void UIImageView::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    registry.registerClass(
        "UIImageView", "UIView", [] { return std::make_shared<UIImageView>(); },
        {
            { "image", uiProperty<UIImageView, UIImageRef>(T::Image, [](UIImageView& v, const UIImageRef& i) { v.setImage(i); }) },
            { "contentMode", uiProperty<UIImageView, long>(T::Integer, [](UIImageView& v, long mode) {
                  if (mode < UIViewContentModeScaleToFill || mode > UIViewContentModeBottomRight) {
                      throw std::invalid_argument("not a content mode (0 to 12): " + std::to_string(mode));
                  }
                  v.setContentMode(UIViewContentMode(mode));
              }) },
        });
}
