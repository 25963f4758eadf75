#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIStringDrawing.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"
#include "tests/uikit_controllers/ControlsTestSupport.h"

namespace {

class LabelImageTest : public HostTest {
protected:
    LabelImageTest() : HostTest("ipad") { }

    // The code font is monospaced: widths are whole numbers of cells.
    UIFontRef mono_ { UIFont::fontWithName("Droid Sans Mono", 14) };
    CGFloat cell() const { return sizeWithFont(u"x", mono_).width; }
};

TEST_F(LabelImageTest, LabelLinesWrapAndTruncateByTheLineBreakMode)
{
    struct Case {
        const char* text;
        int cells;    // label width in character cells
        int lines;    // numberOfLines (0: as many as the height holds)
        int rows;     // label height in lines
        UILineBreakMode mode;
        std::vector<const char*> expected;
        CGFloat minimumFontSize = 0; // not 0: the font shrinks to fit down to this size
    };
    const std::vector<Case> cases {
        { "index.html", 20, 1, 1, UILineBreakModeTailTruncation, { "index.html" } },
        { "a_very_long_file_name.html", 10, 1, 1, UILineBreakModeTailTruncation, { "a_very_lo…" } },
        { "a_very_long_file_name.html", 10, 1, 1, UILineBreakModeHeadTruncation, { "…name.html" } },
        { "a_very_long_file_name.html", 10, 1, 1, UILineBreakModeMiddleTruncation, { "a_ver…html" } },
        { "a_very_long_file_name.html", 10, 1, 1, UILineBreakModeClip, { "a_very_lon" } },
        { "one two three four", 9, 0, 3, UILineBreakModeWordWrap, { "one two ", "three ", "four" } },
        { "one two three four", 9, 2, 3, UILineBreakModeTailTruncation, { "one two ", "three fo…" } },
        { "abcdefghij", 4, 0, 3, UILineBreakModeCharacterWrap, { "abcd", "efgh", "ij" } },
        // The height holds two lines, whatever numberOfLines allows.
        { "one two three four", 9, 0, 2, UILineBreakModeWordWrap, { "one two ", "three " } },
        { "first\nsecond line", 20, 0, 3, UILineBreakModeWordWrap, { "first", "second line" } },
        { "", 10, 1, 1, UILineBreakModeTailTruncation, {} },
        // A file name shrinks to fit (26 cells in 20 at 14 pt: about 10.8 pt) and, where the
        // smallest size still overflows, keeps its extension.
        { "a_very_long_file_name.html", 20, 1, 1, UILineBreakModeMiddleTruncation, { "a_very_long_file_name.html" }, 8 },
        { "a_very_long_file_name.html", 10, 1, 1, UILineBreakModeMiddleTruncation, { "a_very_…e.html" }, 10 },
        { "index.html", 20, 1, 1, UILineBreakModeMiddleTruncation, { "index.html" }, 8 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / mode " + std::to_string(c.mode));
        auto label = std::make_shared<UILabel>(CGRectMake(0, 0, c.cells * cell() + 0.5, c.rows * mono_->lineHeight()));
        label->setFont(mono_);
        label->setText(utf8ToUtf16(c.text));
        label->setNumberOfLines(c.lines);
        label->setLineBreakMode(c.mode);
        label->setAdjustsFontSizeToFitWidth(c.minimumFontSize > 0);
        label->setMinimumFontSize(c.minimumFontSize);
        const UITextLines lines = label->textLines();
        const CGFloat drawn = label->fontForDrawing()->pointSize();
        if (c.minimumFontSize > 0 && std::string(c.text).size() > std::size_t(c.cells)) {
            EXPECT_LT(drawn, mono_->pointSize());
            EXPECT_GE(drawn, c.minimumFontSize);
        } else {
            EXPECT_EQ(drawn, mono_->pointSize()) << "a text that fits keeps its size";
        }
        std::vector<std::string> shown;
        for (const auto& text : lines.texts) {
            shown.push_back(utf16ToUtf8(text));
        }
        EXPECT_EQ(shown, std::vector<std::string>(c.expected.begin(), c.expected.end()));
        for (const CGFloat w : lines.widths) {
            EXPECT_LE(w, label->bounds().size.width);
        }
    }
}

TEST_F(LabelImageTest, MeasuringMatchesTheLinesOfTheText)
{
    const UIFontRef bold = UIFont::fontWithName("LexitypeNeue-Bold", 18);
    const CGFloat lineHeight = bold->lineHeight();
    struct Case {
        const char* text;
        CGFloat width;
        CGFloat height;
        UILineBreakMode mode;
        int lines;
    };
    const std::vector<Case> cases {
        { "CONNECT", 1000, 1000, UILineBreakModeWordWrap, 1 },
        { "Could not connect to server (6)! Invalid or unreachable host!", 200, 1000, UILineBreakModeWordWrap, 4 },
        { "Could not connect to server (6)! Invalid or unreachable host!", 200, 2 * lineHeight, UILineBreakModeTailTruncation, 2 },
        // Less than a line of height still measures one line.
        { "Could not connect", 1000, 3, UILineBreakModeWordWrap, 1 },
        { "a\nb\nc", 1000, 1000, UILineBreakModeWordWrap, 3 },
        { "", 1000, 1000, UILineBreakModeWordWrap, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::u16string text = utf8ToUtf16(c.text);
        const CGSize size = sizeWithFontConstrainedToSize(text, bold, CGSizeMake(c.width, c.height), c.mode);
        EXPECT_DOUBLE_EQ(size.height, c.lines * lineHeight);
        EXPECT_LE(size.width, c.width);
        if (c.lines == 1) {
            EXPECT_DOUBLE_EQ(size.width, sizeWithFont(text, bold).width);
        }
    }
    // One line is wider than any of its wrapped lines.
    const std::u16string long_ = u"Could not connect to server (6)! Invalid or unreachable host!";
    EXPECT_GT(sizeWithFont(long_, bold).width, sizeWithFontConstrainedToSize(long_, bold, CGSizeMake(200, 1000), UILineBreakModeWordWrap).width);
}

TEST_F(LabelImageTest, ImageViewsPlacePicturesByContentMode)
{
    // A 40 x 20 picture, red left half and blue right half, in a 100 x 100 view.
    const UIImageRef image = twoColourImage(CGSizeMake(40, 20), UIColor::redColor(), UIColor::blueColor());
    struct Case {
        UIViewContentMode mode;
        CGRect expected;
    };
    const std::vector<Case> cases {
        { UIViewContentModeScaleToFill, CGRectMake(0, 0, 100, 100) },
        { UIViewContentModeScaleAspectFit, CGRectMake(0, 25, 100, 50) },
        { UIViewContentModeScaleAspectFill, CGRectMake(-50, 0, 200, 100) },
        { UIViewContentModeCenter, CGRectMake(30, 40, 40, 20) },
        { UIViewContentModeTop, CGRectMake(30, 0, 40, 20) },
        { UIViewContentModeBottomRight, CGRectMake(60, 80, 40, 20) },
        { UIViewContentModeLeft, CGRectMake(0, 40, 40, 20) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        auto view = std::make_shared<UIImageView>(CGRectMake(0, 0, 100, 100));
        view->setBackgroundColor(UIColor::whiteColor());
        view->setImage(image);
        view->setContentMode(c.mode);
        EXPECT_EQ(view->imageRectForBounds(view->bounds()), c.expected);
        const CGImageRef shot = UIRenderer::snapshotView(*view, 1);
        ASSERT_TRUE(shot);
        const CGRect r = CGRectIntersection(c.expected, view->bounds());
        // Inside the picture: red on its left half, blue on its right half; white around it.
        const CGFloat midX = CGRectGetMidX(c.expected);
        EXPECT_TRUE(pixelNear(*shot, std::size_t(std::max<CGFloat>(r.origin.x, midX - 10) + 2), std::size_t(CGRectGetMidY(r)), kRed));
        EXPECT_TRUE(pixelNear(*shot, std::size_t(std::min<CGFloat>(CGRectGetMaxX(r), midX + 10) - 3), std::size_t(CGRectGetMidY(r)), kBlue));
        if (r.origin.y >= 2) {
            EXPECT_TRUE(pixelNear(*shot, 50, std::size_t(r.origin.y - 2), kWhite));
        }
    }
    // Made from a picture, the view takes its size.
    EXPECT_EQ(UIImageView(image).frame(), CGRectMake(0, 0, 40, 20));
}

class RetinaSnapshotTest : public HostTest {
protected:
    RetinaSnapshotTest() : HostTest("ipad-retina") { }
};

// The screens' buttons and labels, as a person sees them (pictures drawn at scale 2).
TEST_F(RetinaSnapshotTest, ButtonsAndLabels)
{
    UIApplication::sharedApplication().setStatusBarHidden(true);
    auto window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    window->setBackgroundColor(UIColor::whiteColor());
    window->makeKeyAndVisible();
    auto panel = std::make_shared<UIView>(CGRectMake(0, 0, 420, 260));
    panel->setBackgroundColor(UIColor::colorWithWhite(0.93, 1));
    window->addSubview(panel);
    const auto grey = UIColor::colorWithRed(0x6d / 255.0, 0x6d / 255.0, 0x6d / 255.0, 1);
    const auto accent = UIColor::colorWithRed(0x2b / 255.0, 0x8c / 255.0, 0xcf / 255.0, 1);
    auto screenButton = [&](CGRect frame, const char16_t* title, const UIColorRef& colour, CGFloat size) {
        auto button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setFrame(frame);
        button->setTitle(title, UIControlStateNormal);
        button->titleLabel()->setFont(UIFont::fontWithName("LexitypeNeue-Bold", size));
        button->setBackgroundColor(colour);
        button->layer()->setCornerRadius(4);
        button->setClipsToBounds(true);
        panel->addSubview(button);
        return button;
    };
    screenButton(CGRectMake(20, 20, 120, 44), u"UP", grey, 34);
    screenButton(CGRectMake(150, 20, 120, 44), u"ADD", accent, 24);
    auto held = screenButton(CGRectMake(280, 20, 120, 44), u"A VERY LONG TITLE", grey, 18);
    held->setHighlighted(true);
    auto folder = std::make_shared<UILabel>(CGRectMake(20, 80, 380, 30));
    folder->setText(u"www");
    folder->setTextColor(grey);
    folder->setFont(UIFont::fontWithName("LexitypeNeue-Bold", 24));
    folder->setTextAlignment(UITextAlignmentCenter);
    panel->addSubview(folder);
    auto name = std::make_shared<UILabel>(CGRectMake(20, 120, 180, 22));
    name->setText(u"a_rather_long_file_name_for_a_label.html");
    name->setFont(UIFont::fontWithName("Lexitype Neue", 16));
    panel->addSubview(name);
    auto message = std::make_shared<UILabel>(CGRectMake(20, 150, 380, 60));
    message->setText(u"Could not connect to server (67)!\nInvalid login! This line is cut short at the end.");
    message->setNumberOfLines(2);
    message->setFont(UIFont::fontWithName("Lexitype Neue", 16));
    message->setTextAlignment(UITextAlignmentRight);
    panel->addSubview(message);

    const std::string path = scratch("controls.png");
    ASSERT_TRUE(UIRenderer::writeViewPNG(*panel, path));
    if (const char* keep = std::getenv("LEXIPHANT_KEEP_SNAPSHOTS")) {
        ASSERT_TRUE(UIRenderer::writeViewPNG(*panel, std::string(keep) + "/controls.png"));
    }
    const CGImageRef shot = UIRenderer::snapshotView(*panel, 1);
    ASSERT_TRUE(shot);
    // The rounded corner is clipped to the panel; the middle of the button is its colour.
    EXPECT_TRUE(pixelNear(*shot, 20, 20, { 237, 237, 237, 255 }, 12));
    EXPECT_TRUE(pixelNear(*shot, 25, 40, { 0x6d, 0x6d, 0x6d, 255 }));
    // Titles are white, centred: ink in the middle of the button, none near its ends.
    auto inkIn = [&](CGRect r, CGImage::Pixel background) {
        for (int y = int(r.origin.y); y < int(CGRectGetMaxY(r)); ++y) {
            for (int x = int(r.origin.x); x < int(CGRectGetMaxX(r)); ++x) {
                if (!pixelNear(*shot, std::size_t(x), std::size_t(y), background, 40)) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(inkIn(CGRectMake(60, 25, 40, 34), { 0x6d, 0x6d, 0x6d, 255 }));
    EXPECT_FALSE(inkIn(CGRectMake(24, 25, 10, 34), { 0x6d, 0x6d, 0x6d, 255 }));
    EXPECT_TRUE(inkIn(CGRectMake(30, 125, 100, 14), { 237, 237, 237, 255 }));
}

} // namespace
