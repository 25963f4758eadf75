// The plain view (large texts and files of unlisted kinds) reads like the code view: dark text on
// the same light background with the same margins, on pad and phone, upright and turned.

#include "tests/screens_editor/EditorTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIRenderer.h"
#include "tests/support/SnapshotFolder.h"

namespace {

double luminance(const CGImage::Pixel& p)
{
    const auto linear = [](std::uint8_t c) {
        const double v = c / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p.red) + 0.7152 * linear(p.green) + 0.0722 * linear(p.blue);
}

// How a text view reads on screen: its background (right of the short lines), the contrast of
// its darkest ink to it, and where the ink starts from the view's top left corner.
struct Look {
    CGImage::Pixel background;
    double contrast { 0 };
    int left { 0 };
    int top { 0 };
};

Look lookOf(const UIView& view)
{
    const CGImageRef screen = UIRenderer::snapshotScreen();
    const CGRect r = UIModalChrome::interfaceRectOfView(view, view.bounds());
    const int x0 = int(r.origin.x), y0 = int(r.origin.y);
    const int x1 = int(CGRectGetMaxX(r)), y1 = int(std::min<CGFloat>(CGRectGetMaxY(r), CGFloat(screen->height())));
    Look look;
    look.background = screen->pixelAt(std::size_t(x1 - 3), std::size_t((y0 + y1) / 2));
    const double paper = luminance(look.background);
    double ink = paper;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            ink = std::min(ink, luminance(screen->pixelAt(std::size_t(x), std::size_t(y))));
    look.contrast = (paper + 0.05) / (ink + 0.05);
    look.left = look.top = 1 << 20;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (luminance(screen->pixelAt(std::size_t(x), std::size_t(y))) < (paper + ink) / 2) {
                look.left = std::min(look.left, x - x0);
                look.top = std::min(look.top, y - y0);
            }
    return look;
}

TEST_F(EditorTest, PlainViewReadsLikeTheCodeView)
{
    std::string text;
    for (int line = 1; text.size() < 12000; ++line)
        text += "line " + std::to_string(line) + " of a large text\n";
    const std::filesystem::path snapshots = snapshotFolder("screens_editor");
    enum class Kind { Code, Large, Unlisted };
    for (const char* device : { "iphone", "ipad" }) {
        for (const bool turned : { false, true }) {
            Look code;
            for (const Kind kind : { Kind::Code, Kind::Large, Kind::Unlisted }) {
                const char* name = kind == Kind::Code ? "code" : kind == Kind::Large ? "plain-large" : "plain-unlisted";
                SCOPED_TRACE(std::string(device) + (turned ? " landscape " : " portrait ") + name);
                window_.reset();
                useDevice(device);
                const std::string contents = kind == Kind::Large ? text : text.substr(0, 600);
                // A long name: the title shrinks to show it, or keeps its extension when cut.
                const char* file = kind == Kind::Unlisted ? "notes.xyz" : kind == Kind::Large ? "price-list-for-2024.txt" : "notes.txt";
                auto editor = open(file, &contents, device, false, kind == Kind::Unlisted);
                ASSERT_TRUE(editor && editor->backupCode());
                ASSERT_EQ(editor->txtCodePlain() != nullptr, kind != Kind::Code);
                if (turned) {
                    ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeRight));
                }
                advance(1);
                const UIView& shown = kind == Kind::Code ? static_cast<const UIView&>(*editor->txtCode())
                                                         : static_cast<const UIView&>(*editor->txtCodePlain());
                const Look look = lookOf(shown);
                const UITextLines title = editor->lblName()->textLines();
                ASSERT_EQ(title.texts.size(), 1u);
                EXPECT_TRUE(title.texts[0].ends_with(utf8ToUtf16(file).substr(std::strlen(file) - 4)));
                EXPECT_GE(editor->lblName()->fontForDrawing()->pointSize(), 8);
                if (kind != Kind::Unlisted) {
                    EXPECT_TRUE(UIRenderer::writeScreenPNG(
                        (snapshots / (std::string(name) + "-" + device + (turned ? "-landscape" : "-portrait") + ".png")).string()));
                }
                if (kind == Kind::Code) {
                    code = look;
                    EXPECT_GT(code.contrast, 15);
                } else {
                    EXPECT_EQ(look.background, code.background);
                    EXPECT_GT(look.contrast, 15);
                    EXPECT_NEAR(look.left, code.left, 2);
                    EXPECT_NEAR(look.top, code.top, 3);
                }
                UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationPortrait);
                navigation_->popViewControllerAnimated(false);
                window_->setRootViewController(nullptr);
            }
        }
    }
}

} // namespace
