#include "GestureTestSupport.h"

#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UITextInputSystem.h"

namespace {
constexpr std::u16string_view kText = u"alpha beta gamma\ndelta epsilon\nzeta";
}

// A tap on a view that does not have the keyboard puts the caret where the finger was (word
// edges), makes the view first responder and keeps the tapped place on screen.
TEST_F(GestureTest, FirstTapTakesTheKeyboardAndPlacesTheCaretThere)
{
    auto delegate = std::make_shared<ScriptedDelegate>();
    delegate->implemented = { CodeTextViewDelegate::Operation::DidBeginEditing };
    view_->setDelegate(delegate);
    std::u16string text;
    for (int i = 0; i < 60; ++i) {
        text += u"line of text\n";
    }
    load(text, false);
    view_->setContentOffset(CGPointMake(0, 300));
    const NSUInteger target = 13 * 30 + 5; // "line |of" on line 31
    const CGPoint at = pointAtIndex(target);
    tap(at);
    EXPECT_TRUE(view_->isFirstResponder());
    EXPECT_EQ(delegate->heard, std::vector<std::string> { "begin" });
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(target, 0));
    EXPECT_EQ(view_->contentOffset().y, 300); // no jump to the text's start
    view_->insertText(u"X");
    EXPECT_EQ(view_->text().substr(target, 3), u"Xof");
}

TEST_F(GestureTest, TapsMoveTheCaretAndTheMenuComesOnlyAtTheCaret)
{
    load(std::u16string(kText));
    view_->setSelectedRange(NSMakeRange(6, 0));
    // At the caret's own place: the menu comes 0.35 s later.
    tap(pointAtIndex(6), 0);
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(6, 0));
    advance(CodeTextView::kTapMenuDelay - 0.1);
    EXPECT_FALSE(menuVisible());
    advance(0.2);
    EXPECT_TRUE(menuVisible());
    // A second tap while it shows hides it and moves the caret to the tapped word edge.
    tap(pointAtIndex(17));
    EXPECT_FALSE(menuVisible());
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(17, 0));
    // Elsewhere: no menu at all.
    tap(pointAtIndex(23), 1.0);
    EXPECT_FALSE(menuVisible());
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(23, 0));
    // A tap on a selection collapses it to the tapped place.
    view_->setSelectedRange(NSMakeRange(0, 5));
    tap(pointAtIndex(11), 1.0);
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(11, 0));
    EXPECT_EQ(view_->selectionView(), nullptr);
}

// Two taps within the multi-tap interval select the word; further apart they are two taps.
TEST_F(GestureTest, DoubleTapSelectsTheWordWithinTheInterval)
{
    struct Case {
        const char* name;
        NSUInteger at;
        double gap;
        NSRange selected;
        bool menu;
    };
    const Case cases[] = {
        { "within the interval", 9, 0.1, { 6, 4 }, true },
        { "beyond the interval", 9, 0.4, { 10, 0 }, false },
        { "on the spaces between words", 32, 0.1, { 32, 0 }, false },
    };
    for (const Case& c : cases) {
        load(u"alpha beta gamma\ndelta epsilon\n   \nzeta");
        view_->setSelectedRange(NSMakeRange(0, 0));
        tap(pointAtIndex(c.at), c.gap);
        tap(pointAtIndex(c.at), 0);
        advance(CodeTextView::kDoubleTapMenuDelay / 2);
        EXPECT_FALSE(menuVisible()) << c.name;
        advance(CodeTextView::kDoubleTapMenuDelay);
        EXPECT_EQ(view_->selectedRange(), c.selected) << c.name;
        EXPECT_EQ(menuVisible(), c.menu) << c.name;
        advance(1);
        UIMenuController::sharedMenuController().setMenuVisible(false);
    }
}

// The menu points at what it acts on and hides as soon as the text scrolls.
TEST_F(GestureTest, MenuPointsAtTheSelectionAndHidesWhenTheViewScrolls)
{
    std::u16string text;
    for (int i = 0; i < 80; ++i) {
        text += u"word number " + std::u16string(1, u'a' + i % 26) + u"\n";
    }
    load(text);
    view_->setSelectedRange(NSMakeRange(5, 6));
    view_->showMenu();
    EXPECT_FALSE(menuVisible()); // it comes on the next turn
    advance(0.01);
    ASSERT_TRUE(menuVisible());
    auto& menu = UIMenuController::sharedMenuController();
    EXPECT_EQ(menu.targetView(), view_.get());
    const CGRect word = view_->firstRectForNSRange(NSMakeRange(5, 6));
    EXPECT_NEAR(CGRectGetMidY(menu.targetRect()), CGRectGetMidY(word), 12);

    // A finger dragging the text up.
    const CGPoint from = CGPointMake(200, 300);
    down(from);
    for (int i = 1; i <= 8; ++i) {
        advance(0.02);
        move(CGPointMake(from.x, from.y - 20 * i));
    }
    EXPECT_GT(view_->contentOffset().y, 0);
    EXPECT_FALSE(menuVisible());
    up(CGPointMake(from.x, from.y - 160));
    advance(1);
    EXPECT_FALSE(menuVisible());
}

