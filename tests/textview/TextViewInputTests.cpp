#include "TextViewTestSupport.h"
#include "Platform/Foundation/NSString.h"
#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeIndexedRange.h"
#include "Classes/TextView/CodeSelectionView.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UITextInputDelegate.h"
#include "Platform/UIKit/UITextInputSystem.h"

#include <functional>

namespace {
UITextPositionRef pos(NSUInteger i) { return CodeIndexedPosition::positionWithIndex(i); }
NSUInteger idx(const UITextPositionRef& p) { return static_cast<const CodeIndexedPosition&>(*p).index(); }
UITextRangeRef rng(NSUInteger l, NSUInteger n) { return CodeIndexedRange::rangeWithNSRange(NSMakeRange(l, n)); }
}

// The edits of the keyboard and input methods: text before, selection and marked range, the
// edit, and the text, selection and marked range after.
TEST_F(TextViewTest, EditOperationTable)
{
    enum class Op { Insert, Delete, Mark, Replace };
    struct Case {
        const char* name;
        std::u16string text;
        NSRange selection;
        NSRange marked;
        Op op;
        std::u16string argument;
        NSRange argumentRange; // the replaced range, or the marked text's selection
        std::u16string expectedText;
        NSRange expectedSelection;
        NSRange expectedMarked;
        std::u16string lineBreak {}; // the view's line break for what goes in
    };
    const NSRange none = NSRangeNotFound;
    const Case cases[] = {
        { "typing replaces a selection", u"abcdef", { 1, 3 }, none, Op::Insert, u"XY", {}, u"aXYef", { 3, 0 }, none },
        { "typing at a caret", u"ab\ncd", { 3, 0 }, none, Op::Insert, u"Z", {}, u"ab\nZcd", { 4, 0 }, none },
        { "typing replaces marked text", u"abKAc", { 4, 0 }, { 2, 2 }, Op::Insert, u"k", {}, u"abkc", { 3, 0 }, none },
        { "empty insert", u"ab", { 1, 0 }, none, Op::Insert, u"", {}, u"ab", { 1, 0 }, none },
        { "delete at the start changes nothing", u"ab", { 0, 0 }, none, Op::Delete, u"", {}, u"ab", { 0, 0 }, none },
        { "delete a selection", u"abcdef", { 2, 2 }, none, Op::Delete, u"", {}, u"abef", { 2, 0 }, none },
        { "delete one unit", u"abc", { 2, 0 }, none, Op::Delete, u"", {}, u"ac", { 1, 0 }, none },
        { "delete a whole surrogate pair", u"a\U0001F600b", { 3, 0 }, none, Op::Delete, u"", {}, u"ab", { 1, 0 }, none },
        { "delete a whole CR LF", u"ab\r\ncd", { 4, 0 }, none, Op::Delete, u"", {}, u"abcd", { 2, 0 }, none },
        { "delete with marked text", u"abKAc", { 2, 2 }, { 2, 2 }, Op::Delete, u"", {}, u"abc", { 2, 0 }, none },
        { "start marking at the caret", u"ab", { 1, 0 }, none, Op::Mark, u"xy", { 2, 0 }, u"axyb", { 3, 0 }, { 1, 2 } },
        { "marking replaces a selection", u"abcd", { 1, 2 }, none, Op::Mark, u"k", { 1, 0 }, u"akd", { 2, 0 }, { 1, 1 } },
        { "marking again replaces the marked text", u"axyb", { 3, 0 }, { 1, 2 }, Op::Mark, u"xyz", { 3, 0 }, u"axyzb", { 4, 0 }, { 1, 3 } },
        { "empty marked text", u"ab", { 1, 0 }, { 1, 0 }, Op::Mark, u"", { 0, 0 }, u"ab", { 1, 0 }, { 1, 0 } },
        { "replace before the selection moves it", u"abcdef", { 4, 1 }, none, Op::Replace, u"XYZ", { 0, 2 }, u"XYZcdef", { 5, 1 }, none },
        { "replace over the selection keeps the overlap", u"abcdef", { 1, 4 }, none, Op::Replace, u"Q", { 2, 2 }, u"abQef", { 2, 2 }, none },
        { "replace after a caret keeps a caret in the text", u"abcdef", { 1, 0 }, none, Op::Replace, u"", { 2, 4 }, u"ab", { 2, 0 }, none },
        { "Return takes the view's line break", u"ab\r\ncd", { 2, 0 }, none, Op::Insert, u"\n", {}, u"ab\r\n\r\ncd", { 4, 0 }, none, u"\r\n" },
        { "a break typed over marked text", u"abKAc", { 4, 0 }, { 2, 2 }, Op::Insert, u"k\r\n", {}, u"abk\rc", { 4, 0 }, none, u"\r" },
        { "replacing text takes the line break", u"abc", { 3, 0 }, none, Op::Replace, u"x\ny", { 0, 1 }, u"x\r\nybc", { 6, 0 }, none, u"\r\n" },
        { "without a line break text goes in as it is", u"ab", { 2, 0 }, none, Op::Insert, u"\r\n\r", {}, u"ab\r\n\r", { 5, 0 }, none },
    };
    for (const Case& c : cases) {
        view_->setLineBreak(c.lineBreak);
        view_->setText(c.text);
        view_->setMarkedRange(c.marked);
        view_->setSelectedRange(c.selection);
        switch (c.op) {
        case Op::Insert: view_->insertText(c.argument); break;
        case Op::Delete: view_->deleteBackward(); break;
        case Op::Mark: view_->setMarkedTextSelectedRange(c.argument, c.argumentRange); break;
        case Op::Replace: view_->replaceRangeWithText(rng(c.argumentRange.location, c.argumentRange.length), c.argument); break;
        }
        EXPECT_EQ(view_->text(), c.expectedText) << c.name;
        EXPECT_EQ(view_->selectedRange(), c.expectedSelection) << c.name;
        EXPECT_EQ(view_->markedRange(), c.expectedMarked) << c.name;
    }
}

