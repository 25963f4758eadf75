#include "Platform/UIKit/UIModalText.h"

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIImage.h"

namespace {

// The engraving's copy lies one point above the text: the view stands that much taller.
constexpr CGFloat kShadowRoom = 1;

} // namespace

UIModalText::UIModalText(CGColorRef color, CGColorRef shadow)
    : UIView(CGRectZero)
    , color_(std::move(color))
    , shadow_(std::move(shadow))
{
    setOpaque(false);
    setUserInteractionEnabled(false);
}

void UIModalText::setText(std::string text, UIModalChrome::TextBlock block, CGRect box)
{
    text_ = std::move(text);
    block_ = std::move(block);
    setHidden(block_.lines.empty());
    setFrame(CGRectMake(box.origin.x, box.origin.y - kShadowRoom, box.size.width, block_.height() + kShadowRoom));
    setNeedsDisplay();
}

std::u16string UIModalText::visibleText() const { return utf8ToUtf16(text_); }

void UIModalText::drawRect(CGRect)
{
    if (CGContextRef context = UIGraphicsGetCurrentContext()) {
        const CGRect b = bounds();
        UIModalChrome::drawTextBlock(context, block_, CGRectMake(0, kShadowRoom, b.size.width, block_.height()), color_, shadow_);
    }
}
