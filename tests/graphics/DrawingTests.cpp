#include <gtest/gtest.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreText/CGContextText.h"
#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "tests/graphics/GraphicsTestSupport.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

using namespace graphics_test;

namespace {

// Rows of the picture's box holding any ink, and the widest inked row.
struct InkProfile {
    long top { -1 };
    long bottom { -1 };
    long widestRow { -1 };
};

InkProfile profile(const CGImage& image, std::size_t x0, std::size_t x1)
{
    InkProfile p;
    std::size_t widest = 0;
    for (std::size_t y = 0; y < image.height(); ++y) {
        const std::size_t ink = inkCount(image, x0, y, x1, y + 1);
        if (ink > 0) {
            if (p.top < 0) {
                p.top = static_cast<long>(y);
            }
            p.bottom = static_cast<long>(y);
        }
        if (ink > widest) {
            widest = ink;
            p.widestRow = static_cast<long>(y);
        }
    }
    return p;
}

TEST(TextDrawing, GlyphsAreUprightAndBlackWithoutAColour)
{
    auto canvas = whiteCanvas(120, 60, 2);
    // A red fill colour must not colour text that has no colour attribute.
    CGContextSetRGBFillColor(canvas.get(), 1, 0, 0, 1);
    const CTLineRef line = CTLineCreateWithAttributedString(attributed(u"T", codeFont(40)));
    CGContextSetTextPosition(canvas.get(), 10, 15);
    CTLineDraw(line, canvas.get());
    keepPng(*canvas, "upright-T");
    const CGImageRef image = canvas->makeImage();
    // The baseline at y = 15 points (from the bottom) is pixel row 120 - 30 = 90 from the top.
    const InkProfile p = profile(*image, 0, image->width());
    ASSERT_GE(p.top, 0);
    EXPECT_LE(p.bottom, 91);
    EXPECT_GT(p.bottom, 80);
    // The bar of an upright T is at its top.
    EXPECT_LT(p.widestRow - p.top, (p.bottom - p.top) / 4);
    const std::size_t stemX = static_cast<std::size_t>((10 + line->width() / 2) * 2);
    const CGImage::Pixel stem = image->pixelAt(stemX, static_cast<std::size_t>((p.top + p.bottom) / 2));
    EXPECT_LT(stem.red, 60);
    EXPECT_LT(stem.green, 60);
    EXPECT_LT(stem.blue, 60);
    // Nothing right of the glyph.
    EXPECT_EQ(inkCount(*image, static_cast<std::size_t>((14 + line->width()) * 2), 0, image->width(), image->height()), 0u);
}

TEST(TextDrawing, ColouredRunsAndFramesAtLineOrigins)
{
    NSMutableAttributedString text(attributed(u"IIII\nIIII", codeFont(20)));
    text.addAttribute(kCTForegroundColorAttributeName, CGColorCreateRGBA(0, 0.6, 0, 1), NSMakeRange(5, 4));
    text.addAttribute(NSForegroundColorAttributeName, UIColor::blueColor(), NSMakeRange(0, 2));
    const auto fs = CTFramesetterCreateWithAttributedString(text);
    auto canvas = whiteCanvas(100, 60);
    const auto frame = CTFramesetterCreateFrame(fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, 100, 60), nullptr));
    CTFrameDraw(frame, canvas.get());
    keepPng(*canvas, "coloured-runs");
    const CGImageRef image = canvas->makeImage();
    std::size_t green = 0, blue = 0, black = 0;
    for (std::size_t y = 0; y < image->height(); ++y) {
        for (std::size_t x = 0; x < image->width(); ++x) {
            const CGImage::Pixel px = image->pixelAt(x, y);
            if (px.green > 100 && px.red < 60 && px.blue < 60) {
                green += y >= 25 ? 1 : 0; // second line, lower in the picture
            } else if (px.blue > 150 && px.red < 60 && px.green < 60) {
                blue += y < 25 ? 1 : 0;
            } else if (px.red < 40 && px.green < 40 && px.blue < 40) {
                black += y < 25 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(green, 20u);
    EXPECT_GT(blue, 20u);
    EXPECT_GT(black, 20u);
}

TEST(TextDrawing, ShowTextAtPointInTheFillColour)
{
    auto canvas = whiteCanvas(60, 30, 2);
    CGContextSelectFont(canvas.get(), "Droid Sans Mono", 14, kCGEncodingMacRoman);
    CGContextSetRGBFillColor(canvas.get(), 0, 0, 0, 1);
    CGContextShowTextAtPoint(canvas.get(), 5, 8, "42", 2);
    keepPng(*canvas, "gutter-number");
    const CGImageRef image = canvas->makeImage();
    const InkProfile p = profile(*image, 0, image->width());
    EXPECT_GT(inkCount(*image, 0, 0, image->width(), image->height()), 30u);
    EXPECT_LE(p.bottom, 60 - 16 + 1); // baseline 8 points up
    EXPECT_GT(CGContextGetTextPosition(canvas.get()).x, 5);
}

TEST(PathDrawing, RoundedRectangleLeavesItsCornersClear)
{
    auto context = CGContext::createImageContext({ 100, 100 }, 1, false, true);
    auto path = CGPathCreateMutable();
    CGPathAddRoundedRect(path, nullptr, CGRectMake(0, 0, 100, 100), 20, 20);
    CGContextAddPath(context.get(), path);
    CGContextSetFillColorWithColor(context.get(), UIColor::redColor()->CGColor());
    CGContextFillPath(context.get());
    keepPng(*context, "rounded-rect");
    const CGImageRef image = context->makeImage();
    for (const auto& corner : { std::pair { 1, 1 }, { 98, 1 }, { 1, 98 }, { 98, 98 } }) {
        EXPECT_EQ(image->pixelAt(corner.first, corner.second).alpha, 0) << corner.first << "," << corner.second;
    }
    for (const auto& inside : { std::pair { 50, 50 }, { 50, 1 }, { 1, 50 }, { 10, 10 } }) {
        const CGImage::Pixel p = image->pixelAt(inside.first, inside.second);
        EXPECT_EQ(p.alpha, 255) << inside.first << "," << inside.second;
        EXPECT_EQ(p.red, 255);
    }
    EXPECT_TRUE(CGContextIsPathEmpty(context.get()));
}

TEST(PathDrawing, ClipToMaskByAlpha)
{
    // The mask: opaque left half, clear right half.
    auto maskContext = CGContext::createImageContext({ 40, 40 }, 1, false, true);
    CGContextSetGrayFillColor(maskContext.get(), 0, 1);
    CGContextFillRect(maskContext.get(), CGRectMake(0, 0, 20, 40));
    const CGImageRef mask = maskContext->makeImage();

    auto context = CGContext::createImageContext({ 40, 40 }, 2, false, true);
    CGContextSaveGState(context.get());
    CGContextClipToMask(context.get(), CGRectMake(0, 0, 40, 40), mask);
    CGContextSetRGBFillColor(context.get(), 0, 0, 1, 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, 40, 40));
    CGContextRestoreGState(context.get());
    // After the restore the mask no longer applies.
    CGContextSetRGBFillColor(context.get(), 1, 0, 0, 1);
    CGContextFillRect(context.get(), CGRectMake(0, 35, 40, 5));
    keepPng(*context, "mask-clip");
    const CGImageRef image = context->makeImage();
    EXPECT_EQ(image->pixelAt(10, 10), (CGImage::Pixel { 0, 0, 255, 255 }));
    EXPECT_EQ(image->pixelAt(70, 10).alpha, 0);
    EXPECT_EQ(image->pixelAt(70, 75), (CGImage::Pixel { 255, 0, 0, 255 }));
}

TEST(PathDrawing, GlobalAlphaAndSavedState)
{
    auto context = CGContext::createImageContext({ 10, 10 }, 1, false, true);
    CGContextSaveGState(context.get());
    CGContextSetAlpha(context.get(), 0.5);
    CGContextSetRGBFillColor(context.get(), 0, 0, 0, 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, 5, 10));
    CGContextRestoreGState(context.get());
    CGContextRestoreGState(context.get()); // unbalanced: ignored
    CGContextFillRect(context.get(), CGRectMake(5, 0, 5, 10));
    const CGImageRef image = context->makeImage();
    EXPECT_NEAR(image->pixelAt(2, 2).alpha, 128, 1);
    EXPECT_EQ(image->pixelAt(7, 2).alpha, 255);
}

