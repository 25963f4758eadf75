#include <gtest/gtest.h>

#include <cfloat>
#include <vector>

#include "Platform/CoreText/CTFrame.h"
#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSStringEnumeration.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "tests/graphics/GraphicsTestSupport.h"

using namespace graphics_test;

namespace {

// Width of one character of the 10-point code font.
double charWidth()
{
    const CTLineRef line = CTLineCreateWithAttributedString(attributed(u"x", codeFont()));
    return line->width();
}

CTFrameRef frameFor(const CTFramesetterRef& fs, double width, double height)
{
    return CTFramesetterCreateFrame(fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, width, height), nullptr));
}

std::vector<CFRange> lineRanges(const std::u16string& text, double widthInChars)
{
    const auto fs = framesetter(text);
    const auto frame = frameFor(fs, widthInChars * charWidth(), 10000);
    std::vector<CFRange> ranges;
    for (const CTLineRef& line : CTFrameGetLines(frame)) {
        ranges.push_back(CTLineGetStringRange(line));
    }
    return ranges;
}

TEST(Fonts, AliasesResolveToInstalledFacesComparedByFaceAndSize)
{
    const CTFontRef code = CTFontCreateWithName("Droid Sans Mono", 11);
    EXPECT_NE(CTFontCopyFamilyName(code).find("Mono"), std::string::npos) << CTFontCopyFamilyName(code);
    EXPECT_EQ(code->name(), "Droid Sans Mono");
    EXPECT_TRUE(code->isEqual(*CTFontCreateWithName("Droid Sans Mono", 11)));
    EXPECT_FALSE(code->isEqual(*CTFontCreateWithName("Droid Sans Mono", 12)));
    EXPECT_FALSE(code->isEqual(*CTFontCreateWithName("LexitypeNeue-Bold", 11)));
    EXPECT_EQ(code->hash(), CTFontCreateWithName("Droid Sans Mono", 11)->hash());
    for (const char* name : { "LexitypeNeue-Bold", "Lexitype Neue", "HelveticaNeue", "HelveticaNeue-Bold", "No Such Font" }) {
        EXPECT_FALSE(CTFontCopyFilePath(CTFontCreateWithName(name, 12)).empty()) << name;
    }
    EXPECT_NE(CTFontCopyPostScriptName(CTFontCreateWithName("LexitypeNeue-Bold", 12)).find("Bold"), std::string::npos);
}

TEST(Fonts, InterfaceFontMetrics)
{
    const UIFontRef font = UIFont::fontWithName("Droid Sans Mono", 14);
    EXPECT_EQ(font->fontName(), "Droid Sans Mono");
    EXPECT_EQ(font->pointSize(), 14);
    EXPECT_GT(font->ascender(), 0);
    EXPECT_LT(font->descender(), 0);
    EXPECT_NEAR(font->lineHeight(), font->ascender() - font->descender() + CTFontGetLeading(font->CTFont()), 1e-9);
    EXPECT_EQ(font->leading(), font->lineHeight());
    EXPECT_TRUE(font->isEqual(*UIFont::fontWithName("Droid Sans Mono", 14)));
    EXPECT_TRUE(UIFont::systemFontOfSize(17)->isEqual(*UIFont::systemFontOfSize(17)));
    EXPECT_FALSE(UIFont::systemFontOfSize(17)->isEqual(*UIFont::boldSystemFontOfSize(17)));
    // A font made from the family name answers the same face.
    EXPECT_TRUE(UIFont::fontWithName(font->familyName(), 14)->CTFont()->face() == font->CTFont()->face());
}

TEST(Colours, ComparedByValue)
{
    EXPECT_TRUE(UIColor::colorWithRed(1, 0, 0, 1)->isEqual(*UIColor::redColor()));
    EXPECT_FALSE(UIColor::colorWithRed(1, 0, 0, 0.5)->isEqual(*UIColor::redColor()));
    EXPECT_TRUE(UIColor::blackColor()->CGColor()->isEqual(*CGColorCreateRGBA(0, 0, 0, 1)));
    EXPECT_EQ(UIColor::colorWithWhite(-0.0, 1)->hash(), UIColor::colorWithWhite(0.0, 1)->hash());
    // Attribute sets holding equal colours and fonts are equal, as colour records must be.
    NSAttributeDictionary a { { kCTForegroundColorAttributeName, CGColorCreateRGBA(0.5, 0.2, 0.1, 1) },
                              { kCTFontAttributeName, codeFont(14) } };
    NSAttributeDictionary b { { kCTForegroundColorAttributeName, CGColorCreateRGBA(0.5, 0.2, 0.1, 1) },
                              { kCTFontAttributeName, codeFont(14) } };
    EXPECT_TRUE(a == b);
}

