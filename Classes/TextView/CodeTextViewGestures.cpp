// Touches and the first responder: the caret follows a tap, a double tap selects a word, a long
// press places the caret under the loupe or drags an end of the selection under the magnifier,
// and a one-finger swipe slides the line-number gutter in or out.
#include <algorithm>

#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeSelectionView.h"
#include "Classes/TextView/CodeTextView.h"
#include "Classes/TextView/CodeTextWindow.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIScreen.h"

namespace {
constexpr CGFloat kGutterWidth = 60.0;
}

// ---- First responder ------------------------------------------------------------------------

bool CodeTextView::canBecomeFirstResponder()
{
    if (editable_ && responds(CodeTextViewDelegate::Operation::ShouldBeginEditing)) {
        if (const auto d = delegate_.lock()) {
            return d->textViewShouldBeginEditing(this);
        }
    }
    return true;
}

bool CodeTextView::becomeFirstResponder()
{
    // Editing begins only when the view really takes the role: a delegate that refuses (or a
    // responder that will not give way) leaves it as it was.
    const bool became = UIScrollView::becomeFirstResponder();
    if (became && editable_) {
        editing_ = true;
        if (responds(CodeTextViewDelegate::Operation::DidBeginEditing)) {
            if (const auto d = delegate_.lock()) {
                d->textViewDidBeginEditing(this);
            }
        }
        selectionChanged();
    }
    return became;
}

bool CodeTextView::canResignFirstResponder()
{
    if (editable_ && responds(CodeTextViewDelegate::Operation::ShouldEndEditing)) {
        if (const auto d = delegate_.lock()) {
            return d->textViewShouldEndEditing(this);
        }
    }
    return true;
}

bool CodeTextView::resignFirstResponder()
{
    if (editable_) {
        editing_ = false;
        if (responds(CodeTextViewDelegate::Operation::DidEndEditing)) {
            if (const auto d = delegate_.lock()) {
                d->textViewDidEndEditing(this);
            }
        }
        selectionChanged();
    }
    return UIScrollView::resignFirstResponder();
}

// ---- Gestures -------------------------------------------------------------------------------

namespace {

constexpr char kShowMenu[] = "showMenu";
constexpr char kShowCorrectionMenu[] = "showCorrectionMenu";
// A press on a selection begins only this close to it.
constexpr CGFloat kSelectionPressReach = 20;

}

void CodeTextView::hideMenu()
{
    auto& menu = UIMenuController::sharedMenuController();
    if (menu.isMenuVisible()) {
        menu.setMenuVisible(false, false);
    }
}

void CodeTextView::tap(UIGestureRecognizer& recognizer)
{
    const CGPoint point = recognizer.locationInView(this);
    if (editable_ && !isFirstResponder()) {
        // The caret goes where the finger was before the view takes the keyboard, so that
        // becoming first responder shows (and scrolls to) that caret, not the text's start.
        const NSUInteger index = closestWhiteSpaceIndexToPoint(point);
        changeSelection([this, index] {
            setMarkedRange(NSRangeNotFound);
            applySelectedRange(NSMakeRange(index, 0));
        });
        becomeFirstResponder();
        return;
    }
    cancelPreviousPerformRequests(this, kShowMenu);
    setCorrectionRange(NSRangeNotFound);
    if (selectedRange_.length > 0) {
        setSelectedRange(NSMakeRange(selectedRange_.location, 0));
    }
    const NSUInteger index = closestWhiteSpaceIndexToPoint(point);
    if (responds(CodeTextViewDelegate::Operation::DidSelectURL) && !editing_ && selectedLinkAtIndex(index)) {
        return;
    }
    auto& menu = UIMenuController::sharedMenuController();
    if (menu.isMenuVisible()) {
        menu.setMenuVisible(false, false);
    } else if (index == selectedRange_.location) {
        performAfterDelay(selfView(), [](CodeTextView& view) { view.showMenu(); }, kTapMenuDelay, kShowMenu);
    } else if (editing_) {
        performAfterDelay(selfView(), [](CodeTextView& view) { view.showCorrectionMenu(); }, kTapMenuDelay, kShowCorrectionMenu);
    }
    changeSelection([this, index] {
        setMarkedRange(NSRangeNotFound);
        applySelectedRange(NSMakeRange(index, 0));
    });
}

void CodeTextView::doubleTap(UIGestureRecognizer& recognizer)
{
    cancelPreviousPerformRequests(this, kShowMenu);
    const NSUInteger index = closestWhiteSpaceIndexToPoint(recognizer.locationInView(this));
    const NSRange word = characterRangeAtIndex(index);
    if (word.location == NSNotFound || word.length == 0) {
        return;
    }
    setSelectedRange(word);
    if (!UIMenuController::sharedMenuController().isMenuVisible()) {
        performAfterDelay(selfView(), [](CodeTextView& view) { view.showMenu(); }, kDoubleTapMenuDelay, kShowMenu);
    }
}

