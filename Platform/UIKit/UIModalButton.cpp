#include "Platform/UIKit/UIModalButton.h"

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UITouch.h"

using UIModalChrome::RGBA;

namespace {

constexpr CGFloat kAlertRadius = 6;
constexpr CGFloat kSheetRadius = 7;
// A finger may stray this far outside and still count as inside, as on the device.
constexpr CGFloat kTouchSlop = 30;

struct Style {
    RGBA top, bottom, border;
    RGBA text;
    RGBA textShadow;
    CGFloat fontSize;
};

Style styleFor(UIModalButton::Look look, bool highlighted)
{
    if (highlighted) {
        return { { 0.18, 0.60, 0.98, 1 }, { 0.02, 0.36, 0.86, 1 }, { 0, 0.1, 0.35, 0.9 }, { 1, 1, 1, 1 }, { 0, 0, 0, 0.4 },
                 look == UIModalButton::Look::Alert || look == UIModalButton::Look::AlertCancel ? 18.0 : 19.0 };
    }
    switch (look) {
    case UIModalButton::Look::Alert:
        return { { 1, 1, 1, 0.42 }, { 1, 1, 1, 0.16 }, { 0, 0, 0, 0.55 }, { 1, 1, 1, 1 }, { 0, 0, 0, 0.55 }, 18 };
    case UIModalButton::Look::AlertCancel:
        return { { 1, 1, 1, 0.20 }, { 1, 1, 1, 0.05 }, { 0, 0, 0, 0.6 }, { 1, 1, 1, 1 }, { 0, 0, 0, 0.55 }, 18 };
    case UIModalButton::Look::Sheet:
        return { { 1, 1, 1, 1 }, { 0.84, 0.85, 0.87, 1 }, { 0.22, 0.23, 0.26, 1 }, { 0.14, 0.15, 0.17, 1 }, { 1, 1, 1, 0.7 }, 19 };
    case UIModalButton::Look::SheetDestructive:
        return { { 0.93, 0.36, 0.36, 1 }, { 0.72, 0.05, 0.05, 1 }, { 0.32, 0, 0, 1 }, { 1, 1, 1, 1 }, { 0, 0, 0, 0.45 }, 19 };
    case UIModalButton::Look::SheetCancel:
        return { { 0.45, 0.47, 0.51, 1 }, { 0.17, 0.18, 0.21, 1 }, { 0.04, 0.04, 0.05, 1 }, { 1, 1, 1, 1 }, { 0, 0, 0, 0.5 }, 19 };
    }
    return {};
}

CGColorRef color(RGBA c) { return CGColorCreateRGBA(c.r, c.g, c.b, c.a); }

} // namespace

UIModalButton::UIModalButton(CGRect frame, std::string title, Look look, std::function<void()> action)
    : UIView(frame)
    , title_(std::move(title))
    , look_(look)
    , action_(std::move(action))
{
    setOpaque(false);
}

std::u16string UIModalButton::visibleText() const { return utf8ToUtf16(title_); }

void UIModalButton::drawRect(CGRect)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (context == nullptr) {
        return;
    }
    cairo_t* cr = context->cairo();
    const Style style = styleFor(look_, highlighted_);
    const bool alert = look_ == Look::Alert || look_ == Look::AlertCancel;
    const CGRect b = CGRectInset(bounds(), 0.5, 0.5);
    const CGFloat radius = alert ? kAlertRadius : kSheetRadius;
    cairo_save(cr);
    UIRenderer::addRoundedRect(cr, b, radius);
    UIModalChrome::fillVerticalGradient(cr, b, style.top, style.bottom);
    // The gloss: the upper half a little lighter.
    cairo_save(cr);
    UIRenderer::addRoundedRect(cr, b, radius);
    cairo_clip(cr);
    cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height / 2);
    cairo_set_source_rgba(cr, 1, 1, 1, alert ? 0.10 : 0.18);
    cairo_fill(cr);
    cairo_restore(cr);
    UIRenderer::addRoundedRect(cr, b, radius);
    cairo_set_source_rgba(cr, style.border.r, style.border.g, style.border.b, style.border.a);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);

    static const UIFontRef font18 = UIFont::boldSystemFontOfSize(18);
    static const UIFontRef font19 = UIFont::boldSystemFontOfSize(19);
    const UIFontRef& font = style.fontSize < 18.5 ? font18 : font19;
    const std::u16string text = utf8ToUtf16(title_);
    const CGRect textRect = bounds();
    UIRenderer::drawTextLine(context, text, font, color(style.textShadow), CGRectOffset(textRect, 0, alert ? -1 : 1), true);
    UIRenderer::drawTextLine(context, text, font, color(style.text), textRect, true);
}

bool UIModalButton::touchInside(const UITouchSet& touches) const
{
    if (touches.empty()) {
        return false;
    }
    return CGRectContainsPoint(CGRectInset(bounds(), -kTouchSlop, -kTouchSlop), touches.front()->locationInView(this));
}

void UIModalButton::setHighlighted(bool highlighted)
{
    if (highlighted != highlighted_) {
        highlighted_ = highlighted;
        setNeedsDisplay();
    }
}

void UIModalButton::touchesBegan(const UITouchSet&, UIEvent*) { setHighlighted(true); }

void UIModalButton::touchesMoved(const UITouchSet& touches, UIEvent*) { setHighlighted(touchInside(touches)); }

void UIModalButton::touchesEnded(const UITouchSet& touches, UIEvent*)
{
    const bool inside = touchInside(touches);
    setHighlighted(false);
    if (inside && action_) {
        // The action may close the panel that holds this button.
        auto keep = selfRef();
        const auto action = action_;
        action();
    }
}

void UIModalButton::touchesCancelled(const UITouchSet&, UIEvent*) { setHighlighted(false); }