class ImageFiles : public testing::Test {
protected:
    void SetUp() override
    {
        folder_.emplace("lexiphant-images");
        dir_ = folder_->path();
        std::filesystem::create_directories(dir_ / "Images");
        // Fonts keep resolving through the real bundle's alias table.
        std::filesystem::create_directory_symlink(std::filesystem::path(LEXIPHANT_SOURCE_DIR) / "Resources" / "Fonts", dir_ / "Fonts");
        bundleEnv_.emplace("LEXIPHANT_BUNDLE", dir_.string());
        NSBundle::resetMainBundleForTesting();
        UIImage::clearNamedCache();
    }
    void TearDown() override
    {
        bundleEnv_.reset();
        NSBundle::resetMainBundleForTesting();
        UIImage::setScreenScale(1);
        UIImage::clearNamedCache();
        folder_.reset();
    }

    // A picture w x h pixels: red top half, green bottom half.
    static std::unique_ptr<CGContext> twoTone(int w, int h)
    {
        auto context = CGContext::createImageContext({ static_cast<double>(w), static_cast<double>(h) }, 1, false, true);
        CGContextSetRGBFillColor(context.get(), 1, 0, 0, 1);
        CGContextFillRect(context.get(), CGRectMake(0, 0, w, h / 2.0));
        CGContextSetRGBFillColor(context.get(), 0, 1, 0, 1);
        CGContextFillRect(context.get(), CGRectMake(0, h / 2.0, w, h / 2.0));
        return context;
    }

