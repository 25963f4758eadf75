#pragma once

#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreText/CFRange.h"
#include "Platform/CoreText/CTRun.h"
#include "Platform/CoreText/CTTypesetter.h"

class NSAttributedString;

// One laid-out line: a range of the typesetter's text with the x offset of every character.
class CTLine {
public:
    CTLine(std::shared_ptr<const CTTypesetter> typesetter, CFRange range);

    CFRange stringRange() const { return range_; }
    // Typographic width, trailing white space included.
    double width() const { return width_; }
    double trailingWhitespaceWidth() const { return trailingWhitespace_; }
    CGFloat ascent() const { return ascent_; }
    CGFloat descent() const { return descent_; }
    CGFloat leading() const { return leading_; }

    // x of the caret before the character at index: 0 before the line, the width after it.
    CGFloat offsetForStringIndex(CFIndex index) const;
    // The caret index nearest to x: the line's start before it, its end past it.
    CFIndex stringIndexForPosition(CGPoint position) const;

    // Glyph runs of one font and colour, in order (made on first use).
    const std::vector<CTRunRef>& glyphRuns() const;
    // Draws the runs with the baseline start at the context's text position.
    void draw(CGContextRef context) const;

private:
    static void drawUnderline(CGContextRef context, const CTRun& run, const CGColor& color);

    std::shared_ptr<const CTTypesetter> typesetter_;
    CFRange range_ {};
    // offsets_[i]: x before character range_.location + i; one more entry for the end.
    std::vector<float> offsets_;
    double width_ { 0 };
    double trailingWhitespace_ { 0 };
    CGFloat ascent_ { 0 };
    CGFloat descent_ { 0 };
    CGFloat leading_ { 0 };
    mutable std::vector<CTRunRef> runs_;
    mutable bool runsMade_ { false };
};

// One line of the whole string, never wrapped (hard breaks are kept as characters).
CTLineRef CTLineCreateWithAttributedString(const NSAttributedString& string);
CFRange CTLineGetStringRange(const CTLineRef& line);
CFIndex CTLineGetGlyphCount(const CTLineRef& line);
const std::vector<CTRunRef>& CTLineGetGlyphRuns(const CTLineRef& line);
// The caret x of a string index; the secondary offset (no bidirectional text here) is the same.
CGFloat CTLineGetOffsetForStringIndex(const CTLineRef& line, CFIndex charIndex, CGFloat* secondaryOffset);
// The string index of the caret position nearest to the point's x; -1 for no line.
CFIndex CTLineGetStringIndexForPosition(const CTLineRef& line, CGPoint position);
// Width, with ascent, descent (positive) and leading when asked.
double CTLineGetTypographicBounds(const CTLineRef& line, CGFloat* ascent, CGFloat* descent, CGFloat* leading);
double CTLineGetTrailingWhitespaceWidth(const CTLineRef& line);
// Draws every run in its font and colour (black where the text has no colour attribute), with
// the baseline's start at the text position and glyphs upright where y runs upward.
void CTLineDraw(const CTLineRef& line, CGContextRef context);
