#include <cstdlib>
#include <filesystem>

#include "TextViewTestSupport.h"
#include "Platform/UIKit/UIRenderer.h"
#include "tests/support/SnapshotFolder.h"

namespace {

std::string snapshotPath(const std::string& name) { return snapshotFile("textview", name); }

bool isColour(const CGImage::Pixel& p, int r, int g, int b, int tolerance = 12)
{
    return std::abs(p.red - r) <= tolerance && std::abs(p.green - g) <= tolerance && std::abs(p.blue - b) <= tolerance;
}

}

TEST_F(TextViewTest, SnapshotSelectionBandCaretAndColours)
{
    view_->setBackgroundColor(UIColor::whiteColor());
    attachEngine("page.php");
    view_->setText(u"<?php\necho $name;\nreturn 1;\n?>\n");
    view_->becomeFirstResponder();
    view_->setSelectedRange(NSMakeRange(2, 18)); // from inside line 1 to inside line 3
    UIView::layoutPendingViews();
    const CGImageRef image = UIRenderer::snapshotView(*view_, 1);
    ASSERT_TRUE(image);
    ASSERT_TRUE(UIRenderer::writeViewPNG(*view_, snapshotPath("selection"), 1));
    const auto lineY = [&](std::size_t line) {
        return view_->contentView()->convertPointToView(CGPointMake(0, view_->ctframe()->origins()[line].y + 2), view_.get()).y;
    };
    const int selR = 204, selG = 221, selB = 237; // the selection fill
    // Line 1 is filled from the selection start to the right edge, line 2 across, line 3 from its start.
    EXPECT_TRUE(isColour(image->pixelAt(300, static_cast<std::size_t>(lineY(0))), selR, selG, selB));
    EXPECT_FALSE(isColour(image->pixelAt(2, static_cast<std::size_t>(lineY(0))), selR, selG, selB));
    EXPECT_TRUE(isColour(image->pixelAt(300, static_cast<std::size_t>(lineY(1))), selR, selG, selB));
    EXPECT_TRUE(isColour(image->pixelAt(1, static_cast<std::size_t>(lineY(2))), selR, selG, selB));
    EXPECT_FALSE(isColour(image->pixelAt(300, static_cast<std::size_t>(lineY(2))), selR, selG, selB));
}

TEST_F(TextViewTest, SnapshotCaretAtTheStartIsVisible)
{
    view_->setBackgroundColor(UIColor::whiteColor());
    for (const std::u16string& text : { std::u16string(u""), std::u16string(u"plain text") }) {
        view_->setText(text);
        view_->becomeFirstResponder();
        view_->setSelectedRange(NSMakeRange(0, 0));
        UIView::layoutPendingViews();
        const CGImageRef image = UIRenderer::snapshotView(*view_, 1);
        ASSERT_TRUE(UIRenderer::writeViewPNG(*view_, snapshotPath(text.empty() ? "caret-empty" : "caret-start"), 1));
        // The caret's blue runs down the left edge of the first line.
        int blue = 0;
        for (std::size_t y = 0; y < 20; ++y) {
            blue += isColour(image->pixelAt(1, y), 66, 107, 242, 30) ? 1 : 0;
        }
        EXPECT_GE(blue, 10) << (text.empty() ? "empty" : "text");
        if (!text.empty()) {
            // Plain text is black.
            bool dark = false;
            for (std::size_t x = 4; x < 60 && !dark; ++x) {
                for (std::size_t y = 2; y < 18 && !dark; ++y) {
                    const auto p = image->pixelAt(x, y);
                    dark = p.red < 40 && p.green < 40 && p.blue < 40;
                }
            }
            EXPECT_TRUE(dark);
        }
    }
}
