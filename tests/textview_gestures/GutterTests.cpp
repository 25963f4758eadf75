#include "GestureTestSupport.h"

#include <cstdlib>
#include <filesystem>

#include "Platform/UIKit/UIRenderer.h"
#include "tests/support/SnapshotFolder.h"

namespace {

// The rows' numbers, 0 for a row without one.
std::vector<int> rowNumbers(const CodeTextView& view)
{
    std::vector<int> numbers(view.ctframe()->lines().size(), 0);
    for (const auto& [row, number] : CodeLineNumberView::numberedRows(view.ctframe(), view.text())) {
        numbers[row] = number;
    }
    return numbers;
}

std::string snapshotPath(const std::string& name) { return snapshotFile("textview_gestures", name); }

}

// Logical lines end at every hard line break; a wrapped line carries its number on its first
// row only; nothing follows a final line break.
TEST_F(GestureTest, GutterNumbersLogicalLines)
{
    const std::u16string longLine = u"a wrapped line that runs on well past the width of the view so it takes three rows of text here";
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        { "two lines without a final break", u"one\ntwo", { 1, 2 } },
        { "a final line feed adds no row", u"one\ntwo\n", { 1, 2 } },
        { "carriage returns only", u"one\rtwo\rthree", { 1, 2, 3 } },
        { "CR LF pairs", u"one\r\ntwo\r\nthree", { 1, 2, 3 } },
        { "line and paragraph separators", u"one\u2028two\u2029three", { 1, 2, 3 } },
        { "empty lines count", u"one\n\n\nfour", { 1, 2, 3, 4 } },
        { "a wrapped line", u"first\n" + longLine + u"\nlast", { 1, 2, 0, 0, 3 } },
        { "empty text", u"", {} },
    };
    for (const Case& c : cases) {
        load(c.text, false);
        EXPECT_EQ(rowNumbers(*view_), c.numbers) << c.name;
    }
}

// Showing and hiding store the width at the stated moments; a swipe the other way during a
// slide takes over from it; repeated swipes move nothing more.
TEST_F(GestureTest, GutterSlideStoresTheWidthAtTheRightMoments)
{
    load(u"one\ntwo\n", false);
    CodeLineNumberView* gutter = view_->lineView();
    const auto contentX = [&] { return view_->contentView()->frame().origin.x; };
    const auto contentW = [&] { return view_->contentView()->frame().size.width; };

    view_->setLineNumberWidth(0); // hidden already: only stores
    EXPECT_EQ(gutter->frame().origin.x, 0);
    EXPECT_EQ(contentX(), 0);

    view_->setLineNumberWidth(60);
    EXPECT_EQ(view_->lineNumberWidth(), 60);
    view_->setLineNumberWidth(60); // shown already: only stores
    advance(0.2);
    view_->setLineNumberWidth(0); // interrupts the slide in
    EXPECT_EQ(view_->lineNumberWidth(), 60);
    advance(0.2);
    view_->setLineNumberWidth(0); // a second swipe left during the slide out
    advance(0.2);
    EXPECT_EQ(view_->lineNumberWidth(), 60);
    advance(0.3);
    UIView::layoutPendingViews();
    EXPECT_EQ(view_->lineNumberWidth(), 0);
    EXPECT_EQ(gutter->frame().origin.x, -60);
    EXPECT_EQ(contentX(), 0);
    EXPECT_EQ(contentW(), kWidth);

    view_->setLineNumberWidth(60);
    advance(0.6);
    UIView::layoutPendingViews();
    EXPECT_EQ(gutter->frame(), CGRectMake(0, view_->contentView()->frame().origin.y, 60, view_->contentView()->frame().size.height));
    EXPECT_EQ(contentX(), 60);
    EXPECT_EQ(contentW(), kWidth - 60);
}

// The gutter as drawn: a black separator at 49.5 and the numbers right-aligned at 43, on each
// logical line's first row, in the flipped space (line 1 at the top).
TEST_F(GestureTest, SnapshotGutter)
{
    view_->setBackgroundColor(UIColor::whiteColor());
    load(u"first line\nsecond line that wraps because it is longer than the view is wide by far\n\nfourth\n", false);
    view_->setLineNumberWidth(60);
    advance(0.6);
    UIView::layoutPendingViews();
    const CGImageRef image = UIRenderer::snapshotView(*view_, 2);
    ASSERT_TRUE(image);
    ASSERT_TRUE(UIRenderer::writeViewPNG(*view_, snapshotPath("gutter"), 2));
    const auto dark = [&](CGFloat x, CGFloat y) {
        const auto p = image->pixelAt(static_cast<std::size_t>(x * 2), static_cast<std::size_t>(y * 2));
        return p.red < 110 && p.green < 110 && p.blue < 110;
    };
    // Separator down the whole text.
    const CGFloat height = view_->contentView()->frame().size.height;
    for (CGFloat y = 2; y < height - 2; y += 7) {
        EXPECT_TRUE(dark(49.5, y)) << y;
    }
    EXPECT_FALSE(dark(55, 10));
    // Ink of a number in each numbered row, left of 43 and right of the view's edge; none on
    // the wrapped row.
    const auto inkInRow = [&](std::size_t row) {
        const CGFloat baseline = view_->contentView()->convertPointToView(CGPointMake(0, view_->ctframe()->origins()[row].y), view_.get()).y;
        int ink = 0;
        for (CGFloat x = 20; x < 48; x += 0.5) {
            for (CGFloat y = baseline - 10; y < baseline; y += 0.5) {
                ink += dark(x, y) ? 1 : 0;
            }
        }
        return ink;
    };
    const auto numbers = rowNumbers(*view_);
    ASSERT_EQ(numbers, (std::vector<int> { 1, 2, 0, 0, 3, 4 }));
    for (std::size_t row = 0; row < numbers.size(); ++row) {
        EXPECT_EQ(inkInRow(row) > 0, numbers[row] != 0) << row;
    }
    // Nothing right of the numbers' edge but the separator.
    int stray = 0;
    for (CGFloat x = 44; x < 48.5; x += 0.5) {
        for (CGFloat y = 0; y < height; y += 1) {
            stray += dark(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(stray, 0);
}
