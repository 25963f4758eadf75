// What the system draws around the application: the status bar, the keyboard's area and the
// edit menu, and the small drawing helpers they share with the views.
#include "Platform/UIKit/UIRendering.h"

#include <algorithm>
#include <cmath>

#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIKeyboardLayout.h"
#include "Platform/UIKit/UIMenuController.h"

namespace {

// The look of what the system draws around the application.
constexpr CGFloat kMenuCornerRadius = 7;
constexpr CGFloat kMenuTitleSize = 14;

void drawStatusBar(cairo_t* cr, CGSize display)
{
    cairo_rectangle(cr, 0, 0, display.width, UIApplication::kStatusBarHeight);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill(cr);
}

} // namespace

namespace UIRendering {

void drawChrome(CGContextRef context)
{
    cairo_t* cr = context->cairo();
    const UIApplication& app = UIApplication::sharedApplication();
    const UIInterfaceOrientation orientation = app.statusBarOrientation();
    const CGSize display = UIRenderer::displaySize(orientation);
    cairo_save(cr);
    applyTransform(cr, interfaceToScreen(orientation));
    if (app.isKeyboardVisible()) {
        const CGFloat height = app.keyboardHeight();
        UIKeyboardLayout::draw(context, CGRectMake(0, display.height - height, display.width, height),
                               UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad);
    }
    if (!app.isStatusBarHidden()) {
        drawStatusBar(cr, display);
    }
    cairo_restore(cr);
}

void drawMenu(CGContextRef c)
{
    const UIMenuController& menu = UIMenuController::sharedMenuController();
    if (!menu.isMenuVisible() || menu.commands().empty()) {
        return;
    }
    cairo_t* cr = c->cairo();
    // The menu is laid out in interface coordinates: drawn there, it stands upright.
    CGContextSaveGState(c);
    applyTransform(cr, interfaceToScreen(menu.menuOrientation()));
    const CGRect bar = menu.menuFrame();
    const CGRect target = menu.targetFrame();
    const CGFloat arrowHalf = UIMenuController::kArrowHeight;
    const CGFloat arrowX = std::clamp(CGRectGetMidX(target), CGRectGetMinX(bar) + kMenuCornerRadius + arrowHalf,
                                      std::max(CGRectGetMinX(bar) + kMenuCornerRadius + arrowHalf,
                                               CGRectGetMaxX(bar) - kMenuCornerRadius - arrowHalf));
    cairo_save(cr);
    UIRenderer::addRoundedRect(cr, bar, kMenuCornerRadius);
    if (menu.pointsUp()) {
        cairo_move_to(cr, arrowX - arrowHalf, CGRectGetMinY(bar));
        cairo_line_to(cr, arrowX, CGRectGetMinY(bar) - UIMenuController::kArrowHeight);
        cairo_line_to(cr, arrowX + arrowHalf, CGRectGetMinY(bar));
    } else {
        cairo_move_to(cr, arrowX - arrowHalf, CGRectGetMaxY(bar));
        cairo_line_to(cr, arrowX, CGRectGetMaxY(bar) + UIMenuController::kArrowHeight);
        cairo_line_to(cr, arrowX + arrowHalf, CGRectGetMaxY(bar));
    }
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0.08, 0.08, 0.08, 0.92);
    cairo_fill(cr);
    const auto& commands = menu.commands();
    for (std::size_t i = 1; i < commands.size(); ++i) {
        const CGFloat x = std::round(CGRectGetMinX(commands[i].frame)) + 0.5;
        cairo_move_to(cr, x, CGRectGetMinY(bar) + 1);
        cairo_line_to(cr, x, CGRectGetMaxY(bar) - 1);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, 0.3);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
    static const UIFontRef font = UIFont::boldSystemFontOfSize(kMenuTitleSize);
    static const CGColorRef white = CGColorCreateRGBA(1, 1, 1, 1);
    for (const auto& command : commands) {
        UIRenderer::drawTextLine(c, utf8ToUtf16(command.title), font, white, command.frame, true);
    }
    CGContextRestoreGState(c);
}

} // namespace UIRendering

CGFloat UIRenderer::drawTextLine(CGContextRef context, const std::u16string& text, const UIFontRef& font,
                                 const CGColorRef& color, CGRect rect, bool centred)
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

void UIRenderer::addRoundedRect(cairo_t* cr, CGRect r, CGFloat radius)
{
    r = CGRectStandardize(r);
    radius = std::min({ radius, r.size.width / 2, r.size.height / 2 });
    if (!(radius > 0)) {
        cairo_rectangle(cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
        return;
    }
    const double x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - radius, y0 + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x1 - radius, y1 - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x0 + radius, y1 - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x0 + radius, y0 + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}
