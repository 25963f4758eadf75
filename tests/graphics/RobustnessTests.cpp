#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/CoreText/CTTypesetter.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "tests/graphics/GraphicsTestSupport.h"

using namespace graphics_test;

namespace {

TEST(OddText, BrokenAttributesAndTextStillLayOut)
{
    // A colour key holding a font, a font key holding a colour, a null value, lone surrogates
    // and control characters: laid out in the default font, drawn black, nothing lost.
    NSAttributeDictionary odd;
    odd[kCTForegroundColorAttributeName] = codeFont();
    odd[kCTFontAttributeName] = CGColorCreateRGBA(1, 0, 0, 1);
    odd[NSLinkAttributeName] = nullptr;
    const std::u16string text = u"a\xD800" u"b\xDC00\x01\x7f\uFFFF c";
    const auto fs = CTFramesetterCreateWithAttributedString(NSAttributedString(text, odd));
    const CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr, { 500, FLT_MAX }, nullptr);
    EXPECT_GT(size.height, 0);
    const auto frame = CTFramesetterCreateFrame(fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, 500, size.height), nullptr));
    ASSERT_EQ(CTFrameGetLines(frame).size(), 1u);
    EXPECT_EQ(CTLineGetStringRange(CTFrameGetLines(frame)[0]).length, static_cast<CFIndex>(text.size()));
    for (const CTRunRef& run : CTLineGetGlyphRuns(CTFrameGetLines(frame)[0])) {
        EXPECT_FALSE(run->color);
    }
    auto canvas = whiteCanvas(100, 30);
    CGContextSetTextPosition(canvas.get(), 2, 10);
    CTLineDraw(CTFrameGetLines(frame)[0], canvas.get());
    EXPECT_GT(inkCount(*canvas->makeImage(), 0, 0, 100, 30), 0u);
}

TEST(OddText, OddWidthsAndRanges)
{
    const auto fs = framesetter(u"alpha beta\ngamma");
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const CGSize box : { CGSize { -5, 100 }, CGSize { nan, 100 }, CGSize { inf, inf }, CGSize { 100, nan }, CGSize { 100, -1 } }) {
        CFRange fit {};
        const CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr, box, &fit);
        EXPECT_TRUE(std::isfinite(size.width) && std::isfinite(size.height));
        EXPECT_GE(fit.length, 0);
    }
    // A sub-range and ranges that run past the text.
    const auto part = CTFramesetterCreateFrame(fs, CFRangeMake(6, 4), CGPathCreateWithRect(CGRectMake(0, 0, 500, 500), nullptr));
    ASSERT_EQ(CTFrameGetLines(part).size(), 1u);
    EXPECT_EQ(CTLineGetStringRange(CTFrameGetLines(part)[0]), CFRangeMake(6, 4));
    const auto past = CTFramesetterCreateFrame(fs, CFRangeMake(12, 100), CGPathCreateWithRect(CGRectMake(0, 0, 500, 500), nullptr));
    EXPECT_EQ(CTFrameGetStringRange(past), CFRangeMake(12, 4));
    const auto none = CTFramesetterCreateFrame(fs, CFRangeMake(99, 3), CGPathCreateWithRect(CGRectMake(0, 0, 500, 500), nullptr));
    EXPECT_TRUE(CTFrameGetLines(none).empty());
    EXPECT_FALSE(CTFramesetterCreateFrame(fs, CFRangeMake(0, 0), nullptr));
    // A short frame shows what fits and says so.
    const auto shortFrame = CTFramesetterCreateFrame(fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, 500, 15), nullptr));
    EXPECT_EQ(CTFrameGetLines(shortFrame).size(), 1u);
    EXPECT_EQ(CTFrameGetVisibleStringRange(shortFrame), CFRangeMake(0, 11));
    EXPECT_EQ(CTFrameGetStringRange(shortFrame), CFRangeMake(0, 16));
}

TEST(OddText, TypesetterCountsCharactersPerLine)
{
    const auto typesetter = CTFramesetterGetTypesetter(framesetter(u"one two three"));
    const double w = CTLineCreateWithAttributedString(attributed(u"x", codeFont()))->width();
    EXPECT_EQ(CTTypesetterSuggestLineBreak(typesetter, 0, 8 * w), 8);
    EXPECT_EQ(CTTypesetterSuggestLineBreak(typesetter, 8, 8 * w), 5);
    EXPECT_EQ(CTTypesetterSuggestLineBreak(typesetter, 13, 8 * w), 0);
    EXPECT_EQ(CTLineGetStringRange(CTTypesetterCreateLine(typesetter, CFRangeMake(4, 3))), CFRangeMake(4, 3));
}

