// Where indices sit in the layout and which index a point means.
#include <algorithm>
#include <cmath>

#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSStringEnumeration.h"

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

NSRange nsRange(CFRange r) { return NSMakeRange(static_cast<NSUInteger>(r.location), static_cast<NSUInteger>(r.length)); }

}

// ---- Caret boundaries -----------------------------------------------------------------------

NSUInteger CodeTextView::caretBoundaryBefore(const std::u16string& text, NSUInteger index)
{
    if (index == 0 || index >= text.size()) {
        return std::min<NSUInteger>(index, text.size());
    }
    const char16_t before = text[index - 1];
    const char16_t at = text[index];
    if ((isHighSurrogate(before) && isLowSurrogate(at)) || (before == u'\r' && at == u'\n')) {
        return index - 1;
    }
    return index;
}

NSUInteger CodeTextView::caretBoundaryAfter(const std::u16string& text, NSUInteger index)
{
    const NSUInteger start = caretBoundaryBefore(text, index);
    return start == index || index >= text.size() ? std::min<NSUInteger>(index, text.size()) : index + 1;
}

NSUInteger CodeTextView::previousCaretIndex(const std::u16string& text, NSUInteger index)
{
    index = std::min<NSUInteger>(index, text.size());
    return index == 0 ? 0 : caretBoundaryBefore(text, index - 1);
}

NSUInteger CodeTextView::nextCaretIndex(const std::u16string& text, NSUInteger index)
{
    if (index >= text.size()) {
        return text.size();
    }
    return caretBoundaryAfter(text, index + 1);
}

NSUInteger CodeTextView::lineEndCaretIndex(CFRange line) const
{
    const std::u16string& t = text();
    NSUInteger end = static_cast<NSUInteger>(line.location + line.length);
    const auto start = static_cast<NSUInteger>(line.location);
    if (end > start && isLineTerminator(t[end - 1])) {
        --end;
        if (end > start && t[end] == u'\n' && t[end - 1] == u'\r') {
            --end;
        }
    }
    return end;
}

// ---- Index to rectangle ---------------------------------------------------------------------

CGRect CodeTextView::caretRectForIndex(NSInteger index) const
{
    const std::u16string& t = text();
    const auto length = static_cast<NSInteger>(t.size());
    const CGRect bounds = contentBounds();
    const CGFloat ascender = font_->ascender();
    const CGFloat descender = font_->descender();
    if (length == 0 || index == 0) {
        return CGRectMake(CGRectGetMinX(bounds), CGRectGetMaxY(bounds) - font_->leading(), kCaretWidth,
                          ascender + std::fabs(2 * descender));
    }
    const auto& lines = CTFrameGetLines(frame_);
    const std::vector<CGPoint> origins = frame_ ? frame_->origins() : std::vector<CGPoint> {};
    // After a final line break of any kind the caret stands on the new empty line, where typing lands.
    if (index == length && isLineTerminator(t[static_cast<std::size_t>(length - 1)]) && !lines.empty()) {
        const CTLineRef& line = lines.back();
        const CGPoint o = origins.back();
        CGFloat a = 0;
        CGFloat d = 0;
        CTLineGetTypographicBounds(line, &a, &d, nullptr);
        const CFIndex s = CTLineGetStringRange(line).location;
        const CGFloat x = o.x + CTLineGetOffsetForStringIndex(line, s, nullptr);
        return CGRectMake(x, std::floor(o.y - font_->leading() - d), kCaretWidth, std::ceil(2 * d + a));
    }
    const NSInteger k = std::clamp<NSInteger>(index, 0, length);
    CGRect result = CGRectZero;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CFRange r = CTLineGetStringRange(lines[i]);
        if (!(r.location <= k && k <= r.location + r.length)) {
            continue;
        }
        CGFloat a = 0;
        CGFloat d = 0;
        CTLineGetTypographicBounds(lines[i], &a, &d, nullptr);
        CGFloat u = CTLineGetOffsetForStringIndex(lines[i], k, nullptr);
        if (selectedRange_.length > 0 && static_cast<NSUInteger>(k) != selectedRange_.location && r.length == 1) {
            u = bounds.size.width - kCaretWidth;
        } else if (r.length == 1 && k > 0 && t[static_cast<std::size_t>(k - 1)] == u'\n') {
            u = 0;
        }
        result = CGRectMake(origins[i].x + u, std::floor(origins[i].y - d), kCaretWidth, std::ceil(2 * d + a));
    }
    return result;
}