CodeTextWindow* CodeTextView::codeTextWindow()
{
    if (textWindow_) {
        return textWindow_.get();
    }
    const CGRect screen = UIScreen::mainScreen().bounds();
    // One window serves every text view.
    for (const UIWindowRef& window : UIApplication::sharedApplication().windows()) {
        if (auto existing = std::dynamic_pointer_cast<CodeTextWindow>(window)) {
            existing->setFrame(screen);
            textWindow_ = existing;
            break;
        }
    }
    if (!textWindow_) {
        textWindow_ = std::make_shared<CodeTextWindow>(screen);
    }
    textWindow_->setWindowLevel(UIWindowLevelStatusBar);
    textWindow_->setHidden(false);
    return textWindow_.get();
}

void CodeTextView::longPress(UIGestureRecognizer& recognizer)
{
    const UIGestureRecognizerState state = recognizer.state();
    if (state != UIGestureRecognizerStateBegan && state != UIGestureRecognizerStateChanged) {
        if (caretView_) {
            caretView_->delayBlink();
        }
        if (textWindow_) {
            textWindow_->hide(true);
        }
        textWindow_.reset();
        if (state == UIGestureRecognizerStateEnded && selectedRange_.length > 0) {
            showMenu();
        }
        return;
    }
    const bool began = state == UIGestureRecognizerStateBegan;
    if (began && linkRange_.length > 0) {
        setLinkRangeFromTextCheckerResults(linkAtIndex(linkRange_.location));
        // The press has served to open the link: cancel it.
        recognizer.setEnabled(false);
        recognizer.setEnabled(true);
    }
    hideMenu();
    const CGPoint point = recognizer.locationInView(this);
    if (!selectionView_ && caretView_) {
        caretView_->show();
    }
    CodeTextWindow* window = codeTextWindow();
    window->updateWindowTransform();
    window->setType(selectionView_ ? 1 : 0);
    const NSUInteger index = closestIndexToPoint(point);
    CodeContentView* content = textContentView_.get();
    CGRect rect;
    if (!selectionView_) {
        setSelectedRange(NSMakeRange(index, 0));
        const CGPoint inWindow = convertPointToView(point, window);
        const CGSize caret = caretView_ ? caretView_->frame().size : CGSizeMake(kCaretWidth, font_->lineHeight());
        rect = CGRectMake(inWindow.x, inWindow.y, caret.width, caret.height);
    } else {
        const auto location = static_cast<NSInteger>(selectedRange_.location);
        const auto length = static_cast<NSInteger>(selectedRange_.length);
        const auto textLength = static_cast<NSInteger>(text().size());
        if (began) {
            window->setSelectionType(static_cast<NSInteger>(index) > location + length / 2 ? 1 : 0);
        }
        NSRange selection;
        NSInteger moved = 0;
        if (window->selectionType() == 1) {
            const NSInteger newLength = std::max<NSInteger>(1, std::min<NSInteger>(static_cast<NSInteger>(index) - location, textLength - location));
            // The moving end never falls inside a surrogate pair or a CR LF.
            const NSUInteger end = caretBoundaryAfter(text(), static_cast<NSUInteger>(location + newLength));
            selection = NSMakeRange(static_cast<NSUInteger>(location), end - static_cast<NSUInteger>(location));
            moved = static_cast<NSInteger>(selection.max());
        } else {
            const NSInteger end = location + length;
            const NSInteger start = static_cast<NSInteger>(caretBoundaryBefore(
                text(), static_cast<NSUInteger>(std::max<NSInteger>(0, std::min<NSInteger>(end - 1, static_cast<NSInteger>(index))))));
            selection = NSMakeRange(static_cast<NSUInteger>(start), static_cast<NSUInteger>(std::min<NSInteger>(end - start, textLength)));
            moved = start;
        }
        setSelectedRange(selection);
        rect = content->convertRectToView(caretRectForIndex(moved), window);
    }
    if (began) {
        window->showFromViewRect(content, rect);
    } else {
        window->renderWithContentViewFromRect(content, rect);
    }
}

void CodeTextView::swipeRight(UIGestureRecognizer& recognizer)
{
    if (recognizer.numberOfTouches() == 1) {
        NSLog("FINGER SWIPE RIGHT!");
        setLineNumberWidth(kGutterWidth);
    }
}

void CodeTextView::swipeLeft(UIGestureRecognizer& recognizer)
{
    if (recognizer.numberOfTouches() == 1) {
        NSLog("FINGER SWIPE LEFT!");
        setLineNumberWidth(0);
    }
}

// ---- UIGestureRecognizerDelegate ------------------------------------------------------------

bool CodeTextView::gestureRecognizerShouldBegin(UIGestureRecognizer* recognizer)
{
    if (recognizer != static_cast<UIGestureRecognizer*>(longPress_) || selectedRange_.length == 0 || !selectionView_) {
        return true;
    }
    const CGRect frame = CGRectStandardize(textContentView_->convertRectToView(selectionView_->frame(), this));
    return CGRectContainsPoint(CGRectInset(frame, -kSelectionPressReach, -kSelectionPressReach), recognizer->locationInView(this));
}

bool CodeTextView::gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(UIGestureRecognizer* recognizer,
                                                                                     UIGestureRecognizer*)
{
    if (recognizer->className() == "UIScrollViewPanGestureRecognizer") {
        hideMenu();
    }
    return false;
}
