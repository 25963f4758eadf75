#include "GestureTestSupport.h"

#include "Classes/TextView/CodeLoupeView.h"
#include "Classes/TextView/CodeMagnifyView.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"

namespace {
// "abcdef" at 10 on the first line.
constexpr std::u16string_view kText = u"0123456789abcdefghij klmno\nsecond line here\nthird";
}

// With a caret, a press held 0.5 s brings the loupe; the caret follows the finger; lifting
// hides the loupe and shows no menu.
TEST_F(GestureTest, PressWithACaretPlacesItUnderTheLoupe)
{
    load(std::u16string(kText));
    view_->setSelectedRange(NSMakeRange(0, 0));
    down(pointAtIndex(4));
    advance(0.45);
    EXPECT_EQ(view_->textWindow(), nullptr);
    advance(0.1);
    CodeTextWindow* window = view_->textWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->type(), 0);
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(4, 0));
    EXPECT_FALSE(window->isHidden());
    EXPECT_EQ(window->windowLevel(), UIWindowLevelStatusBar);
    advance(CodeTextWindow::kAnimationDuration + 0.05);
    EXPECT_TRUE(window->isShowing());
    ASSERT_NE(dynamic_cast<CodeLoupeView*>(window->overlayView()), nullptr);
    move(pointAtIndex(30));
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(30, 0));
    const CGRect loupe = window->overlayView()->frame();
    const CGPoint finger = screen(pointAtIndex(30));
    EXPECT_NEAR(CGRectGetMidX(loupe), finger.x + CodeTextView::kCaretWidth / 2, 2);
    EXPECT_EQ(loupe.origin.y, -40); // near the screen's top it stops partly above it
    EXPECT_GT(finger.y, 0);
    up(pointAtIndex(30));
    EXPECT_EQ(view_->textWindow(), nullptr);
    advance(0.5);
    EXPECT_TRUE(window->isHidden());
    EXPECT_EQ(window->overlayView(), nullptr);
    EXPECT_FALSE(menuVisible());
}

// With a selection, the press begins at once; the end nearer the finger (chosen when the press
// begins) follows it, and at least one character stays selected.
TEST_F(GestureTest, PressOnASelectionDragsOneEnd)
{
    struct Case {
        const char* name;
        NSUInteger pressAt;
        NSUInteger dragTo;
        NSRange expected;
    };
    const Case cases[] = {
        { "at 13 the start moves", 13, 12, { 12, 4 } },
        { "at 14 the end moves", 14, 18, { 10, 8 } },
        { "end dragged before the start", 15, 5, { 10, 1 } },
        { "start dragged past the end", 11, 19, { 15, 1 } },
        { "end dragged onto the next line", 16, 33, { 10, 23 } },
    };
    for (const Case& c : cases) {
        load(std::u16string(kText));
        view_->setSelectedRange(NSMakeRange(10, 6));
        down(pointAtIndex(c.pressAt));
        CodeTextWindow* window = view_->textWindow();
        ASSERT_NE(window, nullptr) << c.name;
        EXPECT_EQ(window->type(), 1) << c.name;
        advance(0.3);
        ASSERT_NE(dynamic_cast<CodeMagnifyView*>(window->overlayView()), nullptr) << c.name;
        move(pointAtIndex(c.dragTo));
        advance(0.05);
        move(pointAtIndex(c.dragTo));
        EXPECT_EQ(view_->selectedRange(), c.expected) << c.name;
        up(pointAtIndex(c.dragTo));
        advance(0.01);
        EXPECT_TRUE(menuVisible()) << c.name; // the menu comes back for the new selection
        advance(1);
        UIMenuController::sharedMenuController().setMenuVisible(false);
    }
}

// A press on a selection begins only within 20 points of the selection's frame.
TEST_F(GestureTest, PressFarFromTheSelectionDoesNotBegin)
{
    struct Case {
        CGFloat below;
        bool begins;
    };
    for (const Case c : { Case { 15, true }, Case { 19, true }, Case { 26, false }, Case { 60, false } }) {
        load(std::u16string(kText));
        view_->setSelectedRange(NSMakeRange(10, 6));
        const CGRect frame = CGRectStandardize(view_->contentView()->convertRectToView(view_->selectionView()->frame(), view_.get()));
        const CGPoint p = CGPointMake(CGRectGetMidX(frame), CGRectGetMaxY(frame) + c.below);
        down(p);
        advance(0.6);
        EXPECT_EQ(view_->textWindow() != nullptr, c.begins) << c.below;
        up(p);
        advance(1);
        if (!c.begins) {
            // Lifted without moving: a tap, which collapses the selection.
            EXPECT_EQ(view_->selectedRange().length, 0u) << c.below;
        }
    }
}

// A one-finger swipe to the right slides the gutter in, one to the left slides it out.
TEST_F(GestureTest, SwipesSlideTheGutter)
{
    load(u"one\ntwo\nthree\n");
    CodeLineNumberView* gutter = view_->lineView();
    ASSERT_NE(gutter, nullptr);
    EXPECT_EQ(gutter->frame().size.width, 0);
    swipe(CGPointMake(100, 40), 120);
    EXPECT_TRUE(logged("FINGER SWIPE RIGHT!"));
    EXPECT_TRUE(logged("setLineNumberWidth : 60"));
    EXPECT_EQ(view_->lineNumberWidth(), 60);
    advance(CodeTextView::kGutterSlideDuration + 0.1);
    UIView::layoutPendingViews();
    EXPECT_EQ(gutter->frame().origin.x, 0);
    EXPECT_EQ(gutter->frame().size.width, 60);
    EXPECT_EQ(view_->contentView()->frame().origin.x, 60);
    EXPECT_EQ(view_->contentView()->frame().size.width, kWidth - 60);
    swipe(CGPointMake(200, 40), -120);
    EXPECT_TRUE(logged("FINGER SWIPE LEFT!"));
    EXPECT_EQ(view_->lineNumberWidth(), 60); // until the slide ends
    advance(CodeTextView::kGutterSlideDuration + 0.1);
    UIView::layoutPendingViews();
    EXPECT_EQ(view_->lineNumberWidth(), 0);
    EXPECT_EQ(gutter->frame().origin.x, -60);
    EXPECT_EQ(view_->contentView()->frame().origin.x, 0);
    EXPECT_EQ(view_->contentView()->frame().size.width, kWidth);
}