CGRect CodeTextView::firstRectForNSRange(NSRange range) const
{
    const auto& lines = CTFrameGetLines(frame_);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CFRange r = CTLineGetStringRange(lines[i]);
        const NSInteger delta = static_cast<NSInteger>(range.location) - r.location;
        if (delta < 0 || delta >= r.length) {
            continue;
        }
        CGFloat a = 0;
        CGFloat d = 0;
        CTLineGetTypographicBounds(lines[i], &a, &d, nullptr);
        const CGPoint o = frame_->origins()[i];
        const CGFloat s = CTLineGetOffsetForStringIndex(lines[i], static_cast<CFIndex>(range.location), nullptr);
        const CFIndex endIndex = std::min<CFIndex>(r.location + r.length, static_cast<CFIndex>(range.location + range.length));
        const CGFloat e = CTLineGetOffsetForStringIndex(lines[i], endIndex, nullptr);
        const CGRect rect = CGRectMake(o.x + s, o.y - d, e - s, 2 * d + a);
        return textContentView_ ? textContentView_->convertRectToView(rect, this) : rect;
    }
    return CGRectNull;
}

// ---- Point to index -------------------------------------------------------------------------

NSUInteger CodeTextView::closestIndexToPoint(CGPoint point) const
{
    const NSUInteger length = text().size();
    const CGPoint p = textContentView_ ? textContentView_->convertPointFromView(point, this) : point;
    const auto& lines = CTFrameGetLines(frame_);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CGPoint o = frame_->origins()[i];
        if (!(o.y < p.y)) {
            continue;
        }
        const CFIndex found = CTLineGetStringIndexForPosition(lines[i], CGPointMake(p.x - o.x, p.y - o.y));
        if (found < 0) {
            return length;
        }
        // Past the end of a line that a terminator closes, the caret stays on that line, before
        // the terminator (both units of a CR LF), never at the next line's start.
        const CFRange r = CTLineGetStringRange(lines[i]);
        if (found >= r.location + r.length) {
            return lineEndCaretIndex(r);
        }
        return caretBoundaryBefore(text(), static_cast<NSUInteger>(found));
    }
    return length;
}

NSUInteger CodeTextView::closestWhiteSpaceIndexToPoint(CGPoint point) const
{
    const std::u16string& t = text();
    const NSUInteger length = t.size();
    const CGPoint p = textContentView_ ? textContentView_->convertPointFromView(point, this) : point;
    const auto& lines = CTFrameGetLines(frame_);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const CGPoint o = frame_->origins()[n];
        if (!(o.y < p.y)) {
            continue;
        }
        const CFRange r = CTLineGetStringRange(lines[n]);
        const auto loc = static_cast<NSUInteger>(r.location);
        const auto len = static_cast<NSUInteger>(r.length);
        const CFIndex found = CTLineGetStringIndexForPosition(lines[n], CGPointMake(p.x - o.x, p.y - o.y));
        const NSUInteger i = found < 0 ? NSNotFound : static_cast<NSUInteger>(found);
        if (i >= length) {
            return length;
        }
        if (len <= 1 || i == loc) {
            return loc;
        }
        if (i < loc + len) {
            // A line without a word holding the index (a "}" line, indentation) keeps the index
            // found on it rather than sending the caret to the end of the text.
            NSUInteger result = caretBoundaryBefore(t, i);
            enumerateSubstringsInRange(t, nsRange(r), NSStringEnumerationByWords,
                                       [&](std::u16string_view, NSRange word, NSRange enclosing, bool* stop) {
                                           if (!NSLocationInRange(i, enclosing)) {
                                               return;
                                           }
                                           result = i > enclosing.location + enclosing.length / 2 ? word.max() : word.location;
                                           *stop = true;
                                       });
            return std::min(result, lineEndCaretIndex(r));
        }
        // At or past the line's end: before its terminator (a whole CR LF), or its end.
        return lineEndCaretIndex(r);
    }
    return length;
}

NSRange CodeTextView::characterRangeAtPoint_(CGPoint point) const
{
    const auto& lines = CTFrameGetLines(frame_);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const CGPoint o = frame_->origins()[n];
        if (!(o.y < point.y)) {
            continue;
        }
        const CFIndex found = CTLineGetStringIndexForPosition(lines[n], CGPointMake(point.x - o.x, point.y - o.y));
        const NSUInteger i = static_cast<NSUInteger>(std::max<CFIndex>(found, 0));
        NSRange result = NSRangeNotFound;
        enumerateSubstringsInRange(text(), nsRange(CTLineGetStringRange(lines[n])), NSStringEnumerationByWords,
                                   [&](std::u16string_view, NSRange word, NSRange, bool* stop) {
                                       if (word.location <= i && i <= word.max()) {
                                           result = word;
                                           *stop = true;
                                       }
                                   });
        return result;
    }
    return NSRangeNotFound;
}

NSRange CodeTextView::characterRangeAtIndex(NSUInteger index) const
{
    NSRange result = NSRangeNotFound;
    for (const CTLineRef& line : CTFrameGetLines(frame_)) {
        const NSRange r = nsRange(CTLineGetStringRange(line));
        if (!(r.location <= index && index <= r.max() && r.length >= 2)) {
            continue;
        }
        enumerateSubstringsInRange(text(), r, NSStringEnumerationByWords, [&](std::u16string_view, NSRange word, NSRange, bool* stop) {
            if (word.location <= index && index <= word.max()) {
                result = word;
                *stop = true;
            }
        });
    }
    return result;
}
