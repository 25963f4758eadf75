#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"

class UIView;

// What alerts, action sheets and popovers share: their text set in centred lines, the look of
// their panels, and their place in the interface as shown (display points, upright for the
// status-bar orientation) inside windows laid out in screen coordinates.
namespace UIModalChrome {

// A text broken into lines within a width: at line feeds (each one ends a line, so a trailing
// line feed leaves one empty line) and between words.
struct TextBlock {
    std::vector<std::u16string> lines;
    UIFontRef font;
    CGFloat lineHeight { 0 };
    [[nodiscard]] CGFloat height() const { return lineHeight * CGFloat(lines.size()); }
};
[[nodiscard]] TextBlock wrapText(const std::string& text, const UIFontRef& font, CGFloat width);
// Each line centred in the width of the box, from its top; with a shadow colour, first a copy
// one point above in it (the engraved look of the platform's panels).
void drawTextBlock(CGContextRef context, const TextBlock& block, CGRect box, const CGColorRef& color,
                   const CGColorRef& shadow = nullptr);

// Fills the current path (consumed) with a vertical gradient over the rectangle's height.
struct RGBA {
    double r, g, b, a;
};
void fillVerticalGradient(cairo_t* cr, CGRect over, RGBA top, RGBA bottom);
// The dark blue-black body of popovers and pad sheets, with an arrow (UIPopoverArrowDirection
// bits: 1 up, 2 down, 4 left, 8 right; 0 none) whose tip lies at `tip` (panel coordinates).
void drawPopoverBody(cairo_t* cr, CGRect panel, unsigned arrowDirection, CGPoint tip);
// Popover geometry.
inline constexpr CGFloat kPopoverBorder = 8;
inline constexpr CGFloat kPopoverRadius = 10;
inline constexpr CGFloat kPopoverArrowBase = 36;
inline constexpr CGFloat kPopoverArrowHeight = 19;

// The interface as shown now: its orientation and size in display points.
[[nodiscard]] UIInterfaceOrientation interfaceOrientation();
[[nodiscard]] CGRect interfaceBounds();
// The keyboard's top edge in the interface (its height when the keyboard is hidden).
[[nodiscard]] CGFloat keyboardTopInInterface();
// Sets the view (a window, or a subview of a window covering the screen) to show at the
// rectangle of the interface as shown now (UIViewController::placeInInterface's placing).
void placeInInterface(UIView& view, CGRect displayRect);
// A view's rectangle on the screen, and in the interface.
[[nodiscard]] CGRect screenRectOfView(const UIView& view, CGRect rect);
[[nodiscard]] CGRect interfaceRectOfView(const UIView& view, CGRect rect);
// A screen point from an interface point.
[[nodiscard]] CGPoint screenPointFromInterface(CGPoint point);

} // namespace UIModalChrome