TEST_F(GestureTest, OverlayWindowNeverTakesTouches)
{
    load(std::u16string(kText));
    view_->setSelectedRange(NSMakeRange(0, 0));
    // A long press puts the loupe window up over the whole screen.
    down(pointAtIndex(3));
    advance(0.6);
    ASSERT_NE(view_->textWindow(), nullptr);
    const auto window = std::static_pointer_cast<UIWindow>(view_->textWindow()->shared_from_this());
    up(pointAtIndex(3));
    advance(1);
    // The window stays among the application's windows; shown again, it still lets taps through.
    window->setWindowLevel(UIWindowLevelStatusBar);
    window->setHidden(false);
    EXPECT_FALSE(window->isUserInteractionEnabled());
    tap(pointAtIndex(17), 1.0);
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(17, 0));
}

// Who may take and give up the keyboard, and what the delegate hears.
TEST_F(GestureTest, FirstResponderFollowsTheDelegatesAnswers)
{
    using Op = CodeTextViewDelegate::Operation;
    struct Case {
        const char* name;
        std::vector<Op> implemented;
        bool shouldBegin;
        bool shouldEnd;
        bool becomes;
        bool resigns;
        std::vector<std::string> heard;
    };
    const Case cases[] = {
        { "no answers", {}, false, false, true, true, {} },
        { "refuses to begin", { Op::ShouldBeginEditing, Op::DidBeginEditing }, false, true, false, true, {} },
        { "begins and ends", { Op::DidBeginEditing, Op::DidEndEditing }, true, true, true, true, { "begin", "end" } },
        { "refuses to end", { Op::ShouldEndEditing, Op::DidEndEditing }, true, false, true, false, {} },
    };
    for (const Case& c : cases) {
        auto delegate = std::make_shared<ScriptedDelegate>();
        delegate->implemented = c.implemented;
        delegate->shouldBegin = c.shouldBegin;
        delegate->shouldEnd = c.shouldEnd;
        view_->setDelegate(delegate);
        EXPECT_EQ(view_->becomeFirstResponder() && view_->isFirstResponder(), c.becomes) << c.name;
        EXPECT_EQ(view_->isEditing(), c.becomes) << c.name;
        // Another responder asks for the role (the editor's search field, say).
        auto other = std::make_shared<CodeTextView>(CGRectMake(0, 0, 10, 10));
        window_->addSubview(other);
        other->becomeFirstResponder();
        EXPECT_EQ(!view_->isFirstResponder(), c.resigns) << c.name;
        EXPECT_EQ(delegate->heard, c.heard) << c.name;
        other->removeFromSuperview();
        view_->setDelegate(nullptr);
        view_->resignFirstResponder();
        UIResponder::resetFirstResponderForTesting();
    }
}

// A tap while the input method composes: what it composed stays where it was typed, the input
// method starts afresh, and the character typed next lands once, at the tap.
TEST_F(GestureTest, TapDuringCompositionEndsItWhereItWasTyped)
{
    load(std::u16string(kText));
    ASSERT_EQ(view_->inputDelegate(), &UITextInputSystem::shared());
    int ended = 0;
    UITextInputSystem::shared().setCompositionEndHandler([&ended] { ++ended; });
    view_->setSelectedRange(NSMakeRange(5, 0)); // "alpha|"
    ended = 0;
    view_->setMarkedTextSelectedRange(u"ni", NSMakeRange(2, 0));
    const NSUInteger target = 17 + 2 + 5; // "delta|" behind the composed text
    tap(pointAtIndex(target));
    UITextInputSystem::shared().setCompositionEndHandler(nullptr);
    EXPECT_GE(ended, 1);
    EXPECT_EQ(view_->markedRange().location, NSNotFound);
    EXPECT_EQ(view_->selectedRange(), NSMakeRange(target, 0));
    view_->insertText(u"\u4F60");
    EXPECT_EQ(view_->text(), u"alphani beta gamma\ndelta\u4F60 epsilon\nzeta");
}
