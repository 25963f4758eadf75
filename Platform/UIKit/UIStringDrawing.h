#pragma once

#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/UIKit/UIFont.h"

// How text that does not fit is broken or cut.
enum UILineBreakMode : int {
    UILineBreakModeWordWrap = 0,      // lines end between words
    UILineBreakModeCharacterWrap = 1, // lines end between any two characters
    UILineBreakModeClip = 2,          // as word wrap; what does not fit is cut off
    UILineBreakModeHeadTruncation = 3,
    UILineBreakModeTailTruncation = 4,
    UILineBreakModeMiddleTruncation = 5,
};

enum UITextAlignment : int {
    UITextAlignmentLeft = 0,
    UITextAlignmentCenter = 1,
    UITextAlignmentRight = 2,
};

// The string drawing of the interface (labels, buttons, measured texts): lines of one font laid
// out within a width, at most maxLines of them (0: no limit). Line feeds end lines. With a
// truncation mode the last allowed line holds the rest of its paragraph, shortened with "…" at
// the head, the middle or the tail when it is too wide; every other line wraps by words.
struct UITextLines {
    std::vector<CTLineRef> lines;
    std::vector<CGFloat> widths; // each line's width without trailing white space
    std::vector<std::u16string> texts; // what each line shows (with its ellipsis)
    CGFloat lineHeight { 0 };
    CGFloat ascender { 0 };
    // The widest line and the height of all lines.
    CGSize size {};

    static UITextLines layout(const std::u16string& text, const UIFontRef& font, const CGColorRef& color, CGFloat width,
                              int maxLines, UILineBreakMode mode);
    // Draws the lines into the context (y downward) from the top of the rectangle, each placed
    // in its width by the alignment.
    void draw(CGContextRef context, CGRect rect, UITextAlignment alignment) const;
};

// The lines that fit the size (at least one), as sizeWithFont:constrainedToSize:lineBreakMode:
// measures them: the widest line and their height.
CGSize sizeWithFontConstrainedToSize(const std::u16string& text, const UIFontRef& font, CGSize size, UILineBreakMode mode);
// Draws the text into the current context within the rectangle, as drawInRect:withFont:
// lineBreakMode:alignment: does (in the colour given); answers the size drawn.
CGSize drawInRectWithFont(const std::u16string& text, CGRect rect, const UIFontRef& font, UILineBreakMode mode,
                          UITextAlignment alignment, const CGColorRef& color);