struct BreakCase {
    const char* name;
    std::u16string text;
    double widthInChars;
    std::vector<CFRange> lines;
};

TEST(LineBreaking, RangesOfSmallTexts)
{
    const std::vector<BreakCase> cases = {
        { "empty", u"", 20, {} },
        { "trailing line feed makes no empty line", u"ab\n", 20, { { 0, 3 } } },
        { "lone line feed", u"\n", 20, { { 0, 1 } } },
        { "two lines", u"ab\ncd", 20, { { 0, 3 }, { 3, 2 } } },
        { "empty line between", u"a\n\nb", 20, { { 0, 2 }, { 2, 1 }, { 3, 1 } } },
        { "CRLF is one break", u"a\r\nb\r\n", 20, { { 0, 3 }, { 3, 3 } } },
        { "CR alone", u"a\rb", 20, { { 0, 2 }, { 2, 1 } } },
        { "line and paragraph separators", u"a\u2028b\u2029c", 20, { { 0, 2 }, { 2, 2 }, { 4, 1 } } },
        { "wrap at a space", u"hello world foo", 10, { { 0, 6 }, { 6, 9 } } },
        { "trailing spaces hang", u"ab    cd", 3, { { 0, 6 }, { 6, 2 } } },
        { "line exactly full", u"hello world", 5, { { 0, 6 }, { 6, 5 } } },
        { "trailing space beyond a full line", u"hello world foo", 11, { { 0, 12 }, { 12, 3 } } },
        { "long word breaks by character", u"abcdefghij", 4, { { 0, 4 }, { 4, 4 }, { 8, 2 } } },
        { "zero width still progresses", u"abc", 0, { { 0, 1 }, { 1, 1 }, { 2, 1 } } },
        { "zero width keeps a surrogate pair whole", u"a\U0001F600b", 0, { { 0, 1 }, { 1, 2 }, { 3, 1 } } },
        { "zero width keeps a combining mark with its base", u"e\u0301x", 0, { { 0, 2 }, { 2, 1 } } },
        { "wrapped line then hard break", u"aaa bbb\nc", 4, { { 0, 4 }, { 4, 4 }, { 8, 1 } } },
    };
    for (const BreakCase& c : cases) {
        EXPECT_EQ(lineRanges(c.text, c.widthInChars), c.lines) << c.name;
    }
}

TEST(LineBreaking, TabsAdvanceToTheNextStop)
{
    const CTLineRef tabbed = CTLineCreateWithAttributedString(attributed(u"ab\tc\t\td", codeFont()));
    EXPECT_DOUBLE_EQ(CTLineGetOffsetForStringIndex(tabbed, 3, nullptr), CTTypesetter::kTabInterval);
    EXPECT_DOUBLE_EQ(CTLineGetOffsetForStringIndex(tabbed, 6, nullptr), 3 * CTTypesetter::kTabInterval);
    const CTLineRef leading = CTLineCreateWithAttributedString(attributed(u"\tx", codeFont()));
    EXPECT_DOUBLE_EQ(CTLineGetOffsetForStringIndex(leading, 1, nullptr), CTTypesetter::kTabInterval);
}

