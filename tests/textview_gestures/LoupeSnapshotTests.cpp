#include "GestureTestSupport.h"

#include <filesystem>

#include "Classes/TextView/CodeLoupeView.h"
#include "Classes/TextView/CodeMagnifyView.h"
#include "Platform/UIKit/UIRenderer.h"
#include "tests/support/SnapshotFolder.h"

namespace {

std::string snapshotPath(const std::string& name) { return snapshotFile("textview_gestures", name); }

int darkPixels(const CGImageRef& image, std::size_t x0, std::size_t y0, std::size_t x1, std::size_t y1)
{
    int dark = 0;
    for (std::size_t y = y0; y < y1 && y < image->height(); ++y) {
        for (std::size_t x = x0; x < x1 && x < image->width(); ++x) {
            const auto p = image->pixelAt(x, y);
            dark += p.red < 100 && p.green < 100 && p.blue < 100 ? 1 : 0;
        }
    }
    return dark;
}

}

// The overlay window over time: popping up (renders ignored), showing (the copy follows the
// finger), hiding, idle again at the normal level.
TEST_F(GestureTest, LoupeWindowStatesOverTime)
{
    std::u16string text;
    for (int i = 0; i < 20; ++i) {
        text += u"MMMM WWWW line\n";
    }
    view_->setBackgroundColor(UIColor::whiteColor());
    load(text);
    view_->setSelectedRange(NSMakeRange(0, 0));
    const NSUInteger at = 15 * 12 + 2;
    down(pointAtIndex(at));
    advance(0.55);
    CodeTextWindow* window = view_->textWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isShowing()); // popping up
    auto* loupe = dynamic_cast<CodeLoupeView*>(window->overlayView());
    ASSERT_NE(loupe, nullptr);
    move(pointAtIndex(at + 1));
    EXPECT_FALSE(loupe->contentImage()); // a render before the pop-up ends changes nothing
    advance(CodeTextWindow::kAnimationDuration + 0.02);
    EXPECT_TRUE(window->isShowing());
    EXPECT_TRUE(loupe->contentImage()); // the queued render after the pop-up
    move(pointAtIndex(at + 2));
    ASSERT_TRUE(loupe->contentImage());
    const CGImageRef copy = loupe->contentImage()->CGImage();
    ASSERT_TRUE(loupe->contentImage()->CGImage()->writePNG(snapshotPath("loupe-copy")));
    // The copy shows text across its middle band, and the caret in its centre, where the finger is.
    const std::size_t w = copy->width();
    const std::size_t h = copy->height();
    EXPECT_GT(darkPixels(copy, 0, h / 3, w, 2 * h / 3), 20);
    int caretBlue = 0;
    for (std::size_t y = h / 2 - 6; y < h / 2 + 6; ++y) {
        for (std::size_t x = w / 2 - 4; x < w / 2 + 4; ++x) {
            const auto p = copy->pixelAt(x, y);
            caretBlue += p.blue > 200 && p.red < 120 ? 1 : 0;
        }
    }
    EXPECT_GT(caretBlue, 10);
    UIView::layoutPendingViews();
    ASSERT_TRUE(UIRenderer::snapshotScreen()->writePNG(snapshotPath("loupe-screen")));

    up(pointAtIndex(at + 2));
    EXPECT_TRUE(window->isShowing()); // hiding
    advance(CodeTextWindow::kAnimationDuration + 0.02);
    EXPECT_FALSE(window->isShowing());
    EXPECT_EQ(window->overlayView(), nullptr);
    EXPECT_TRUE(window->isHidden());
    EXPECT_EQ(window->windowLevel(), UIWindowLevelNormal);
}

// The magnifier's copy while an end handle is dragged shows the selection's fill and text.
TEST_F(GestureTest, SnapshotMagnifierOverASelection)
{
    view_->setBackgroundColor(UIColor::whiteColor());
    std::u16string text;
    for (int i = 0; i < 20; ++i) {
        text += u"alpha beta gamma delta\n";
    }
    load(text);
    const NSUInteger start = 23 * 12 + 6;
    view_->setSelectedRange(NSMakeRange(start, 10));
    down(pointAtIndex(start + 10));
    advance(0.3);
    move(pointAtIndex(start + 12));
    CodeTextWindow* window = view_->textWindow();
    ASSERT_NE(window, nullptr);
    auto* magnifier = dynamic_cast<CodeMagnifyView*>(window->overlayView());
    ASSERT_NE(magnifier, nullptr);
    ASSERT_TRUE(magnifier->contentImage());
    const CGImageRef copy = magnifier->contentImage()->CGImage();
    ASSERT_TRUE(copy->writePNG(snapshotPath("magnifier-copy")));
    // The dragged end stands in the middle: the selection's fill left of centre, none right of it.
    const auto fillAt = [&](std::size_t x, std::size_t y) {
        const auto p = copy->pixelAt(x, y);
        return std::abs(p.red - 204) < 12 && std::abs(p.green - 221) < 12 && std::abs(p.blue - 237) < 12;
    };
    const std::size_t cx = copy->width() / 2;
    const std::size_t cy = copy->height() / 2;
    int left = 0;
    int right = 0;
    for (std::size_t dy = 0; dy < 6; ++dy) {
        for (std::size_t dx = 6; dx < 40; ++dx) {
            left += fillAt(cx - dx, cy - 3 + dy) ? 1 : 0;
            right += fillAt(cx + dx, cy - 3 + dy) ? 1 : 0;
        }
    }
    EXPECT_GT(left, 50);
    EXPECT_EQ(right, 0);
    UIView::layoutPendingViews();
    ASSERT_TRUE(UIRenderer::snapshotScreen()->writePNG(snapshotPath("magnifier-screen")));
    up(pointAtIndex(start + 12));
}
