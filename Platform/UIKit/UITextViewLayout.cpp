#include "Platform/UIKit/UITextViewLayout.h"

#include <algorithm>
#include <cmath>

#include "Platform/Foundation/NSAttributedString.h"

namespace {

// How far back from the length limit a long paragraph looks for a space to cut after.
constexpr std::size_t kCutSearch = 256;

} // namespace

void UITextViewLayout::setText(const std::u16string* text)
{
    text_ = text;
    starts_.clear();
    scanBlocks(0, NSUInteger(text_->size()), starts_);
    heights_.resize(starts_.size());
    for (std::size_t i = 0; i < starts_.size(); ++i) {
        heights_[i] = estimateHeight(blockEnd(i) - starts_[i]);
    }
    tops_.assign(starts_.size() + 1, 0);
    validTops_ = 1;
    cache_.clear();
}

void UITextViewLayout::setFont(UIFontRef font)
{
    font_ = std::move(font);
    measureFont();
    reestimate();
}

void UITextViewLayout::setColor(CGColorRef color)
{
    color_ = std::move(color);
    cache_.clear();
}

void UITextViewLayout::setWidth(CGFloat width)
{
    if (width == width_) {
        return;
    }
    width_ = width;
    reestimate();
}

void UITextViewLayout::reestimate()
{
    if (text_ == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < starts_.size(); ++i) {
        heights_[i] = estimateHeight(blockEnd(i) - starts_[i]);
    }
    validTops_ = 1;
    cache_.clear();
}

void UITextViewLayout::measureFont()
{
    if (!font_) {
        return;
    }
    lineHeight_ = std::ceil(font_->ascender() - font_->descender());
    ascender_ = std::ceil(font_->ascender());
    // Ordinary text averages about the width of a lower-case letter; monospaced text exactly.
    const NSAttributeDictionary attributes { { kCTFontAttributeName, font_->CTFont() } };
    const CTLineRef sample = CTLineCreateWithAttributedString(NSAttributedString(u"abcdefghijklmnopqrstuvwxyz", attributes));
    averageAdvance_ = std::max<CGFloat>(1, CGFloat(CTLineGetTypographicBounds(sample, nullptr, nullptr, nullptr)) / 26);
}

CGFloat UITextViewLayout::estimateHeight(NSUInteger length) const
{
    if (!(width_ > 0) || length == 0) {
        return lineHeight_;
    }
    const double lines = std::ceil(double(length) * averageAdvance_ / width_);
    return lineHeight_ * CGFloat(std::max(1.0, lines));
}

NSUInteger UITextViewLayout::blockEnd(std::size_t block) const
{
    return block + 1 < starts_.size() ? starts_[block + 1] : NSUInteger(text_ ? text_->size() : 0);
}

void UITextViewLayout::scanBlocks(NSUInteger from, NSUInteger to, std::vector<NSUInteger>& into) const
{
    const std::u16string& t = *text_;
    const NSUInteger size = t.size();
    NSUInteger start = from;
    into.push_back(start);
    NSUInteger p = from;
    while (p < to) {
        // Up to the next terminator within the length limit.
        const NSUInteger limit = std::min<NSUInteger>(to, start + kMaxBlockLength);
        const char16_t* data = t.data();
        const char16_t* found = std::find_if(data + p, data + limit, [](char16_t c) {
            return c <= u'\r' ? (c == u'\n' || c == u'\r') : (c == 0x2028 || c == 0x2029);
        });
        p = NSUInteger(found - data);
        if (p < limit) {
            NSUInteger end = p + 1;
            if (t[p] == u'\r' && end < size && t[end] == u'\n') {
                ++end;
            }
            if (end >= to) {
                break;
            }
            start = p = end;
            into.push_back(start);
            continue;
        }
        if (p >= to) {
            break;
        }
        // A paragraph too long for one block: cut after a space near the limit, else at it
        // (never inside a surrogate pair).
        NSUInteger cut = p;
        for (NSUInteger k = p; k > p - std::min<NSUInteger>(kCutSearch, p - start - 1); --k) {
            if (t[k - 1] == u' ' || t[k - 1] == u'\t') {
                cut = k;
                break;
            }
        }
        if (cut == p && cut > start + 1 && t[cut] >= 0xDC00 && t[cut] <= 0xDFFF && t[cut - 1] >= 0xD800 && t[cut - 1] <= 0xDBFF) {
            --cut;
        }
        start = p = cut;
        into.push_back(start);
    }
    // A text ending in a line break has an empty last line.
    if (to == size && size > from && isTerminator(t[size - 1]) && into.back() != size) {
        into.push_back(size);
    }
}

