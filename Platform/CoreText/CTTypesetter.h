#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreText/CFRange.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/CoreText/CTRunDelegate.h"

class NSAttributedString;
class CTFontFace;
class CTLine;
class CTTypesetter;
using CTLineRef = std::shared_ptr<const CTLine>;

// How a typesetter shapes its text.
struct CTTypesetterOptions {
    // Standard and contextual ligatures and contextual alternates (HarfBuzz liga, clig, calt).
    // Code text turns them off, so that every character keeps a caret position of its own.
    bool ligatures { true };
    // The typesetter of an earlier version of the text: its paragraphs whose text and styles
    // are unchanged are taken over instead of being shaped again. The result is the same as
    // shaping the whole text.
    std::shared_ptr<const CTTypesetter> previous;
};

// The shaped form of an attributed string: every character's font, colour and advance, the
// glyphs HarfBuzz chose, and where lines may break (ICU, UAX #14). Lines are cut from it for
// any width without shaping again. Text runs left to right; there is no bidirectional reordering.
class CTTypesetter : public std::enable_shared_from_this<CTTypesetter> {
public:
    // Tab stops every this many points from the line start, the platform's default interval.
    static constexpr double kTabInterval = 28.0;

    struct Style {
        CTFontRef font;                   // the font asked for
        std::shared_ptr<CTFontFace> face; // the face drawing it (a fallback for missing glyphs)
        CGFloat size { 12 };
        CGColorRef color;                 // null: no colour attribute (drawn black)
        CGFloat ascent { 0 };
        CGFloat descent { 0 };
        CGFloat leading { 0 };
        // An inline object: the delegate sizes the run, which draws no glyphs.
        CTRunDelegateRef runDelegate;
        bool underline { false };        // a single line under the run, in its colour
    };
    struct Glyph {
        std::uint32_t glyph { 0 };
        std::uint32_t cluster { 0 }; // UTF-16 index of the character it belongs to
        float advance { 0 };
        float xOffset { 0 };
        float yOffset { 0 };
        std::uint16_t style { 0 };
    };
    enum UnitFlag : std::uint8_t {
        kClusterStart = 1,  // a caret may stand before this unit
        kWhitespace = 2,    // hangs at the end of a line
        kBreakBefore = 4,   // a line may end before this unit
        kTab = 8,
        kTerminator = 16,   // ends its paragraph (LF, CR, U+2028, U+2029)
    };

    explicit CTTypesetter(const NSAttributedString& string);
    CTTypesetter(const NSAttributedString& string, const CTTypesetterOptions& options);

    const std::u16string& string() const { return text_; }
    CFIndex length() const { return static_cast<CFIndex>(text_.size()); }

    // The end of a line that starts at start and is at most width wide (trailing white space
    // not counted); it ends after a paragraph terminator, at the last break opportunity that
    // fits, or (for a word longer than the width) after the last character that fits, and
    // always holds at least one character.
    CFIndex suggestLineBreak(CFIndex start, double width) const;
    // A line of the range (clamped to the text).
    CTLineRef createLine(CFRange range) const;

    const std::vector<Style>& styles() const { return styles_; }
    const std::vector<Glyph>& glyphs() const { return glyphs_; }
    std::uint8_t flags(CFIndex index) const { return flags_[static_cast<std::size_t>(index)]; }
    double advance(CFIndex index) const { return advance_[static_cast<std::size_t>(index)]; }
    // Index of the first glyph of the character at index or after it (glyph count at the end).
    std::size_t firstGlyph(CFIndex index) const { return firstGlyph_[static_cast<std::size_t>(index)]; }
    std::uint16_t styleAt(CFIndex index) const { return unitStyle_[static_cast<std::size_t>(index)]; }
    // The style used for metrics where a line has no characters.
    const Style& defaultStyle() const { return styles_.front(); }

    static double tabAdvance(double x);

    bool ligatures() const { return ligatures_; }
    // The part of the text that was shaped anew (all of it without a previous typesetter);
    // length 0 when every paragraph was taken over.
    CFRange reshapedRange() const { return reshaped_; }

private:
    void resolveStyles(const NSAttributedString& string);
    // The three steps over [start, end); shapeRange appends glyphs, so ranges go in text order.
    void applyFallbackFonts(std::size_t start, std::size_t end);
    void markUnits(std::size_t start, std::size_t end);
    void shapeRange(std::size_t start, std::size_t end);
    void indexGlyphs();
    void buildReusing(const CTTypesetter& previous);
    void processRange(std::size_t start, std::size_t end);
    std::uint16_t styleIndex(const Style& style);

    std::u16string text_;
    std::vector<Style> styles_;
    std::vector<std::uint16_t> unitStyle_;
    std::vector<float> advance_;
    std::vector<std::uint8_t> flags_;
    std::vector<Glyph> glyphs_;
    std::vector<std::uint32_t> firstGlyph_;
    bool ligatures_ { true };
    CFRange reshaped_ {};
};

using CTTypesetterRef = std::shared_ptr<const CTTypesetter>;

CTTypesetterRef CTTypesetterCreateWithAttributedString(const NSAttributedString& string);
CTTypesetterRef CTTypesetterCreateWithAttributedStringAndOptions(const NSAttributedString& string,
                                                                 const CTTypesetterOptions& options);
// The length (not the end) of the line that starts at startIndex and is at most width wide, by
// the rules of CTTypesetter::suggestLineBreak; 0 without a typesetter.
CFIndex CTTypesetterSuggestLineBreak(const CTTypesetterRef& typesetter, CFIndex startIndex, double width);
CTLineRef CTTypesetterCreateLine(const CTTypesetterRef& typesetter, CFRange range);