TEST_F(TextViewTest, DeleteAtTheStartStillReinstallsAndNotifies)
{
    auto delegate = std::make_shared<RecordingDelegate>();
    view_->setDelegate(delegate);
    view_->setText(u"ab");
    view_->setSelectedRange(NSMakeRange(0, 0));
    view_->deleteBackward();
    EXPECT_EQ(delegate->changes, 2);
    // Behind a space the correction hook is scheduled; behind a letter it is not.
    const std::size_t timers = RunLoop::main().scheduledTimers();
    view_->setText(u"a ");
    view_->setSelectedRange(NSMakeRange(2, 0));
    view_->deleteBackward();
    EXPECT_GT(RunLoop::main().scheduledTimers(), timers);
}

TEST_F(TextViewTest, RangesStayInsideTheText)
{
    view_->setText(u"abcdef");
    view_->setSelectedRange(NSMakeRange(4, 2));
    view_->setText(u"ab"); // shorter text
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(2, 0));
    view_->setSelectedRange(NSRangeNotFound);
    EXPECT_NE(view_->selectedRange().location, NSNotFound);
    view_->setSelectedRange(NSMakeRange(1, 50));
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(1, 1));
    view_->setMarkedRange(NSMakeRange(5, 3));
    view_->insertText(u"");
    EXPECT_LE(view_->selectedRange().max(), view_->text().size());
}

