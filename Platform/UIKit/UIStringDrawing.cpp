#include "Platform/UIKit/UIStringDrawing.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "Platform/CoreText/CTTypesetter.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/UIKit/UIImage.h"

namespace {

constexpr char16_t kEllipsis = u'\u2026';

struct Setter {
    const std::u16string& text;
    NSAttributeDictionary attributes;
    CTTypesetterRef typesetter;
    CFIndex length;

    [[nodiscard]] bool isTerminator(CFIndex i) const { return (typesetter->flags(i) & CTTypesetter::kTerminator) != 0; }
    [[nodiscard]] bool isClusterStart(CFIndex i) const
    {
        return i >= length || (typesetter->flags(i) & CTTypesetter::kClusterStart) != 0;
    }

    // The end of the paragraph that holds start, before its terminator, and the index after it.
    [[nodiscard]] std::pair<CFIndex, CFIndex> paragraphEnd(CFIndex start) const
    {
        CFIndex i = start;
        while (i < length && !isTerminator(i)) {
            ++i;
        }
        CFIndex after = i;
        while (after < length && isTerminator(after)) {
            const bool crlf = text[std::size_t(after)] == u'\r' && after + 1 < length && text[std::size_t(after) + 1] == u'\n';
            after += crlf ? 2 : 1;
            break;
        }
        return { i, after };
    }

    [[nodiscard]] double width(CFIndex from, CFIndex to) const
    {
        double sum = 0;
        for (CFIndex i = from; i < to; ++i) {
            sum += typesetter->advance(i);
        }
        return sum;
    }

    // A character-wrapped line: every cluster that fits, at least one.
    [[nodiscard]] CFIndex characterBreak(CFIndex start, CFIndex end, double limit) const
    {
        double x = 0;
        CFIndex i = start;
        while (i < end) {
            CFIndex next = i + 1;
            while (next < end && !isClusterStart(next)) {
                ++next;
            }
            const double w = width(i, next);
            if (x + w > limit && i > start) {
                break;
            }
            x += w;
            i = next;
        }
        return i;
    }

    [[nodiscard]] CTLineRef lineOf(std::u16string piece) const
    {
        return CTLineCreateWithAttributedString(NSAttributedString(std::move(piece), attributes));
    }

    [[nodiscard]] std::pair<CTLineRef, std::u16string> shownLine(std::u16string piece) const
    {
        CTLineRef line = lineOf(piece);
        return { std::move(line), std::move(piece) };
    }

    // [start, end) shortened with an ellipsis to fit the width.
    [[nodiscard]] std::pair<CTLineRef, std::u16string> truncated(CFIndex start, CFIndex end, double limit, UILineBreakMode mode,
                                                                 double ellipsis) const
    {
        const double room = std::max(0.0, limit - ellipsis);
        auto sub = [&](CFIndex a, CFIndex b) { return text.substr(std::size_t(a), std::size_t(b - a)); };
        auto trimEnd = [](std::u16string s) {
            while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) {
                s.pop_back();
            }
            return s;
        };
        auto trimStart = [](std::u16string s) {
            const auto first = s.find_first_not_of(u" \t");
            return first == std::u16string::npos ? std::u16string() : s.substr(first);
        };
        if (mode == UILineBreakModeHeadTruncation) {
            CFIndex from = end;
            double used = 0;
            while (from > start) {
                CFIndex prev = from - 1;
                while (prev > start && !isClusterStart(prev)) {
                    --prev;
                }
                const double w = width(prev, from);
                if (used + w > room) {
                    break;
                }
                used += w;
                from = prev;
            }
            return shownLine(std::u16string(1, kEllipsis) + trimStart(sub(from, end)));
        }
        if (mode == UILineBreakModeMiddleTruncation) {
            // Characters are taken from both ends in turn while they fit.
            CFIndex left = start, right = end;
            double used = 0;
            bool fromLeft = true;
            bool leftFull = false, rightFull = false;
            while (left < right && !(leftFull && rightFull)) {
                if (fromLeft && !leftFull) {
                    CFIndex next = left + 1;
                    while (next < right && !isClusterStart(next)) {
                        ++next;
                    }
                    const double w = width(left, next);
                    if (used + w > room) {
                        leftFull = true;
                    } else {
                        used += w;
                        left = next;
                    }
                } else if (!fromLeft && !rightFull) {
                    CFIndex prev = right - 1;
                    while (prev > left && !isClusterStart(prev)) {
                        --prev;
                    }
                    const double w = width(prev, right);
                    if (used + w > room) {
                        rightFull = true;
                    } else {
                        used += w;
                        right = prev;
                    }
                }
                fromLeft = !fromLeft;
            }
            return shownLine(trimEnd(sub(start, left)) + kEllipsis + trimStart(sub(right, end)));
        }
        CFIndex to = start;
        double used = 0;
        while (to < end) {
            CFIndex next = to + 1;
            while (next < end && !isClusterStart(next)) {
                ++next;
            }
            const double w = width(to, next);
            if (used + w > room) {
                break;
            }
            used += w;
            to = next;
        }
        return shownLine(trimEnd(sub(start, to)) + kEllipsis);
    }
};

