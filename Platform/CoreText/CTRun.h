#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreText/CFRange.h"
#include "Platform/CoreText/CTFont.h"

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
};

using CTRunRef = std::shared_ptr<const CTRun>;

CFIndex CTRunGetGlyphCount(const CTRunRef& run);
CFRange CTRunGetStringRange(const CTRunRef& run);
