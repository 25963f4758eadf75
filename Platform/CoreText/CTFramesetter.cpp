#include "Platform/CoreText/CTFramesetter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Platform/Foundation/NSAttributedString.h"

namespace {
// A line whose bottom lies this little below the box still fits: heights are sums of floats.
constexpr double kHeightTolerance = 1e-6;
}

CTFramesetter::CTFramesetter(const NSAttributedString& string)
    : typesetter_(CTTypesetterCreateWithAttributedString(string))
{
}

CTFramesetter::CTFramesetter(CTTypesetterRef typesetter)
    : typesetter_(std::move(typesetter))
{
}

const std::vector<CTLineRef>& CTFramesetter::linesFor(CFRange range, double width) const
{
    if (width == cachedWidth_ && range == cachedRange_) {
        return cachedLines_;
    }
    cachedLines_.clear();
    const CFRange lines = CFRangeClamp(range, typesetter_->length());
    const CFIndex end = lines.location + lines.length;
    for (CFIndex lineStart = lines.location; lineStart < end;) {
        const CFIndex lineEnd = std::min(end, typesetter_->suggestLineBreak(lineStart, width));
        cachedLines_.push_back(typesetter_->createLine(CFRangeMake(lineStart, lineEnd - lineStart)));
        lineStart = lineEnd;
    }
    cachedWidth_ = width;
    cachedRange_ = range;
    return cachedLines_;
}

CTFramesetter::LineSet CTFramesetter::setLines(CFRange range, CGSize box) const
{
    LineSet set;
    const double width = std::isfinite(box.width) ? std::max(0.0, box.width) : std::numeric_limits<double>::max();
    const double height = std::isnan(box.height) ? 0 : std::max(0.0, box.height);
    const auto& all = linesFor(range, width);
    double top = 0;      // distance from the box's top to the next line's top
    double used = 0;
    double widest = 0;
    for (const CTLineRef& line : all) {
        const double bottom = top + line->ascent() + line->descent();
        if (bottom > height + kHeightTolerance) {
            break;
        }
        set.lines.push_back(line);
        set.origins.push_back({ 0, height - top - line->ascent() });
        widest = std::max(widest, line->width() - line->trailingWhitespaceWidth());
        top = bottom + line->leading();
        used = top;
    }
    set.size = { widest, used };
    const CFIndex start = CFRangeClamp(range, typesetter_->length()).location;
    if (set.lines.empty()) {
        set.fitRange = CFRangeMake(start, 0);
    } else {
        const CFRange last = set.lines.back()->stringRange();
        set.fitRange = CFRangeMake(start, last.location + last.length - start);
    }
    return set;
}

CTFramesetterRef CTFramesetterCreateWithAttributedString(const NSAttributedString& string)
{
    return std::make_shared<const CTFramesetter>(string);
}

CTFramesetterRef CTFramesetterCreateWithTypesetter(CTTypesetterRef typesetter)
{
    return typesetter ? std::make_shared<const CTFramesetter>(std::move(typesetter)) : nullptr;
}

CTTypesetterRef CTFramesetterGetTypesetter(const CTFramesetterRef& framesetter)
{
    return framesetter ? framesetter->typesetter() : nullptr;
}

CTFrameRef CTFramesetterCreateFrame(const CTFramesetterRef& framesetter, CFRange stringRange, const CGPathRef& path,
                                    const void*)
{
    if (!framesetter || !path) {
        return nullptr;
    }
    const CGRect box = CGPathGetBoundingBox(path);
    const CGSize size = CGRectIsNull(box) ? CGSizeZero : CGRectStandardize(box).size;
    CTFramesetter::LineSet set = framesetter->setLines(stringRange, size);
    return std::make_shared<const CTFrame>(path, CFRangeClamp(stringRange, framesetter->typesetter()->length()),
                                           std::move(set.lines), std::move(set.origins));
}

CGSize CTFramesetterSuggestFrameSizeWithConstraints(const CTFramesetterRef& framesetter, CFRange stringRange,
                                                    const void*, CGSize constraints, CFRange* fitRange)
{
    if (!framesetter) {
        if (fitRange) {
            *fitRange = CFRangeMake(0, 0);
        }
        return CGSizeZero;
    }
    const CTFramesetter::LineSet set = framesetter->setLines(stringRange, constraints);
    if (fitRange) {
        *fitRange = set.fitRange;
    }
    return set.size;
}