std::size_t UITextViewLayout::replaceCharacters(NSUInteger location, NSUInteger oldLength, NSUInteger newLength)
{
    const NSUInteger newSize = text_->size();
    const auto delta = std::ptrdiff_t(newLength) - std::ptrdiff_t(oldLength);
    // One block more on either side, so a line break joined or split at an edge is seen.
    std::size_t first = blockAtIndex(location);
    first = first > 0 ? first - 1 : 0;
    std::size_t last = blockAtIndex(location + oldLength);
    if (last + 1 < starts_.size()) {
        ++last;
    }
    const bool toEnd = last + 1 >= starts_.size();
    const NSUInteger from = starts_[first];
    const NSUInteger to = toEnd ? newSize : NSUInteger(std::ptrdiff_t(starts_[last + 1]) + delta);

    std::vector<NSUInteger> fresh;
    scanBlocks(from, to, fresh);
    const std::size_t oldCount = last - first + 1;
    starts_.erase(starts_.begin() + std::ptrdiff_t(first), starts_.begin() + std::ptrdiff_t(last + 1));
    starts_.insert(starts_.begin() + std::ptrdiff_t(first), fresh.begin(), fresh.end());
    for (std::size_t i = first + fresh.size(); i < starts_.size(); ++i) {
        starts_[i] = NSUInteger(std::ptrdiff_t(starts_[i]) + delta);
    }
    heights_.erase(heights_.begin() + std::ptrdiff_t(first), heights_.begin() + std::ptrdiff_t(last + 1));
    heights_.insert(heights_.begin() + std::ptrdiff_t(first), fresh.size(), 0);
    for (std::size_t i = first; i < first + fresh.size(); ++i) {
        heights_[i] = estimateHeight(blockEnd(i) - starts_[i]);
    }
    tops_.resize(starts_.size() + 1);
    validTops_ = std::min(validTops_, first + 1);

    // The cache follows the blocks' new numbers.
    std::map<std::size_t, Block> kept;
    for (auto& [index, block] : cache_) {
        if (index < first) {
            kept.emplace_hint(kept.end(), index, std::move(block));
        } else if (index > last) {
            kept.emplace_hint(kept.end(), index - oldCount + fresh.size(), std::move(block));
        }
    }
    cache_ = std::move(kept);
    return first;
}

std::size_t UITextViewLayout::blockAtIndex(NSUInteger index) const
{
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), index);
    return it == starts_.begin() ? 0 : std::size_t(it - starts_.begin()) - 1;
}

void UITextViewLayout::ensureTops(std::size_t upTo)
{
    upTo = std::min(upTo, starts_.size());
    for (std::size_t k = std::max<std::size_t>(validTops_, 1); k <= upTo; ++k) {
        tops_[k] = tops_[k - 1] + heights_[k - 1];
    }
    validTops_ = std::max(validTops_, upTo + 1);
}

CGFloat UITextViewLayout::blockTop(std::size_t block)
{
    ensureTops(block);
    return CGFloat(tops_[block]);
}

CGFloat UITextViewLayout::totalHeight()
{
    ensureTops(starts_.size());
    return CGFloat(tops_[starts_.size()]);
}

std::size_t UITextViewLayout::blockAtY(CGFloat y)
{
    ensureTops(starts_.size());
    const auto end = tops_.begin() + std::ptrdiff_t(starts_.size());
    const auto it = std::upper_bound(tops_.begin(), end, double(y));
    const std::size_t found = it == tops_.begin() ? 0 : std::size_t(it - tops_.begin()) - 1;
    return std::min(found, starts_.size() - 1);
}

