#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreText/CFRange.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/CoreText/CTRunDelegate.h"

class CTFontFace;

// Consecutive glyphs of a line drawn with one face, size and colour.
class CTRun {
public:
    CFRange stringRange;
    CTFontRef font;
    std::shared_ptr<CTFontFace> face;
    CGFloat size { 12 };
    CGColorRef color; // null: no colour attribute
    std::vector<std::uint32_t> glyphs;
    // Baseline positions relative to the line's origin.
    std::vector<CGPoint> positions;
    // Where the run starts on the line and how wide it is (typographic).
    CGFloat originX { 0 };
    CGFloat width { 0 };
    CGFloat ascent { 0 };
    CGFloat descent { 0 };
    // Set for an inline object: no glyphs are drawn, the delegate's object is.
    CTRunDelegateRef runDelegate;
    bool underline { false };
};

using CTRunRef = std::shared_ptr<const CTRun>;

CFIndex CTRunGetGlyphCount(const CTRunRef& run);
CFRange CTRunGetStringRange(const CTRunRef& run);
// The run's width, with ascent and descent (positive) when asked; the range is ignored (the
// whole run is measured).
double CTRunGetTypographicBounds(const CTRunRef& run, CFRange range, CGFloat* ascent, CGFloat* descent, CGFloat* leading);
// The run delegate of an inline object's run, else null.
CTRunDelegateRef CTRunGetRunDelegate(const CTRunRef& run);
