#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Host/HostSession.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITextFieldCaretView.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/host/HostTestSupport.h"

namespace {

class ViewRecorder : public UITextViewDelegate {
public:
    std::vector<std::string> events;
    bool allowChange { true };
    bool textViewShouldBeginEditing(UITextView*) override { return events.push_back("shouldBegin"), true; }
    void textViewDidBeginEditing(UITextView*) override { events.push_back("didBegin"); }
    bool textViewShouldEndEditing(UITextView*) override { return events.push_back("shouldEnd"), true; }
    void textViewDidEndEditing(UITextView*) override { events.push_back("didEnd"); }
    bool textViewShouldChangeTextInRangeReplacementText(UITextView*, NSRange range, const std::u16string&) override
    {
        events.push_back("shouldChange " + std::to_string(range.location) + "," + std::to_string(range.length));
        return allowChange;
    }
    void textViewDidChange(UITextView*) override { events.push_back("didChange"); }
};

// About ten megabytes of source-like lines of varied length.
std::u16string bigText(std::size_t bytes)
{
    std::u16string text;
    text.reserve(bytes + 200);
    for (int line = 0; text.size() < bytes; ++line) {
        text += u"    if (value_" + utf8ToUtf16(std::to_string(line)) + u" > limit) { total += value; }";
        text.append(std::size_t(line % 7) * 9, u'x');
        text += u'\n';
    }
    return text;
}

class PlainTextViewTest : public HostTest {
protected:
    PlainTextViewTest() : HostTest("iphone") { }

    void SetUp() override
    {
        HostTest::SetUp();
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->makeKeyAndVisible();
        view_ = UITextView::make(CGRectMake(0, 20, 320, 460));
        view_->setFont(UIFont::fontWithName("Droid Sans Mono", 14));
        view_->setDelegate(recorder_);
        window_->addSubview(view_);
    }

    // The block starts a fresh layout of the same text finds.
    static std::vector<NSUInteger> freshStarts(const std::u16string& text)
    {
        UITextViewLayout fresh;
        fresh.setWidth(300);
        fresh.setText(&text);
        std::vector<NSUInteger> starts;
        for (std::size_t i = 0; i < fresh.blockCount(); ++i) {
            starts.push_back(fresh.blockStart(i));
        }
        return starts;
    }
    static std::vector<NSUInteger> startsOf(UITextViewLayout& layout)
    {
        std::vector<NSUInteger> starts;
        for (std::size_t i = 0; i < layout.blockCount(); ++i) {
            starts.push_back(layout.blockStart(i));
        }
        return starts;
    }

