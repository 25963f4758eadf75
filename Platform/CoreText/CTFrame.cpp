#include "Platform/CoreText/CTFrame.h"

#include <algorithm>

CTFrame::CTFrame(CGPathRef path, CFRange stringRange, std::vector<CTLineRef> lines, std::vector<CGPoint> origins)
    : path_(std::move(path))
    , stringRange_(stringRange)
    , lines_(std::move(lines))
    , origins_(std::move(origins))
{
}

CFRange CTFrame::visibleStringRange() const
{
    if (lines_.empty()) {
        return CFRangeMake(stringRange_.location, 0);
    }
    const CFRange last = lines_.back()->stringRange();
    return CFRangeMake(stringRange_.location, last.location + last.length - stringRange_.location);
}

const std::vector<CTLineRef>& CTFrameGetLines(const CTFrameRef& frame)
{
    static const std::vector<CTLineRef> none;
    return frame ? frame->lines() : none;
}

void CTFrameGetLineOrigins(const CTFrameRef& frame, CFRange range, CGPoint origins[])
{
    if (!frame || !origins) {
        return;
    }
    const auto& all = frame->origins();
    const CFRange part = CFRangeClamp(range, static_cast<CFIndex>(all.size()));
    std::copy(all.begin() + part.location, all.begin() + part.location + part.length, origins);
}

CGPathRef CTFrameGetPath(const CTFrameRef& frame) { return frame ? frame->path() : nullptr; }
CFRange CTFrameGetStringRange(const CTFrameRef& frame) { return frame ? frame->stringRange() : CFRangeMake(0, 0); }
CFRange CTFrameGetVisibleStringRange(const CTFrameRef& frame) { return frame ? frame->visibleStringRange() : CFRangeMake(0, 0); }

void CTFrameDraw(const CTFrameRef& frame, CGContextRef context)
{
    if (!frame || !context) {
        return;
    }
    const CGRect box = CGPathGetBoundingBox(frame->path());
    const CGPoint base = CGRectIsNull(box) ? CGPointZero : box.origin;
    for (std::size_t i = 0; i < frame->lines().size(); ++i) {
        CGContextSetTextPosition(context, base.x + frame->origins()[i].x, base.y + frame->origins()[i].y);
        CTLineDraw(frame->lines()[i], context);
    }
}