TEST_F(TextViewTest, PositionTable)
{
    view_->setText(u"ab\r\nc\U0001F600d");
    // Indices: a0 b1 CR2 LF3 c4 hi5 lo6 d7; length 8.
    EXPECT_EQ(idx(view_->positionFromPositionInDirectionOffset(pos(2), UITextLayoutDirectionLeft, 5)), 0u);
    EXPECT_EQ(idx(view_->positionFromPositionInDirectionOffset(pos(2), UITextLayoutDirectionRight, 50)), 8u);
    EXPECT_EQ(idx(view_->positionFromPositionInDirectionOffset(pos(2), UITextLayoutDirectionUp, 1)), 2u);
    EXPECT_EQ(idx(view_->positionFromPositionInDirectionOffset(pos(2), UITextLayoutDirectionDown, 1)), 2u);
    // One-unit steps go over a CR LF and a surrogate pair as a whole.
    EXPECT_EQ(idx(view_->positionFromPositionInDirectionOffset(pos(2), UITextLayoutDirectionRight, 1)), 4u);
    EXPECT_EQ(idx(view_->positionFromPositionInDirectionOffset(pos(4), UITextLayoutDirectionLeft, 1)), 2u);
    EXPECT_EQ(idx(view_->positionFromPositionOffset(pos(5), 1)), 7u);
    EXPECT_EQ(idx(view_->positionFromPositionOffset(pos(7), -1)), 5u);
    EXPECT_EQ(view_->positionFromPositionOffset(pos(1), -2), nullptr);
    EXPECT_EQ(view_->positionFromPositionOffset(pos(7), 2), nullptr);

    const auto r = std::static_pointer_cast<CodeIndexedRange>(view_->textRangeFromPositionToPosition(pos(7), pos(3)));
    EXPECT_EQ(r->range(), NSMakeRange(3, 4));
    EXPECT_EQ(view_->comparePositionToPosition(pos(3), pos(7)), NSOrderedAscending);
    EXPECT_EQ(view_->comparePositionToPosition(pos(7), pos(7)), NSOrderedSame);
    EXPECT_EQ(view_->offsetFromPositionToPosition(pos(7), pos(3)), -4);
    EXPECT_EQ(idx(view_->positionWithinRangeFarthestInDirection(rng(2, 3), UITextLayoutDirectionDown)), 5u);
    EXPECT_EQ(idx(view_->positionWithinRangeFarthestInDirection(rng(2, 3), UITextLayoutDirectionUp)), 2u);
    EXPECT_EQ(std::static_pointer_cast<CodeIndexedRange>(view_->characterRangeByExtendingPositionInDirection(pos(3), UITextLayoutDirectionLeft))->range(),
              NSMakeRange(2, 1));
    EXPECT_EQ(view_->textInRange(rng(0, 2)), u"ab");
    EXPECT_EQ(view_->markedTextRange(), nullptr);
    EXPECT_EQ(view_->baseWritingDirectionForPositionInDirection(pos(0), UITextStorageDirectionForward), UITextWritingDirectionLeftToRight);
    EXPECT_TRUE(view_->hasText());
    EXPECT_EQ(view_->textInputView(), view_->contentView());
    const auto styling = view_->textStylingAtPositionInDirection(pos(99), UITextStorageDirectionForward);
    EXPECT_TRUE(styling.count(UITextInputTextFontKey));
}