    std::shared_ptr<ViewRecorder> recorder_ { std::make_shared<ViewRecorder>() };
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UITextView> view_;
    HostSession session_;
};

TEST_F(PlainTextViewTest, TenMegabytesOpenScrollToTheEndAndTakeTyping)
{
    const std::u16string text = bigText(10'000'000);
    view_->setText(text);
    UIRenderer renderer;
    ASSERT_TRUE(renderer.renderFrame());
    UITextViewLayout& layout = view_->textLayout();
    // Only the screen and its margin were shaped.
    EXPECT_GT(layout.blockCount(), 100'000u);
    EXPECT_LT(layout.laidOutCount(), 200u);
    EXPECT_GT(view_->contentSize().height, 1e6);

    ASSERT_TRUE(view_->becomeFirstResponder());
    view_->setSelectedRange(NSMakeRange(text.size(), 0));
    ASSERT_TRUE(renderer.renderFrame());
    const CGRect caret = view_->caretView()->frame();
    const CGRect shown = view_->bounds();
    EXPECT_TRUE(CGRectContainsRect(shown, caret)) << caret.origin.y << " in " << shown.origin.y;
    EXPECT_NEAR(CGRectGetMaxY(shown), view_->contentSize().height, 1) << "the end is at the bottom";
    EXPECT_LT(layout.laidOutCount(), 400u);

    recorder_->events.clear();
    ASSERT_TRUE(session_.typeText(u"end"));
    // Typing asked to redraw only its own paragraph.
    EXPECT_LE(view_->invalidRect().size.height, 3 * layout.lineHeight());
    session_.pressKey(HostKey::Backspace);
    ASSERT_TRUE(renderer.renderFrame());
    EXPECT_EQ(view_->text().size(), text.size() + 2);
    EXPECT_EQ(view_->text().substr(text.size()), u"en");
    EXPECT_EQ(recorder_->events, (std::vector<std::string> { "shouldChange " + std::to_string(text.size()) + ",0", "didChange",
                                                             "shouldChange " + std::to_string(text.size() + 2) + ",1", "didChange" }));
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(text.size() + 2, 0));
    EXPECT_TRUE(CGRectContainsRect(view_->bounds(), view_->caretView()->frame()));
}

TEST_F(PlainTextViewTest, CorrectedHeightsAboveKeepTheTopLineInPlace)
{
    // Wide capitals in a proportional font wrap to more lines than the estimate knows of.
    std::u16string text;
    for (int i = 0; i < 3000; ++i) {
        text += (i % 3 == 0 ? std::u16string(60, u'W') + u" WORD WORD" : u"short") + std::u16string(u"\n");
    }
    view_->setFont(UIFont::systemFontOfSize(17));
    view_->setText(text);
    view_->layoutIfNeeded();
    view_->setContentOffset(CGPointMake(0, 40'000));
    view_->layoutIfNeeded();
    const NSUInteger top = view_->closestIndexToPoint(CGPointMake(10, view_->contentOffset().y + 2));
    const CGFloat before = view_->caretRectForIndex(top).origin.y - view_->contentOffset().y;
    // Scrolling up a little shapes blocks above, whose heights change.
    const CGFloat up = view_->contentOffset().y - 300;
    view_->setContentOffset(CGPointMake(0, up));
    view_->layoutIfNeeded();
    EXPECT_GT(view_->contentOffset().y, up) << "the blocks above grew";
    view_->setContentOffset(CGPointMake(0, view_->contentOffset().y + 300));
    view_->layoutIfNeeded();
    const CGFloat after = view_->caretRectForIndex(top).origin.y - view_->contentOffset().y;
    EXPECT_NEAR(after, before, 0.5);
}

TEST_F(PlainTextViewTest, EditsKeepTheBlockIndexAsAFreshScanWouldMakeIt)
{
    struct Edit {
        NSUInteger location, length;
        std::u16string text;
    };
    const std::u16string start = u"one\ntwo\r\nthree\rfour\n\nfive";
    const std::vector<Edit> edits {
        { 3, 1, u"" },          // join two lines
        { 0, 0, u"zero\n" },    // a line before all
        { 9, 0, u"\r" },        // CR before an existing LF
        { 4, 6, u"x\ny\nz" },   // across line breaks
        { 0, 0, std::u16string(9000, u'a') }, // longer than a block: cut into pieces
        { 4500, 1, u"\n" },
        { 0, 9000, u"" },
        { 0, 0, u"\n" },
    };
    std::u16string text = start;
    UITextViewLayout layout;
    layout.setWidth(300);
    layout.setText(&text);
    for (const auto& edit : edits) {
        text.replace(edit.location, edit.length, edit.text);
        layout.replaceCharacters(edit.location, edit.length, edit.text.size());
        EXPECT_EQ(startsOf(layout), freshStarts(text)) << utf16ToUtf8(text.substr(0, 40));
    }
    // Every block laid out, the total is the sum of the real heights.
    CGFloat sum = 0;
    for (std::size_t i = 0; i < layout.blockCount(); ++i) {
        layout.layOut(i);
        sum += layout.blockHeight(i);
    }
    EXPECT_EQ(layout.totalHeight(), sum);
}

TEST_F(PlainTextViewTest, EditingOrderKeyboardAndUTF16Selection)
{
    std::vector<std::string> keyboard;
    auto& center = NSNotificationCenter::defaultCenter();
    for (const char* name : { UIKeyboardWillShowNotification, UIKeyboardWillHideNotification }) {
        center.addObserver(this, name, nullptr, [&keyboard, name](const NSNotification&) { keyboard.push_back(name); });
    }
    view_->setText(u"a\U0001F600b\r\nc");
    session_.tap({ 300, 30 });
    EXPECT_EQ(recorder_->events, (std::vector<std::string> { "shouldBegin", "didBegin" }));
    EXPECT_EQ(keyboard, (std::vector<std::string> { UIKeyboardWillShowNotification }));
    // The tap lands after the first line's text, before its CR LF.
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(4, 0));
    // Inside a surrogate pair or a CR LF the selection moves to its start.
    view_->setSelectedRange(NSMakeRange(2, 0));
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(1, 0));
    view_->setSelectedRange(NSMakeRange(5, 0));
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(4, 0));
    view_->setSelectedRange(NSMakeRange(6, 0));
    session_.pressKey(HostKey::Backspace); // the whole CR LF
    EXPECT_EQ(view_->text(), u"a\U0001F600bc");
    recorder_->allowChange = false;
    ASSERT_TRUE(session_.typeText(u"refused"));
    EXPECT_EQ(view_->text(), u"a\U0001F600bc");
    recorder_->events.clear();
    view_->resignFirstResponder();
    EXPECT_EQ(recorder_->events, (std::vector<std::string> { "shouldEnd", "didEnd" }));
    EXPECT_EQ(keyboard.back(), UIKeyboardWillHideNotification);
    center.removeObserver(this);
}

