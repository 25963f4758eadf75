#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/CoreText/CTTypesetter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIFont.h"

// The plain text view's layout, made for texts of many megabytes: the text is cut into blocks
// (paragraphs, and pieces of at most kMaxBlockLength of a longer one), whose starts form an
// index. Only blocks that are asked for are shaped and wrapped (the visible ones and a margin);
// every other block has an estimated height from its length, corrected when it is laid out.
// Block tops are prefix sums of the heights, brought up to date lazily from the first change.
// Laid-out blocks are kept in a cache that forgets those far from the last ones asked for.
// Coordinates: y from the top of the first block, x from the start of a line.
class UITextViewLayout {
public:
    // A paragraph longer than this is laid out in pieces, so no single block costs much.
    static constexpr std::size_t kMaxBlockLength = 4096;
    // Laid-out blocks kept beyond the ones asked for last.
    static constexpr std::size_t kCacheLimit = 1500;
    // The units a block ends after: LF, CR, U+2028, U+2029 (not U+0085, which lays out as a character).
    [[nodiscard]] static bool isTerminator(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

    struct Block {
        CTTypesetterRef typesetter;
        std::vector<CTLineRef> lines; // ranges relative to the block's start
    };

    // The text is not owned; it must outlive the layout and be told of every change.
    void setText(const std::u16string* text);
    void setFont(UIFontRef font);
    void setColor(CGColorRef color);
    // The width lines wrap in; a new width estimates every block again.
    void setWidth(CGFloat width);
    [[nodiscard]] CGFloat width() const { return width_; }
    [[nodiscard]] CGFloat lineHeight() const { return lineHeight_; }
    [[nodiscard]] CGFloat ascender() const { return ascender_; }

    // The range [location, location + oldLength) of the text was replaced by newLength units.
    // Answers the first block that changed.
    std::size_t replaceCharacters(NSUInteger location, NSUInteger oldLength, NSUInteger newLength);

    [[nodiscard]] std::size_t blockCount() const { return starts_.size(); }
    [[nodiscard]] NSUInteger blockStart(std::size_t block) const { return starts_[block]; }
    [[nodiscard]] NSUInteger blockEnd(std::size_t block) const;
    // The block holding the index (the last block for the text's end).
    [[nodiscard]] std::size_t blockAtIndex(NSUInteger index) const;
    // The block at a y (the first above 0, the last below the end).
    [[nodiscard]] std::size_t blockAtY(CGFloat y);
    [[nodiscard]] CGFloat blockTop(std::size_t block);
    [[nodiscard]] CGFloat blockHeight(std::size_t block) const { return heights_[block]; }
    [[nodiscard]] CGFloat totalHeight();
    [[nodiscard]] bool isLaidOut(std::size_t block) const { return cache_.count(block) != 0; }
    [[nodiscard]] std::size_t laidOutCount() const { return cache_.size(); }

    // Shapes and wraps the block when it is not yet, correcting its height. Answers the change
    // of height (0 when it was laid out already or the estimate was right).
    CGFloat layOut(std::size_t block);
    // A laid-out block (layOut first).
    [[nodiscard]] const Block& block(std::size_t block);
    // Forgets laid-out blocks far from [first, last].
    void trimCache(std::size_t first, std::size_t last);

    // Geometry of an index: its line's top (from the top of the first block) and x.
    struct Place {
        CGFloat y { 0 };
        CGFloat x { 0 };
    };
    [[nodiscard]] Place placeOfIndex(NSUInteger index);
    // The index nearest to a point.
    [[nodiscard]] NSUInteger indexAtPoint(CGFloat x, CGFloat y);

private:
    // Block starts of text [from, to), appended to `into`.
    void scanBlocks(NSUInteger from, NSUInteger to, std::vector<NSUInteger>& into) const;
    [[nodiscard]] CGFloat estimateHeight(NSUInteger length) const;
    void heightChanged(std::size_t block);
    void ensureTops(std::size_t upTo);
    void measureFont();
    // Every block's height estimated again and forgotten as laid out (a new font or width).
    void reestimate();

    const std::u16string* text_ { nullptr }; // not owned: the text view's own text
    UIFontRef font_;
    CGColorRef color_;
    CGFloat width_ { 0 };
    CGFloat lineHeight_ { 17 };
    CGFloat ascender_ { 13 };
    CGFloat averageAdvance_ { 7 };
    std::vector<NSUInteger> starts_ { 0 };
    std::vector<CGFloat> heights_ { 17 };
    // tops_[i]: sum of heights before block i, valid for i < validTops_.
    std::vector<double> tops_ { 0 };
    std::size_t validTops_ { 0 };
    std::map<std::size_t, Block> cache_;
};