TEST(LineOffsets, CaretPositionsAndIndexRoundTrips)
{
    const double w = charWidth();
    const auto frame = frameFor(framesetter(u"abc def\nxy"), 100 * w, 1000);
    const auto& lines = CTFrameGetLines(frame);
    ASSERT_EQ(lines.size(), 2u);
    const CTLineRef first = lines[0];
    for (CFIndex i = 0; i < 7; ++i) {
        const CGFloat x = CTLineGetOffsetForStringIndex(first, i, nullptr);
        EXPECT_NEAR(x, i * w, 1e-3) << i;
        EXPECT_EQ(CTLineGetStringIndexForPosition(first, { x + 0.1, 0 }), i) << i;
        EXPECT_EQ(CTLineGetStringIndexForPosition(first, { x + 0.6 * w, 0 }), i + 1) << i;
    }
    // The line feed stands at the inked end; just left of it answers its own index.
    EXPECT_NEAR(CTLineGetOffsetForStringIndex(first, 7, nullptr), 7 * w, 1e-3);
    EXPECT_EQ(CTLineGetStringIndexForPosition(first, { 7 * w - 0.1, 0 }), 7);
    // Before the start, the start; past the end (the line feed included), the line's end.
    EXPECT_EQ(CTLineGetStringIndexForPosition(first, { -5, 0 }), 0);
    EXPECT_EQ(CTLineGetStringIndexForPosition(first, { 1000, 0 }), 8);
    EXPECT_EQ(CTLineGetStringIndexForPosition(lines[1], { 1000, 0 }), 10);
    EXPECT_EQ(CTLineGetStringIndexForPosition(lines[1], { 0.2, 0 }), 8);
    EXPECT_EQ(CTLineGetStringIndexForPosition(nullptr, { 1, 0 }), -1);
    EXPECT_DOUBLE_EQ(CTLineGetOffsetForStringIndex(lines[1], 100, nullptr), lines[1]->width());
    // The line feed has no width.
    EXPECT_NEAR(CTLineGetTypographicBounds(first, nullptr, nullptr, nullptr), 7 * w, 1e-3);
}

TEST(LineOffsets, ClustersKeepTheCaretOutOfCharacters)
{
    const CTLineRef combining = CTLineCreateWithAttributedString(attributed(u"e\u0301x", codeFont()));
    const CTLineRef emoji = CTLineCreateWithAttributedString(attributed(u"a\U0001F600b", codeFont()));
    const CTLineRef accented = CTLineCreateWithAttributedString(attributed(u"\u00e9t\u00e9", codeFont()));
    for (const CTLineRef& line : { combining, emoji, accented }) {
        const double width = line->width();
        EXPECT_GT(width, 0);
        for (double x = 0; x <= width + 5; x += 0.25) {
            const CFIndex i = CTLineGetStringIndexForPosition(line, { x, 0 });
            EXPECT_NE(i, line == combining ? 1 : line == emoji ? 2 : -5) << x;
        }
    }
    EXPECT_EQ(CTLineGetOffsetForStringIndex(combining, 1, nullptr), 0);
    EXPECT_GT(CTLineGetOffsetForStringIndex(emoji, 3, nullptr), CTLineGetOffsetForStringIndex(emoji, 1, nullptr));
    EXPECT_NEAR(accented->width(), 3 * charWidth(), 1e-3);
}

TEST(Frames, SuggestedHeightKeepsEveryLine)
{
    const std::u16string texts[] = { u"one\ntwo\nthree", u"a long line that wraps several times over", u"x\n\n\ny\n",
                                     u"tab\there and\tthere" };
    for (const auto& text : texts) {
        for (double widthInChars : { 0.0, 3.0, 7.5, 40.0 }) {
            const auto fs = framesetter(text);
            const double width = widthInChars * charWidth();
            CFRange fit {};
            const CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr, { width, FLT_MAX }, &fit);
            EXPECT_EQ(fit.length, static_cast<CFIndex>(text.size()));
            const auto all = frameFor(fs, width, size.height);
            const auto everything = frameFor(fs, width, 100000);
            ASSERT_EQ(CTFrameGetLines(all).size(), CTFrameGetLines(everything).size()) << widthInChars;
            EXPECT_EQ(CTFrameGetVisibleStringRange(all).length, static_cast<CFIndex>(text.size()));
            const auto& lines = CTFrameGetLines(all);
            double ascent = 0, descent = 0, leading = 0;
            CTLineGetTypographicBounds(lines[0], &ascent, &descent, &leading);
            EXPECT_NEAR(size.height, lines.size() * (ascent + descent + leading), 1e-6);
            if (widthInChars > 0) {
                EXPECT_LE(size.width, width + 1e-6);
            }
            // One point less loses the last line.
            EXPECT_EQ(CTFrameGetLines(frameFor(fs, width, size.height - 1)).size(), lines.size() - 1);
        }
    }
}

