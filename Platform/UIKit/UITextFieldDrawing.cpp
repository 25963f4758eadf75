#include "Platform/UIKit/UITextFieldDrawing.h"

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/NSAttributedString.h"

namespace uicontrol_drawing {

void addRoundedRect(CGContextRef c, CGRect r, CGFloat radius)
{
    const CGFloat x0 = CGRectGetMinX(r), y0 = CGRectGetMinY(r), x1 = CGRectGetMaxX(r), y1 = CGRectGetMaxY(r);
    radius = std::max<CGFloat>(0, std::min({ radius, r.size.width / 2, r.size.height / 2 }));
    CGContextMoveToPoint(c, x0 + radius, y0);
    CGContextAddArc(c, x1 - radius, y0 + radius, radius, -M_PI / 2, 0, 0);
    CGContextAddArc(c, x1 - radius, y1 - radius, radius, 0, M_PI / 2, 0);
    CGContextAddArc(c, x0 + radius, y1 - radius, radius, M_PI / 2, M_PI, 0);
    CGContextAddArc(c, x0 + radius, y0 + radius, radius, M_PI, 3 * M_PI / 2, 0);
    CGContextClosePath(c);
}

void fillPathWithVerticalGradient(CGContextRef c, CGRect r, const CGColorRef& top, const CGColorRef& bottom)
{
    cairo_t* cr = c->cairo();
    const CGFloat alpha = c->state().alpha;
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, CGRectGetMinY(r), 0, CGRectGetMaxY(r));
    const auto stop = [&](double at, const CGColorRef& color) {
        cairo_pattern_add_color_stop_rgba(pattern, at, color->red(), color->green(), color->blue(), color->alpha() * alpha);
    };
    stop(0, top);
    stop(1, bottom);
    c->paintMasked([&](cairo_t* context) {
        cairo_set_source(context, pattern);
        cairo_fill(context);
    });
    cairo_new_path(cr);
    cairo_pattern_destroy(pattern);
}

CGColorRef shade(const CGColorRef& color, CGFloat amount)
{
    const auto mix = [amount](CGFloat v) { return amount >= 0 ? v + (1 - v) * amount : v * (1 + amount); };
    return CGColorCreateRGBA(mix(color->red()), mix(color->green()), mix(color->blue()), color->alpha());
}

CTLineRef makeLine(const std::u16string& text, const UIFontRef& font, const CGColorRef& color)
{
    const NSAttributeDictionary attributes {
        { kCTFontAttributeName, font->CTFont() },
        { kCTForegroundColorAttributeName, color },
    };
    return CTLineCreateWithAttributedString(NSAttributedString(text, attributes));
}

CGFloat lineWidth(const CTLineRef& line) { return CGFloat(CTLineGetTypographicBounds(line, nullptr, nullptr, nullptr)); }

void drawLineAt(CGContextRef c, const CTLineRef& line, CGFloat x, CGFloat baseline)
{
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, x, baseline);
    // Glyphs stand upright where y runs upward.
    CGContextScaleCTM(c, 1, -1);
    CGContextSetTextPosition(c, 0, 0);
    CTLineDraw(line, c);
    CGContextRestoreGState(c);
}

void drawCentredText(CGContextRef c, const std::u16string& text, const UIFontRef& font, const CGColorRef& color, CGRect rect)
{
    if (text.empty() || !font) {
        return;
    }
    const CTLineRef line = makeLine(text, font, color);
    const CGFloat x = CGRectGetMidX(rect) - lineWidth(line) / 2;
    const CGFloat baseline = std::round(CGRectGetMidY(rect) + (font->ascender() + font->descender()) / 2);
    drawLineAt(c, line, std::round(x), baseline);
}

NSRange wordRangeAround(const std::u16string& text, NSUInteger index)
{
    NSUInteger start = std::min<NSUInteger>(index, text.size()), end = start;
    while (start > 0 && text[start - 1] != u' ') {
        --start;
    }
    while (end < text.size() && text[end] != u' ') {
        ++end;
    }
    return NSMakeRange(start, end - start);
}

const UIColorRef& selectionColor()
{
    static const UIColorRef color = UIColor::colorWithRed(0.78, 0.85, 0.98, 1);
    return color;
}

} // namespace uicontrol_drawing