TEST_F(TextViewTest, SelectionDisplaySwitchesBetweenCaretAndHandles)
{
    view_->setText(u"alpha beta\ngamma delta\nepsilon");
    view_->becomeFirstResponder();
    view_->setSelectedRange(NSMakeRange(2, 0));
    ASSERT_NE(view_->caretView(), nullptr);
    EXPECT_EQ(view_->caretView()->superview(), view_->contentView());
    EXPECT_EQ(view_->longPressRecognizer()->minimumPressDuration(), 0.5);
    EXPECT_EQ(view_->caretView()->frame().origin.y, view_->caretRectForIndex(2).origin.y);

    view_->setSelectedRange(NSMakeRange(2, 14));
    EXPECT_EQ(view_->caretView()->superview(), nullptr);
    ASSERT_NE(view_->selectionView(), nullptr);
    EXPECT_EQ(view_->longPressRecognizer()->minimumPressDuration(), 0.0);
    // The bars sit where the caret rectangles of both ends are.
    const CGRect start = view_->selectionView()->leftCaret()->convertRectToView(view_->selectionView()->leftCaret()->bounds(), view_->contentView());
    const CGRect expected = view_->caretRectForIndex(2);
    EXPECT_NEAR(start.origin.x, expected.origin.x, 0.01);
    EXPECT_NEAR(start.origin.y, expected.origin.y, 0.01);
    // The start handle is above its bar (y upward in content space), the end handle below.
    const CGRect dot = view_->selectionView()->leftDot()->convertRectToView(view_->selectionView()->leftDot()->bounds(), view_->contentView());
    EXPECT_GT(CGRectGetMaxY(dot), CGRectGetMaxY(start));
    const CGRect endDot = view_->selectionView()->rightDot()->convertRectToView(view_->selectionView()->rightDot()->bounds(), view_->contentView());
    EXPECT_LT(endDot.origin.y, view_->caretRectForIndex(16).origin.y + 0.01);

    view_->setSelectedRange(NSMakeRange(3, 0));
    EXPECT_EQ(view_->selectionView(), nullptr);
    EXPECT_EQ(view_->caretView()->superview(), view_->contentView());
}

TEST_F(TextViewTest, CaretBlinksAfterAPauseAndShowStopsIt)
{
    view_->setText(u"abc");
    view_->becomeFirstResponder();
    view_->setSelectedRange(NSMakeRange(1, 0));
    CodeCaretView* caret = view_->caretView();
    const auto opacity = [&] { return std::get<CGFloat>(*caret->layer()->presentationValue("opacity")); };
    advance(0.3);
    EXPECT_EQ(opacity(), 1.0); // solid during the pause
    advance(0.3 + 0.6);        // 0.6 into the first period: fading or gone
    EXPECT_LT(opacity(), 0.5);
    advance(0.5);              // the next period starts solid
    EXPECT_GT(opacity(), 0.9);
    caret->show();
    advance(0.7);
    EXPECT_EQ(opacity(), 1.0);
    EXPECT_FALSE(caret->layer()->hasAnimations());
}

// Return at the end of a text longer than the view: the caret and the new line show.
TEST_F(TextViewTest, TypedFinalLineBreakScrollsIntoView)
{
    std::u16string text;
    for (int line = 0; line < 80; ++line)
        text += u"line " + utf8ToUtf16(std::to_string(line)) + u"\n";
    text.pop_back();
    for (const std::u16string lineBreak : { u"\n", u"\r", u"\u2028", u"\u2029" }) {
        SCOPED_TRACE(static_cast<int>(lineBreak.back()));
        view_->setText(text);
        view_->becomeFirstResponder();
        view_->setSelectedRange(NSMakeRange(text.size(), 0));
        view_->insertText(lineBreak);
        advance(1);
        const CGRect caret = view_->contentView()->convertRectToView(view_->caretView()->frame(), view_.get());
        const CGRect shown = CGRectMake(view_->contentOffset().x, view_->contentOffset().y, kWidth, kHeight);
        EXPECT_TRUE(CGRectContainsRect(shown, caret)) << "caret " << caret.origin.y << "+" << caret.size.height << ", shown " << shown.origin.y << " content " << view_->contentSize().height;
        EXPECT_LE(CGRectGetMaxY(caret), view_->contentSize().height);
        view_->resignFirstResponder();
    }
}