TEST(Paths, ShapesAndBounds)
{
    auto path = CGPathCreateMutable();
    EXPECT_TRUE(CGRectIsNull(CGPathGetBoundingBox(path)));
    CGPathAddArc(path, nullptr, 10, 10, 5, 0, M_PI, false);
    const CGRect arc = CGPathGetBoundingBox(path);
    EXPECT_NEAR(arc.origin.x, 5, 1e-9);
    EXPECT_NEAR(arc.origin.y, 10, 1e-9);
    EXPECT_NEAR(CGRectGetMaxY(arc), 10 + 5 * 4.0 / 3.0 * std::tan(M_PI / 8) * std::sqrt(2.0) + 1e-9, 1.5);
    EXPECT_NEAR(CGPathGetCurrentPoint(path).x, 5, 1e-9);

    CGRect rect {};
    EXPECT_TRUE(CGPathIsRect(CGPathCreateWithRect(CGRectMake(1, 2, 3, 4), nullptr), &rect));
    EXPECT_EQ(rect, CGRectMake(1, 2, 3, 4));
    EXPECT_FALSE(CGPathIsRect(CGPathCreateWithRoundedRect(CGRectMake(1, 2, 30, 40), 5, 5, nullptr), nullptr));
    // Radii larger than half a side are clamped; the box stays the rectangle.
    EXPECT_EQ(CGPathGetBoundingBox(CGPathCreateWithRoundedRect(CGRectMake(0, 0, 10, 4), 50, 50, nullptr)), CGRectMake(0, 0, 10, 4));
    const CGAffineTransform shift = CGAffineTransformMakeTranslation(100, 0);
    EXPECT_EQ(CGPathGetBoundingBox(CGPathCreateWithRect(CGRectMake(0, 0, 1, 1), &shift)), CGRectMake(100, 0, 1, 1));
}

TEST(PathDrawing, StrokesClearsAndEvenOddFills)
{
    auto context = CGContext::createImageContext({ 30, 30 }, 1, false, true);
    CGContextSetRGBFillColor(context.get(), 0, 0, 0, 1);
    CGContextAddRect(context.get(), CGRectMake(0, 0, 30, 30));
    CGContextAddRect(context.get(), CGRectMake(10, 10, 10, 10));
    CGContextEOFillPath(context.get());
    CGContextClearRect(context.get(), CGRectMake(0, 0, 5, 5));
    CGContextSetRGBStrokeColor(context.get(), 1, 0, 0, 1);
    CGContextSetLineWidth(context.get(), 2);
    const CGPoint segment[] = { { 15, 0 }, { 15, 8 } };
    CGContextStrokeLineSegments(context.get(), segment, 2);
    keepPng(*context, "even-odd");
    const CGImageRef image = context->makeImage();
    EXPECT_EQ(image->pixelAt(15, 15).alpha, 0); // the hole
    EXPECT_EQ(image->pixelAt(7, 25).alpha, 255);
    EXPECT_EQ(image->pixelAt(2, 2).alpha, 0);   // cleared
    EXPECT_EQ(image->pixelAt(15, 4), (CGImage::Pixel { 255, 0, 0, 255 }));
    // A null context is ignored everywhere.
    CGContextFillRect(nullptr, CGRectMake(0, 0, 1, 1));
    CGContextDrawImage(nullptr, CGRectMake(0, 0, 1, 1), image);
    EXPECT_TRUE(CGRectIsNull(CGContextGetClipBoundingBox(nullptr)));
    EXPECT_FALSE(CGContext::createImageContext({ 0, 5 }, 1, false, true));
    EXPECT_FALSE(CGContext::createImageContext({ 1e9, 5 }, 1, false, true));
}

TEST(PathDrawing, ClipBoxAndImageParts)
{
    auto context = CGContext::createImageContext({ 40, 20 }, 2, true, true);
    EXPECT_EQ(CGContextGetClipBoundingBox(context.get()), CGRectMake(0, 0, 40, 20));
    CGContextClipToRect(context.get(), CGRectMake(5, 5, 10, 10));
    EXPECT_EQ(CGContextGetClipBoundingBox(context.get()), CGRectMake(5, 5, 10, 10));
    CGContextSetRGBFillColor(context.get(), 1, 1, 1, 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, 40, 20));
    const CGImageRef image = context->makeImage();
    EXPECT_EQ(image->width(), 80u);
    EXPECT_EQ(image->pixelAt(0, 0), (CGImage::Pixel { 0, 0, 0, 255 })); // opaque black outside the clip
    EXPECT_EQ(image->pixelAt(20, 20), (CGImage::Pixel { 255, 255, 255, 255 }));
    const CGImageRef part = CGImageCreateWithImageInRect(image, CGRectMake(10, 10, 20, 20));
    ASSERT_TRUE(part);
    EXPECT_EQ(part->pixelAt(0, 0), (CGImage::Pixel { 255, 255, 255, 255 }));
    EXPECT_FALSE(CGImageCreateWithImageInRect(image, CGRectMake(500, 0, 5, 5)));
    EXPECT_FALSE(image->pngData().empty());
}

TEST(Colours, NamedColoursAndComponents)
{
    CGFloat r = 0, g = 0, b = 0, a = 0;
    EXPECT_TRUE(UIColor::orangeColor()->getRed(&r, &g, &b, &a));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(g, 0.5);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(UIColor::clearColor()->CGColor()->alpha(), 0);
    EXPECT_EQ(UIColor::redColor()->colorWithAlphaComponent(0.25)->CGColor()->alpha(), 0.25);
    // Components are clamped; NaN becomes 0.
    const CGColorRef odd = CGColorCreateRGBA(2, -1, std::nan(""), 0.5);
    EXPECT_EQ(odd->red(), 1);
    EXPECT_EQ(odd->green(), 0);
    EXPECT_EQ(odd->blue(), 0);
    EXPECT_FALSE(CGColorEqualToColor(odd, nullptr));
    EXPECT_TRUE(CGColorEqualToColor(nullptr, nullptr));
}

}