    void savePixbuf(const CGImage& image, const std::string& path, const char* type)
    {
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, static_cast<int>(image.width()), static_cast<int>(image.height()));
        for (std::size_t y = 0; y < image.height(); ++y) {
            for (std::size_t x = 0; x < image.width(); ++x) {
                const CGImage::Pixel p = image.pixelAt(x, y);
                guchar* d = gdk_pixbuf_get_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf) + x * 3;
                d[0] = p.red;
                d[1] = p.green;
                d[2] = p.blue;
            }
        }
        ASSERT_TRUE(gdk_pixbuf_save(pixbuf, path.c_str(), type, nullptr, nullptr));
        g_object_unref(pixbuf);
    }

    std::optional<TempDir> folder_;
    std::optional<ScopedEnv> bundleEnv_;
    std::filesystem::path dir_;
};

TEST_F(ImageFiles, FormatsDecodeUpright)
{
    const CGImageRef source = twoTone(8, 8)->makeImage();
    ASSERT_TRUE(source->writePNG((dir_ / "a.png").string()));
    savePixbuf(*source, (dir_ / "a.jpg").string(), "jpeg");
    savePixbuf(*source, (dir_ / "a.bmp").string(), "bmp");
    for (const char* name : { "a.png", "a.jpg", "a.bmp" }) {
        const UIImageRef image = UIImage::imageWithContentsOfFile((dir_ / name).string());
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->size(), (CGSize { 8, 8 })) << name;
        const CGImage::Pixel top = image->CGImage()->pixelAt(4, 1);
        const CGImage::Pixel bottom = image->CGImage()->pixelAt(4, 6);
        EXPECT_GT(top.red, 200) << name;
        EXPECT_GT(bottom.green, 200) << name;
    }
    std::ofstream(dir_ / "broken.png") << "\x89PNG\r\n\x1a\nnot really";
    std::ofstream(dir_ / "text.jpg") << "plain words";
    EXPECT_FALSE(UIImage::imageWithContentsOfFile((dir_ / "broken.png").string()));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile((dir_ / "text.jpg").string()));
    EXPECT_FALSE(UIImage::imageWithContentsOfFile((dir_ / "missing.png").string()));
    EXPECT_TRUE(UIImagePNGRepresentation(nullptr).empty());
}