// The caret and the handles stand where their indices lie after every relayout: a shorter text
// (clamped selection, no scroll), a narrower view (rewrap under the gutter or a turn).
TEST_F(TextViewTest, CaretAndHandlesFollowARelayout)
{
    const auto barAt = [&](UIView* bar) { return bar->convertRectToView(bar->bounds(), view_->contentView()); };
    const auto expectBarsAt = [&](NSUInteger start, NSUInteger end) {
        ASSERT_NE(view_->selectionView(), nullptr);
        EXPECT_NEAR(barAt(view_->selectionView()->leftCaret()).origin.y, view_->caretRectForIndex(NSInteger(start)).origin.y, 0.01);
        EXPECT_NEAR(barAt(view_->selectionView()->rightCaret()).origin.y, view_->caretRectForIndex(NSInteger(end)).origin.y, 0.01);
        EXPECT_NEAR(barAt(view_->selectionView()->rightCaret()).origin.x, view_->caretRectForIndex(NSInteger(end)).origin.x, 0.01);
    };
    std::u16string words;
    for (int i = 0; i < 60; ++i)
        words += u"word" + utf8ToUtf16(std::to_string(i)) + u" ";
    view_->setText(words);
    view_->becomeFirstResponder();
    view_->setSelectedRange(NSMakeRange(200, 30));
    expectBarsAt(200, 230);

    // Narrower: the text rewraps and both ends move to other rows.
    const CGRect before = view_->caretRectForIndex(230);
    view_->setFrame(CGRectMake(0, 0, kWidth - 100, kHeight));
    UIView::layoutPendingViews();
    ASSERT_NE(view_->caretRectForIndex(230).origin.y, before.origin.y);
    expectBarsAt(200, 230);

    // The gutter slides in: the text rewraps beside it; the handles and the selection's menu
    // come to the new place.
    view_->setLineNumberWidth(60);
    advance(1);
    UIView::layoutPendingViews();
    advance(1);
    expectBarsAt(200, 230);
    auto& menu = UIMenuController::sharedMenuController();
    EXPECT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.targetRect(), view_->menuPresentationRect());

    // A shorter text: the selection is clamped, the handles go with it, nothing scrolls.
    const CGPoint offset = view_->contentOffset();
    view_->setText(words.substr(0, 210));
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(200, 10));
    expectBarsAt(200, 210);
    EXPECT_EQ(view_->contentOffset().y, std::min(offset.y, std::max<CGFloat>(0, view_->contentSize().height - kHeight)));

    // The caret likewise.
    view_->setSelectedRange(NSMakeRange(205, 0));
    view_->setText(words.substr(0, 50));
    EXPECT_EQ(view_->caretView()->frame(), view_->caretRectForIndex(50));
}

// Every selection holds whole characters: an end inside a surrogate pair or between CR and LF
// moves out (the start back, the end on), whichever way the range is set.
TEST_F(TextViewTest, SelectionEndsSnapToWholeCharacters)
{
    const struct {
        const char* name;
        std::u16string text;
        NSRange set;
        NSRange expected;
    } cases[] = {
        { "end inside a pair", u"a\U0001F600b", { 0, 2 }, { 0, 3 } },
        { "start inside a pair", u"a\U0001F600b", { 2, 2 }, { 1, 3 } },
        { "caret inside a pair", u"a\U0001F600b", { 2, 0 }, { 1, 0 } },
        { "end between CR and LF", u"ab\r\ncd", { 1, 2 }, { 1, 3 } },
        { "start between CR and LF", u"ab\r\ncd", { 3, 2 }, { 2, 3 } },
        { "caret between CR and LF", u"ab\r\ncd", { 3, 0 }, { 2, 0 } },
        { "whole characters stay", u"a\U0001F600b", { 1, 2 }, { 1, 2 } },
        { "a lone high surrogate at the end", u"a\xD83D", { 0, 2 }, { 0, 2 } },
    };
    for (const auto& c : cases) {
        view_->setText(c.text);
        view_->setSelectedRange(c.set);
        EXPECT_EQ(view_->selectedRange(), c.expected) << c.name;
        view_->setSelectedRange(NSMakeRange(0, 0));
        view_->setSelectedTextRange(rng(c.set.location, c.set.length));
        EXPECT_EQ(view_->selectedRange(), c.expected) << c.name << " (text-input protocol)";
    }
    // A cut takes the whole emoji and leaves no half of it behind.
    view_->setText(u"a\U0001F600b");
    view_->setSelectedRange(NSMakeRange(0, 2));
    view_->cut();
    EXPECT_EQ(view_->text(), u"b");
    EXPECT_EQ(UIPasteboard::generalPasteboard().valueForPasteboardType(kUTTypeUTF8PlainText), "a\xF0\x9F\x98\x80");
    // A shorter new text that splits a pair at the old selection's end.
    view_->setText(u"abcdef");
    view_->setSelectedRange(NSMakeRange(2, 0));
    view_->setText(u"a\U0001F600");
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(1, 0));
}