bool isTruncating(UILineBreakMode mode)
{
    return mode == UILineBreakModeHeadTruncation || mode == UILineBreakModeTailTruncation
        || mode == UILineBreakModeMiddleTruncation;
}

CGFloat visibleWidth(const CTLineRef& line)
{
    return CGFloat(std::max(0.0, line->width() - CTLineGetTrailingWhitespaceWidth(line)));
}

} // namespace

UITextLines UITextLines::layout(const std::u16string& text, const UIFontRef& font, const CGColorRef& color, CGFloat width,
                                int maxLines, UILineBreakMode mode)
{
    UITextLines result;
    if (!font) {
        return result;
    }
    result.lineHeight = font->lineHeight();
    result.ascender = font->ascender();
    if (text.empty()) {
        return result;
    }
    NSAttributeDictionary attributes { { kCTFontAttributeName, font->CTFont() } };
    if (color) {
        attributes[kCTForegroundColorAttributeName] = color;
    }
    const NSAttributedString string(text, attributes);
    const Setter setter { text, attributes, CTTypesetterCreateWithAttributedString(string), CFIndex(text.size()) };
    const double limit = std::max<CGFloat>(0, width);
    double ellipsis = -1;
    CFIndex start = 0;
    while (start < setter.length && (maxLines <= 0 || int(result.lines.size()) < maxLines)) {
        const bool last = maxLines > 0 && int(result.lines.size()) + 1 == maxLines;
        const auto [end, after] = setter.paragraphEnd(start);
        CTLineRef line;
        std::u16string shown;
        CFIndex next = 0;
        if (last && isTruncating(mode)) {
            line = setter.typesetter->createLine({ start, end - start });
            shown = text.substr(std::size_t(start), std::size_t(end - start));
            if (visibleWidth(line) > limit) {
                if (ellipsis < 0) {
                    ellipsis = setter.lineOf(std::u16string(1, kEllipsis))->width();
                }
                std::tie(line, shown) = setter.truncated(start, end, limit, mode, ellipsis);
            }
            next = after;
        } else {
            next = mode == UILineBreakModeCharacterWrap ? setter.characterBreak(start, end, limit)
                                                        : std::min<CFIndex>(setter.typesetter->suggestLineBreak(start, limit), after);
            const CFIndex lineEnd = std::min(next, end);
            if (next >= end) {
                next = std::max(next, after);
            }
            line = setter.typesetter->createLine({ start, lineEnd - start });
            shown = text.substr(std::size_t(start), std::size_t(lineEnd - start));
        }
        result.texts.push_back(std::move(shown));
        result.lines.push_back(line);
        result.widths.push_back(visibleWidth(line));
        start = std::max(next, start + 1);
    }
    for (const CGFloat w : result.widths) {
        result.size.width = std::max(result.size.width, w);
    }
    result.size.height = result.lineHeight * CGFloat(result.lines.size());
    return result;
}

void UITextLines::draw(CGContextRef context, CGRect rect, UITextAlignment alignment) const
{
    if (context == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CGFloat w = widths[i];
        CGFloat x = CGRectGetMinX(rect);
        if (alignment == UITextAlignmentCenter) {
            x += (rect.size.width - w) / 2;
        } else if (alignment == UITextAlignmentRight) {
            x += rect.size.width - w;
        }
        CGContextSaveGState(context);
        CGContextTranslateCTM(context, x, CGRectGetMinY(rect) + CGFloat(i) * lineHeight + ascender);
        // Glyphs stand upright where y runs upward.
        CGContextScaleCTM(context, 1, -1);
        CGContextSetTextPosition(context, 0, 0);
        CTLineDraw(lines[i], context);
        CGContextRestoreGState(context);
    }
}

namespace {

int linesThatFit(CGFloat height, const UIFontRef& font)
{
    const CGFloat lineHeight = font->lineHeight();
    if (!(lineHeight > 0) || !(height < 1e7)) {
        return 0;
    }
    // A hair of slack: a box made exactly n lines high holds n lines.
    return std::max(1, int(std::floor(height / lineHeight + 1e-6)));
}

} // namespace

CGSize sizeWithFontConstrainedToSize(const std::u16string& text, const UIFontRef& font, CGSize size, UILineBreakMode mode)
{
    if (!font) {
        return CGSizeZero;
    }
    return UITextLines::layout(text, font, nullptr, size.width, linesThatFit(size.height, font), mode).size;
}

CGSize drawInRectWithFont(const std::u16string& text, CGRect rect, const UIFontRef& font, UILineBreakMode mode,
                          UITextAlignment alignment, const CGColorRef& color)
{
    if (!font) {
        return CGSizeZero;
    }
    const UITextLines lines = UITextLines::layout(text, font, color, rect.size.width, linesThatFit(rect.size.height, font), mode);
    lines.draw(UIGraphicsGetCurrentContext(), rect, alignment);
    return lines.size;
}
