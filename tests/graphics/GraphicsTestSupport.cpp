#include "tests/graphics/GraphicsTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace graphics_test {

CTFontRef codeFont(double size) { return CTFontCreateWithName("Droid Sans Mono", size); }

NSAttributedString attributed(const std::u16string& text, const CTFontRef& font, const CGColorRef& color)
{
    NSAttributeDictionary attributes;
    attributes[kCTFontAttributeName] = font;
    if (color) {
        attributes[kCTForegroundColorAttributeName] = color;
    }
    return NSAttributedString(text, attributes);
}

CTFramesetterRef framesetter(const std::u16string& text, double fontSize)
{
    return CTFramesetterCreateWithAttributedString(attributed(text, codeFont(fontSize)));
}

std::unique_ptr<CGContext> whiteCanvas(double width, double height, double scale)
{
    auto context = CGContext::createImageContext({ width, height }, scale, false, false);
    CGContextSetRGBFillColor(context.get(), 1, 1, 1, 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, width, height));
    return context;
}

std::string keepPng(CGContext& context, const std::string& name)
{
    std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "graphics-png";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / (name + ".png")).string();
    EXPECT_TRUE(context.makeImage()->writePNG(path)) << path;
    return path;
}

std::size_t inkCount(const CGImage& image, std::size_t x0, std::size_t y0, std::size_t x1, std::size_t y1, int threshold)
{
    std::size_t count = 0;
    for (std::size_t y = y0; y < y1 && y < image.height(); ++y) {
        for (std::size_t x = x0; x < x1 && x < image.width(); ++x) {
            const CGImage::Pixel p = image.pixelAt(x, y);
            if (p.alpha > 128 && (p.red + p.green + p.blue) / 3 < threshold) {
                ++count;
            }
        }
    }
    return count;
}

}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