namespace {

class NoticeRecorder : public UITextInputDelegate {
public:
    void selectionWillChange(UITextInput*) override { heard += "s<"; }
    void selectionDidChange(UITextInput*) override { heard += "s>"; }
    void textWillChange(UITextInput*) override { heard += "t<"; }
    void textDidChange(UITextInput*) override { heard += "t>"; }
    std::string heard;
};

} // namespace

// The input system hears of the changes the view makes by itself, and only of those: its own
// edits (typing, composing, its selection requests) come back to it unannounced.
TEST_F(TextViewTest, InputDelegateHearsTheViewsOwnChanges)
{
    view_->setText(u"abc def");
    ASSERT_TRUE(view_->becomeFirstResponder());
    EXPECT_EQ(view_->inputDelegate(), &UITextInputSystem::shared());
    NoticeRecorder recorder;
    view_->setInputDelegate(&recorder);
    UIPasteboard::generalPasteboard().setValueForPasteboardType("xy", kUTTypeUTF8PlainText);
    const struct {
        const char* name;
        std::function<void(CodeTextView&)> act;
        const char* heard;
    } cases[] = {
        { "setText", [](CodeTextView& v) { v.setText(u"abc def"); }, "t<t>" },
        { "setSelectedRange", [](CodeTextView& v) { v.setSelectedRange(NSMakeRange(1, 2)); }, "s<s>" },
        { "cut", [](CodeTextView& v) { v.cut(); }, "t<t>s<s>" },
        { "paste", [](CodeTextView& v) { v.paste(); }, "t<t>" },
        { "insertText", [](CodeTextView& v) { v.insertText(u"q"); }, "" },
        { "deleteBackward", [](CodeTextView& v) { v.deleteBackward(); }, "" },
        { "setMarkedText", [](CodeTextView& v) { v.setMarkedTextSelectedRange(u"ni", NSMakeRange(2, 0)); }, "" },
        { "unmarkText", [](CodeTextView& v) { v.unmarkText(); }, "" },
        { "setSelectedTextRange", [](CodeTextView& v) { v.setSelectedTextRange(rng(0, 1)); }, "" },
        { "replaceRangeWithText", [](CodeTextView& v) { v.replaceRangeWithText(rng(0, 1), u"Z"); }, "" },
    };
    for (const auto& c : cases) {
        recorder.heard.clear();
        c.act(*view_);
        EXPECT_EQ(recorder.heard, c.heard) << c.name;
    }
    // Composing when the view changes its text: what was composed stays, no longer marked.
    view_->setInputDelegate(&UITextInputSystem::shared());
    int ended = 0;
    UITextInputSystem::shared().setCompositionEndHandler([&ended] { ++ended; });
    view_->setText(u"ab");
    view_->setSelectedRange(NSMakeRange(2, 0));
    ended = 0;
    view_->setMarkedTextSelectedRange(u"ni", NSMakeRange(2, 0));
    EXPECT_EQ(ended, 0) << "the input method's own edit";
    view_->setSelectedRange(NSMakeRange(0, 0));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(view_->markedRange().location, NSNotFound);
    EXPECT_EQ(view_->text(), u"abni");
    UITextInputSystem::shared().setCompositionEndHandler(nullptr);
    // The input system serves the first responder only.
    view_->resignFirstResponder();
    EXPECT_EQ(view_->inputDelegate(), nullptr);
}
