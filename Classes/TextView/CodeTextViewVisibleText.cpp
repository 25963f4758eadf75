#include "Classes/TextView/CodeTextView.h"

#include "Classes/TextView/CodeContentView.h"
#include "Platform/CoreText/CTLine.h"

std::vector<UIView::TextLine> CodeTextView::visibleTextLines() const
{
    std::vector<TextLine> shown;
    if (!frame_ || !textContentView_) {
        return shown;
    }
    const std::u16string& all = text();
    const CGRect box = CGPathGetBoundingBox(CTFrameGetPath(frame_));
    const auto& lines = frame_->lines();
    const auto& origins = frame_->origins();
    const CGRect visible = bounds();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CFRange r = CTLineGetStringRange(lines[i]);
        if (r.location < 0 || std::size_t(r.location) >= all.size()) {
            continue;
        }
        std::u16string line = all.substr(std::size_t(r.location), std::size_t(r.length));
        while (!line.empty() && isLineTerminator(line.back())) {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        CGFloat ascent = 0;
        CGFloat descent = 0;
        CTLineGetTypographicBounds(lines[i], &ascent, &descent, nullptr);
        const CGFloat x0 = CTLineGetOffsetForStringIndex(lines[i], r.location, nullptr);
        const CGFloat x1 = CTLineGetOffsetForStringIndex(lines[i], r.location + CFIndex(line.size()), nullptr);
        // Drawn at the origin plus the path's corner, in the content view's upward space.
        const CGRect content = CGRectMake(box.origin.x + origins[i].x + x0, box.origin.y + origins[i].y - descent,
                                          std::max<CGFloat>(1, x1 - x0), ascent + descent);
        const CGRect rect = CGRectStandardize(textContentView_->convertRectToView(content, this));
        // The frame holds the whole document; only lines in view are shown.
        if (!CGRectIntersectsRect(rect, visible)) {
            continue;
        }
        shown.push_back({ std::move(line), rect });
    }
    return shown;
}
