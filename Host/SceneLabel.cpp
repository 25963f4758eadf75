#include "Host/SceneLabel.h"

#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/UIKit/UIImage.h"

SceneLabel::SceneLabel(CGRect frame, std::u16string text, UIFontRef font, CGColorRef color)
    : UIView(frame)
    , text_(std::move(text))
    , font_(std::move(font))
    , color_(std::move(color))
{
}

void SceneLabel::setText(std::u16string text)
{
    if (text != text_) {
        text_ = std::move(text);
        setNeedsDisplay();
    }
}

void SceneLabel::drawRect(CGRect rect)
{
    drawText(UIGraphicsGetCurrentContext(), text_, font_, color_, CGRectInset(bounds(), kInset, 0), false);
}

CGFloat SceneLabel::drawText(CGContextRef context, const std::u16string& text, const UIFontRef& font, const CGColorRef& color,
                             CGRect rect, bool centred)
{
    if (context == nullptr || !font || text.empty()) {
        return 0;
    }
    const NSAttributeDictionary attributes {
        { kCTFontAttributeName, font->CTFont() },
        { kCTForegroundColorAttributeName, color },
    };
    const CTLineRef line = CTLineCreateWithAttributedString(NSAttributedString(text, attributes));
    CGFloat ascent = 0, descent = 0, leading = 0;
    const double width = CTLineGetTypographicBounds(line, &ascent, &descent, &leading);
    const CGFloat x = centred ? CGRectGetMidX(rect) - width / 2 : CGRectGetMinX(rect);
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, x, CGRectGetMidY(rect) + (ascent - descent) / 2);
    // Glyphs stand upright where y runs upward.
    CGContextScaleCTM(context, 1, -1);
    CGContextSetTextPosition(context, 0, 0);
    CTLineDraw(line, context);
    CGContextRestoreGState(context);
    return width;
}