void UITextViewLayout::heightChanged(std::size_t block) { validTops_ = std::min(validTops_, block + 1); }

CGFloat UITextViewLayout::layOut(std::size_t index)
{
    if (cache_.count(index) != 0) {
        return 0;
    }
    const NSUInteger start = starts_[index];
    const NSUInteger length = blockEnd(index) - start;
    NSAttributeDictionary attributes;
    if (font_) {
        attributes[kCTFontAttributeName] = font_->CTFont();
    }
    if (color_) {
        attributes[kCTForegroundColorAttributeName] = color_;
    }
    Block laid;
    laid.typesetter = CTTypesetterCreateWithAttributedString(NSAttributedString(text_->substr(start, length), attributes));
    const double width = width_ > 0 ? double(width_) : 1e9;
    CFIndex at = 0;
    while (at < CFIndex(length)) {
        // The suggestion is the line's length, as the platform's typesetter answers it.
        const CFIndex end = at + std::max<CFIndex>(1, CTTypesetterSuggestLineBreak(laid.typesetter, at, width));
        laid.lines.push_back(CTTypesetterCreateLine(laid.typesetter, CFRange { at, end - at }));
        at = end;
    }
    if (laid.lines.empty()) {
        laid.lines.push_back(CTTypesetterCreateLine(laid.typesetter, CFRange { 0, 0 }));
    }
    const CGFloat height = lineHeight_ * CGFloat(laid.lines.size());
    const CGFloat change = height - heights_[index];
    cache_.emplace(index, std::move(laid));
    if (change != 0) {
        heights_[index] = height;
        heightChanged(index);
    }
    return change;
}

const UITextViewLayout::Block& UITextViewLayout::block(std::size_t index)
{
    layOut(index);
    return cache_.at(index);
}

void UITextViewLayout::trimCache(std::size_t first, std::size_t last)
{
    if (cache_.size() <= kCacheLimit) {
        return;
    }
    const std::size_t keep = kCacheLimit / 2;
    const std::size_t low = first > keep ? first - keep : 0;
    const std::size_t high = last + keep;
    std::erase_if(cache_, [&](const auto& entry) { return entry.first < low || entry.first > high; });
}

UITextViewLayout::Place UITextViewLayout::placeOfIndex(NSUInteger index)
{
    index = std::min<NSUInteger>(index, text_->size());
    const std::size_t b = blockAtIndex(index);
    const Block& laid = block(b);
    const CFIndex local = CFIndex(index - starts_[b]);
    std::size_t line = 0;
    while (line + 1 < laid.lines.size() && laid.lines[line + 1]->stringRange().location <= local) {
        ++line;
    }
    return Place { blockTop(b) + lineHeight_ * CGFloat(line), laid.lines[line]->offsetForStringIndex(local) };
}

NSUInteger UITextViewLayout::indexAtPoint(CGFloat x, CGFloat y)
{
    std::size_t b = blockAtY(y);
    layOut(b);
    // Laying the block out may have moved the blocks below it, not this one.
    const Block& laid = block(b);
    const CGFloat within = y - blockTop(b);
    const auto line = std::size_t(std::clamp<double>(std::floor(within / lineHeight_), 0, double(laid.lines.size() - 1)));
    const CTLineRef& l = laid.lines[line];
    CFIndex local = l->stringIndexForPosition(CGPointMake(x, 0));
    const CFRange range = l->stringRange();
    const NSUInteger start = starts_[b];
    // Not past the line's own break: the caret stands before it.
    const CFIndex lineEnd = range.location + range.length;
    if (local >= lineEnd && range.length > 0 && isTerminator((*text_)[start + NSUInteger(lineEnd - 1)])) {
        local = lineEnd - 1;
        if (local > range.location && (*text_)[start + NSUInteger(local)] == u'\n' && (*text_)[start + NSUInteger(local - 1)] == u'\r') {
            --local;
        }
    }
    return start + NSUInteger(std::max<CFIndex>(local, 0));
}