TEST_F(ImageFiles, NamedImagesPreferDoubleScaleOnARetinaScreen)
{
    ASSERT_TRUE(twoTone(10, 6)->makeImage()->writePNG((dir_ / "Images" / "dot.png").string()));
    ASSERT_TRUE(twoTone(20, 12)->makeImage()->writePNG((dir_ / "Images" / "dot@2x.png").string()));
    const UIImageRef normal = UIImage::imageNamed("dot.png");
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->scale(), 1);
    EXPECT_EQ(normal->size(), (CGSize { 10, 6 }));
    UIImage::setScreenScale(2);
    const UIImageRef retina = UIImage::imageNamed("dot");
    ASSERT_TRUE(retina);
    EXPECT_EQ(retina->scale(), 2);
    EXPECT_EQ(retina->size(), (CGSize { 10, 6 }));
    EXPECT_FALSE(UIImage::imageNamed("nothing.png"));
}

TEST_F(ImageFiles, ImageContextsDrawPicturesUpright)
{
    const UIImageRef picture = UIImage::imageWithCGImage(twoTone(4, 4)->makeImage());
    UIGraphicsBeginImageContextWithOptions({ 20, 10 }, false, 2);
    ASSERT_TRUE(UIGraphicsGetCurrentContext());
    picture->drawInRect(CGRectMake(0, 0, 10, 10));
    // CGContextDrawImage puts the first row at the rectangle's maximum y: upside down here.
    CGContextDrawImage(UIGraphicsGetCurrentContext(), CGRectMake(10, 0, 10, 10), picture->CGImage());
    const UIImageRef result = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    EXPECT_FALSE(UIGraphicsGetCurrentContext());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->size(), (CGSize { 20, 10 }));
    EXPECT_EQ(result->CGImage()->width(), 40u);
    EXPECT_GT(result->CGImage()->pixelAt(10, 2).red, 200);
    EXPECT_GT(result->CGImage()->pixelAt(10, 17).green, 200);
    EXPECT_GT(result->CGImage()->pixelAt(30, 2).green, 200);
    EXPECT_GT(result->CGImage()->pixelAt(30, 17).red, 200);

    // An empty size makes no context, but begin and end still pair up.
    UIGraphicsBeginImageContextWithOptions({ 0, 10 }, false, 1);
    EXPECT_FALSE(UIGraphicsGetCurrentContext());
    EXPECT_FALSE(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
    UIColor::redColor()->setFill(); // no context: nothing happens
}

}

// A character the code font lacks is drawn from an installed font that has it, a colour emoji
// in its colours at the text's size, rather than as an empty box.
TEST(TextDrawing, CharactersTheFontLacksComeFromAFallbackFont)
{
    auto canvas = whiteCanvas(200, 40, 2);
    const CTLineRef line = CTLineCreateWithAttributedString(attributed(u"a\U0001F35E\u2603\u265Eb", codeFont(20)));
    CGContextSetTextPosition(canvas.get(), 4, 10);
    CTLineDraw(line, canvas.get());
    keepPng(*canvas, "fallback-glyphs");
    const CGImageRef image = canvas->makeImage();
    std::size_t coloured = 0;
    for (std::size_t y = 0; y < image->height(); ++y) {
        for (std::size_t x = 0; x < image->width(); ++x) {
            const CGImage::Pixel px = image->pixelAt(x, y);
            coloured += (px.red - px.blue > 60) ? 1 : 0;
        }
    }
    EXPECT_GT(coloured, 100u) << "the bread is drawn in its colours";
    const InkProfile p = profile(*image, 0, image->width());
    EXPECT_LT(p.bottom - p.top, 2 * 30) << "the emoji is scaled to the text's size";
}
