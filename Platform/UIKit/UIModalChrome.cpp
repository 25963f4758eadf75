#include "Platform/UIKit/UIModalChrome.h"

#include <algorithm>
#include <cmath>

#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIWindow.h"

namespace UIModalChrome {

TextBlock wrapText(const std::string& text, const UIFontRef& font, CGFloat width)
{
    TextBlock block;
    block.font = font;
    if (!font || text.empty()) {
        return block;
    }
    block.lineHeight = std::ceil(font->lineHeight());
    const std::u16string all = utf8ToUtf16(text);
    NSAttributeDictionary attributes;
    attributes[kCTFontAttributeName] = font->CTFont();
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(all.find(u'\n', start), all.size());
        const std::u16string paragraph = all.substr(start, end - start);
        if (paragraph.empty()) {
            block.lines.emplace_back();
        } else {
            const CTFramesetter setter(NSAttributedString(paragraph, attributes));
            const auto set = setter.setLines(CFRange { 0, 0 }, CGSizeMake(width, 1e6));
            for (const auto& line : set.lines) {
                const CFRange range = CTLineGetStringRange(line);
                std::u16string piece = paragraph.substr(std::size_t(range.location), std::size_t(range.length));
                while (!piece.empty() && (piece.back() == u' ' || piece.back() == u'\t')) {
                    piece.pop_back();
                }
                block.lines.push_back(std::move(piece));
            }
            if (set.lines.empty()) {
                block.lines.push_back(paragraph);
            }
        }
        if (end >= all.size()) {
            break;
        }
        start = end + 1;
    }
    return block;
}

void drawTextBlock(CGContextRef context, const TextBlock& block, CGRect box, const CGColorRef& color, const CGColorRef& shadow)
{
    CGFloat y = box.origin.y;
    for (const auto& line : block.lines) {
        const CGRect lineRect = CGRectMake(box.origin.x, y, box.size.width, block.lineHeight);
        if (shadow) {
            UIRenderer::drawTextLine(context, line, block.font, shadow, CGRectOffset(lineRect, 0, -1), true);
        }
        UIRenderer::drawTextLine(context, line, block.font, color, lineRect, true);
        y += block.lineHeight;
    }
}

void fillVerticalGradient(cairo_t* cr, CGRect over, RGBA top, RGBA bottom)
{
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, over.origin.y, 0, over.origin.y + over.size.height);
    cairo_pattern_add_color_stop_rgba(pattern, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(pattern, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, pattern);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

namespace {

// The body's outline: a rounded rectangle with the arrow's triangle joined to one side.
void addPopoverPath(cairo_t* cr, CGRect body, unsigned arrow, CGPoint tip)
{
    const double r = kPopoverRadius, half = kPopoverArrowBase / 2;
    const double x0 = body.origin.x, y0 = body.origin.y, x1 = x0 + body.size.width, y1 = y0 + body.size.height;
    const double ax = std::clamp(double(tip.x), x0 + r + half, std::max(x0 + r + half, x1 - r - half));
    const double ay = std::clamp(double(tip.y), y0 + r + half, std::max(y0 + r + half, y1 - r - half));
    cairo_new_sub_path(cr);
    cairo_move_to(cr, x0 + r, y0);
    if (arrow == 1) {
        cairo_line_to(cr, ax - half, y0);
        cairo_line_to(cr, tip.x, tip.y);
        cairo_line_to(cr, ax + half, y0);
    }
    cairo_arc(cr, x1 - r, y0 + r, r, -M_PI / 2, 0);
    if (arrow == 8) {
        cairo_line_to(cr, x1, ay - half);
        cairo_line_to(cr, tip.x, tip.y);
        cairo_line_to(cr, x1, ay + half);
    }
    cairo_arc(cr, x1 - r, y1 - r, r, 0, M_PI / 2);
    if (arrow == 2) {
        cairo_line_to(cr, ax + half, y1);
        cairo_line_to(cr, tip.x, tip.y);
        cairo_line_to(cr, ax - half, y1);
    }
    cairo_arc(cr, x0 + r, y1 - r, r, M_PI / 2, M_PI);
    if (arrow == 4) {
        cairo_line_to(cr, x0, ay + half);
        cairo_line_to(cr, tip.x, tip.y);
        cairo_line_to(cr, x0, ay - half);
    }
    cairo_arc(cr, x0 + r, y0 + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

} // namespace

void drawPopoverBody(cairo_t* cr, CGRect panel, unsigned arrow, CGPoint tip)
{
    CGRect body = panel;
    switch (arrow) {
    case 1: body.origin.y += kPopoverArrowHeight; body.size.height -= kPopoverArrowHeight; break;
    case 2: body.size.height -= kPopoverArrowHeight; break;
    case 4: body.origin.x += kPopoverArrowHeight; body.size.width -= kPopoverArrowHeight; break;
    case 8: body.size.width -= kPopoverArrowHeight; break;
    default: arrow = 0; break;
    }
    cairo_save(cr);
    addPopoverPath(cr, body, arrow, tip);
    fillVerticalGradient(cr, body, { 0.20, 0.24, 0.32, 0.97 }, { 0.04, 0.06, 0.10, 0.97 });
    // The gloss over the top edge.
    cairo_save(cr);
    addPopoverPath(cr, body, arrow, tip);
    cairo_clip(cr);
    cairo_rectangle(cr, body.origin.x, body.origin.y, body.size.width, 22);
    fillVerticalGradient(cr, CGRectMake(0, body.origin.y, 0, 22), { 1, 1, 1, 0.22 }, { 1, 1, 1, 0.04 });
    cairo_restore(cr);
    addPopoverPath(cr, body, arrow, tip);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.85);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

UIInterfaceOrientation interfaceOrientation() { return UIApplication::sharedApplication().statusBarOrientation(); }

CGRect interfaceBounds() { return { CGPointZero, UIRenderer::displaySize(interfaceOrientation()) }; }

CGFloat keyboardTopInInterface()
{
    const UIApplication& app = UIApplication::sharedApplication();
    const CGFloat height = interfaceBounds().size.height;
    return app.isKeyboardVisible() ? height - app.keyboardHeight() : height;
}

void placeInInterface(UIView& view, CGRect displayRect)
{
    UIViewController::placeInInterface(view, displayRect, interfaceOrientation());
}

CGRect screenRectOfView(const UIView& view, CGRect rect)
{
    return CGRectApplyAffineTransform(rect, view.transformToScreen());
}

CGRect interfaceRectOfView(const UIView& view, CGRect rect)
{
    return CGRectApplyAffineTransform(screenRectOfView(view, rect), UIRenderer::screenToDisplayTransform(interfaceOrientation()));
}

CGPoint screenPointFromInterface(CGPoint point)
{
    return UIRenderer::screenPointFromDisplayPoint(point, interfaceOrientation());
}

} // namespace UIModalChrome