// The margin around the text is the view's to set: the caret, the content's height, the
// index under a point and the lines a script sees all follow it.
TEST_F(PlainTextViewTest, TextMarginCanBeSet)
{
    view_->setText(u"ab\ncd");
    view_->layoutIfNeeded();
    const CGFloat height = view_->contentSize().height;
    EXPECT_EQ(view_->caretRectForIndex(0).origin, CGPointMake(UITextView::kTextInset, UITextView::kTextInset));
    view_->setTextInset(0);
    view_->layoutIfNeeded();
    EXPECT_EQ(view_->caretRectForIndex(0).origin, CGPointMake(0, 0));
    EXPECT_EQ(view_->contentSize().height, height - 2 * UITextView::kTextInset);
    const CGRect secondLine = view_->caretRectForIndex(3);
    EXPECT_EQ(view_->closestIndexToPoint(CGPointMake(1, CGRectGetMidY(secondLine))), 3u);
    const auto lines = view_->visibleTextLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, u"ab");
    EXPECT_EQ(lines[1].rect.origin, secondLine.origin);
}

TEST_F(PlainTextViewTest, PlainTextIsDrawnWithItsSelection)
{
    window_->setBackgroundColor(UIColor::whiteColor());
    std::u16string text;
    for (int i = 1; i <= 40; ++i) {
        text += u"Line " + utf8ToUtf16(std::to_string(i)) + u": the quick brown fox jumps over the lazy dog again and again\n";
    }
    view_->setText(text);
    ASSERT_TRUE(view_->becomeFirstResponder());
    view_->setSelectedRange(NSMakeRange(0, 4));
    ASSERT_TRUE(UIRenderer::writeScreenPNG(scratch("plain.png")));
    if (const char* keep = std::getenv("LEXIPHANT_KEEP_SNAPSHOTS")) {
        (void)UIRenderer::writeScreenPNG(std::string(keep) + "/plain.png");
    }
    const auto shot = UIRenderer::snapshotScreen();
    ASSERT_TRUE(shot);
    const CGFloat s = UIScreen::mainScreen().scale();
    const CGRect first = view_->caretRectForIndex(1);
    // The selection's light blue behind "Line", white beyond the text's width.
    const auto selected = shot->pixelAt(std::size_t(first.origin.x * s), std::size_t((20 + first.origin.y + 2) * s));
    EXPECT_GT(selected.blue, 230);
    EXPECT_LT(selected.red, 230);
    EXPECT_TRUE(pixelNear(*shot, std::size_t(316 * s), std::size_t(200 * s), kWhite, 1));
}

} // namespace
