#pragma once

#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/CoreText/CFRange.h"
#include "Platform/CoreText/CTLine.h"

// Lines set into the bounding box of a path, top to bottom; origins are relative to the box's
// origin with y upward (the first line's baseline is its ascent below the box's top).
class CTFrame {
public:
    CTFrame(CGPathRef path, CFRange stringRange, std::vector<CTLineRef> lines, std::vector<CGPoint> origins);

    const CGPathRef& path() const { return path_; }
    CFRange stringRange() const { return stringRange_; }
    CFRange visibleStringRange() const;
    const std::vector<CTLineRef>& lines() const { return lines_; }
    const std::vector<CGPoint>& origins() const { return origins_; }

private:
    CGPathRef path_;
    CFRange stringRange_ {};
    std::vector<CTLineRef> lines_;
    std::vector<CGPoint> origins_;
};

using CTFrameRef = std::shared_ptr<const CTFrame>;

const std::vector<CTLineRef>& CTFrameGetLines(const CTFrameRef& frame);
// Copies the origins of the lines in range ((0, 0): all) into origins, which must hold as many.
void CTFrameGetLineOrigins(const CTFrameRef& frame, CFRange range, CGPoint origins[]);
CGPathRef CTFrameGetPath(const CTFrameRef& frame);
CFRange CTFrameGetStringRange(const CTFrameRef& frame);
CFRange CTFrameGetVisibleStringRange(const CTFrameRef& frame);
// Draws every line at its origin plus the path box's origin.
void CTFrameDraw(const CTFrameRef& frame, CGContextRef context);