TEST(Frames, OriginsRunDownFromTheTopWithYUpward)
{
    const auto fs = framesetter(u"a\nb\nc");
    const auto frame = frameFor(fs, 100, 200);
    const auto& lines = CTFrameGetLines(frame);
    ASSERT_EQ(lines.size(), 3u);
    std::vector<CGPoint> origins(lines.size());
    CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins.data());
    double ascent = 0, descent = 0, leading = 0;
    CTLineGetTypographicBounds(lines[0], &ascent, &descent, &leading);
    EXPECT_EQ(origins[0].x, 0);
    EXPECT_NEAR(origins[0].y, 200 - ascent, 1e-9);
    EXPECT_NEAR(origins[1].y, origins[0].y - (ascent + descent + leading), 1e-9);
    EXPECT_NEAR(origins[2].y, origins[1].y - (ascent + descent + leading), 1e-9);
    EXPECT_EQ(CTFrameGetPath(frame), CTFrameGetPath(frame));
    EXPECT_EQ(CTFrameGetLines(frameFor(framesetter(u""), 100, 100)).size(), 0u);
}

TEST(Frames, MixedFontsTakeTheTallestMetrics)
{
    NSMutableAttributedString text(attributed(u"small BIG", codeFont(10)));
    text.addAttribute(kCTFontAttributeName, codeFont(30), NSMakeRange(6, 3));
    const auto fs = CTFramesetterCreateWithAttributedString(text);
    const auto frame = frameFor(fs, 1000, 1000);
    ASSERT_EQ(CTFrameGetLines(frame).size(), 1u);
    double ascent = 0;
    CTLineGetTypographicBounds(CTFrameGetLines(frame)[0], &ascent, nullptr, nullptr);
    EXPECT_NEAR(ascent, codeFont(30)->ascent(), 1e-9);
    EXPECT_EQ(CTLineGetGlyphRuns(CTFrameGetLines(frame)[0]).size(), 2u);
}

TEST(WordEnumeration, WordsWithEnclosingRanges)
{
    const std::u16string text = u"  foo, bar baz.";
    std::vector<std::pair<NSRange, NSRange>> seen;
    enumerateSubstringsInRange(text, NSMakeRange(0, text.size()), NSStringEnumerationByWords,
                               [&](std::u16string_view, NSRange word, NSRange enclosing, bool*) { seen.push_back({ word, enclosing }); });
    const std::vector<std::pair<NSRange, NSRange>> expected = {
        { { 2, 3 }, { 0, 7 } }, { { 7, 3 }, { 7, 4 } }, { { 11, 3 }, { 11, 4 } } };
    EXPECT_EQ(seen, expected);

    std::vector<std::u16string> words;
    enumerateSubstringsInRange(text, NSMakeRange(7, 100), NSStringEnumerationByWords,
                               [&](std::u16string_view word, NSRange, NSRange, bool* stop) {
                                   words.emplace_back(word);
                                   *stop = true;
                               });
    EXPECT_EQ(words, std::vector<std::u16string> { u"bar" });
    int calls = 0;
    enumerateSubstringsInRange(text, NSMakeRange(40, 3), NSStringEnumerationByWords,
                               [&](std::u16string_view, NSRange, NSRange, bool*) { ++calls; });
    enumerateSubstringsInRange(u" .,; ", NSMakeRange(0, 5), NSStringEnumerationByWords,
                               [&](std::u16string_view, NSRange, NSRange, bool*) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(StringMeasuring, SizeWithFont)
{
    const UIFontRef font = UIFont::fontWithName("Droid Sans Mono", 10);
    const CGSize one = sizeWithFont(u"12345", font);
    EXPECT_NEAR(one.width, 5 * charWidth(), 1e-3);
    EXPECT_NEAR(one.height, font->lineHeight(), 1e-9);
    const CGSize wrapped = sizeWithFontConstrainedToSize(u"aaa bbb ccc", font, { 4 * charWidth(), 1000 });
    EXPECT_NEAR(wrapped.height, 3 * font->lineHeight(), 1e-6);
}

}
