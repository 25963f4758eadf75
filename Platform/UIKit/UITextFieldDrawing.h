#pragma once

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

// Small drawing pieces shared by the text field and the other classic controls (switch,
// segmented control, progress bar), in a context whose y runs downward.
namespace uicontrol_drawing {

// Adds a rectangle with rounded corners (the radius capped at half the shorter side) to the path.
void addRoundedRect(CGContextRef c, CGRect r, CGFloat radius);
// Fills the current path with a vertical gradient from the top colour to the bottom one over
// the rectangle; the path is consumed.
void fillPathWithVerticalGradient(CGContextRef c, CGRect r, const CGColorRef& top, const CGColorRef& bottom);
// A colour lighter (amount > 0, towards white) or darker (amount < 0, towards black).
[[nodiscard]] CGColorRef shade(const CGColorRef& color, CGFloat amount);
// One line of text in the font and colour.
[[nodiscard]] CTLineRef makeLine(const std::u16string& text, const UIFontRef& font, const CGColorRef& color);
[[nodiscard]] CGFloat lineWidth(const CTLineRef& line);
// Draws the line with its baseline's start at (x, baseline).
void drawLineAt(CGContextRef c, const CTLineRef& line, CGFloat x, CGFloat baseline);
// Draws the text centred in the rectangle, horizontally and on the font's middle.
void drawCentredText(CGContextRef c, const std::u16string& text, const UIFontRef& font, const CGColorRef& color, CGRect rect);

// The word (a run without spaces) around the index: the one before it, or the one after it at
// its start; the edit menu's "Select" of the text field and the text view.
[[nodiscard]] NSRange wordRangeAround(const std::u16string& text, NSUInteger index);

[[nodiscard]] inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
[[nodiscard]] inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// The fill behind selected text in the text field and the text view.
[[nodiscard]] const UIColorRef& selectionColor();

} // namespace uicontrol_drawing
