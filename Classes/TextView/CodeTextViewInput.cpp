// The text-input side of the code view: its ranges, how a selection is shown, and the edits the
// keyboard and input methods make.
#include <algorithm>

#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeIndexedRange.h"
#include "Classes/TextView/CodeSelectionView.h"
#include "Classes/TextView/CodeTextView.h"
#include "Classes/TextView/CodeTextWindow.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UITextInputDelegate.h"
#include "Platform/UIKit/UITextInputStringTokenizer.h"

namespace {

constexpr char kShowCorrectionMenuWithoutSelection[] = "showCorrectionMenuWithoutSelection";
constexpr double kCorrectionMenuDelay = 0.2;

NSUInteger indexOf(const UITextPositionRef& position)
{
    const auto* p = dynamic_cast<const CodeIndexedPosition*>(position.get());
    return p ? p->index() : 0;
}

NSRange rangeOf(const UITextRangeRef& range)
{
    const auto* r = dynamic_cast<const CodeIndexedRange*>(range.get());
    return r ? r->range() : NSRangeNotFound;
}

bool exists(NSRange range) { return range.location != NSNotFound; }

}

// ---- Ranges ---------------------------------------------------------------------------------

NSRange CodeTextView::wholeCharacterRange(const std::u16string& text, NSUInteger start, NSUInteger end)
{
    // Half a character would be copied as U+FFFD, and a cut would leave its other half alone.
    const NSUInteger first = caretBoundaryBefore(text, start);
    const NSUInteger last = end <= start ? first : caretBoundaryAfter(text, end);
    return NSMakeRange(first, last - first);
}

void CodeTextView::setSelectedRange(NSRange range)
{
    changeSelection([this, range] { applySelectedRange(range); });
}

void CodeTextView::changeSelection(const std::function<void()>& change)
{
    // The input method ends its composition on the notice: what it composed stays where it was.
    announce(&UITextInputDelegate::selectionWillChange, change, &UITextInputDelegate::selectionDidChange);
}

void CodeTextView::changeText(const std::function<void()>& change)
{
    announce(&UITextInputDelegate::textWillChange, change, &UITextInputDelegate::textDidChange);
}

void CodeTextView::announce(void (UITextInputDelegate::*will)(UITextInput*), const std::function<void()>& change,
                            void (UITextInputDelegate::*did)(UITextInput*))
{
    if (inputDelegate_) {
        (inputDelegate_->*will)(this);
    }
    change();
    if (inputDelegate_) {
        (inputDelegate_->*did)(this);
    }
}

void CodeTextView::applySelectedRange(NSRange range)
{
    const std::u16string& t = text();
    const NSUInteger length = t.size();
    // A range outside the text (or none at all) would leave no caret to type at.
    if (!exists(range)) {
        range = NSMakeRange(std::min(selectedRange_.location, length), 0);
    }
    const NSUInteger start = std::min(range.location, length);
    const NSUInteger end = std::min(start + std::min(range.length, length), length);
    selectedRange_ = wholeCharacterRange(t, start, end);
    selectionChanged();
}

void CodeTextView::selectionChanged()
{
    NSLogf("selectionChanged: %d , %d", static_cast<int>(selectedRange_.location), static_cast<int>(selectedRange_.length));
    CodeContentView* content = textContentView_.get();
    if (!content) {
        return;
    }
    if (selectedRange_.length > 0) {
        if (longPress_) {
            longPress_->setMinimumPressDuration(kSelectionPressDuration);
        }
        if (caretView_ && caretView_->superview() == content) {
            caretView_->removeFromSuperview();
        }
        if (!selectionView_) {
            selectionView_ = std::make_shared<CodeSelectionView>(content->bounds());
            content->addSubview(selectionView_);
        }
        selectionView_->setBeginCaretEndCaret(caretRectForIndex(static_cast<NSInteger>(selectedRange_.location)),
                                              caretRectForIndex(static_cast<NSInteger>(selectedRange_.max())));
    } else {
        if (selectionView_) {
            selectionView_->removeFromSuperview();
            selectionView_.reset();
        }
        // No caret without the keyboard: typing goes nowhere while the view is not editing.
        if (caretView_ && !editing_) {
            caretView_->removeFromSuperview();
        } else if (caretView_) {
            if (caretView_->superview() != content) {
                content->addSubview(caretView_);
            }
            caretView_->setFrame(caretRectForIndex(static_cast<NSInteger>(selectedRange_.location)));
            caretView_->delayBlink();
            scrollCaretToVisible(true);
        }
        if (longPress_) {
            longPress_->setMinimumPressDuration(kCaretPressDuration);
        }
    }
    // Only the selection fill is drawn by the content view; a caret move changes none of it.
    invalidateSelectionFill();
}

void CodeTextView::followLayout(bool showMenuAgain)
{
    CodeContentView* content = textContentView_.get();
    if (!content) {
        return;
    }
    const auto start = static_cast<NSInteger>(selectedRange_.location);
    const auto end = static_cast<NSInteger>(selectedRange_.max());
    if (selectionView_ && selectionView_->superview() == content) {
        selectionView_->setBeginCaretEndCaret(caretRectForIndex(start), caretRectForIndex(end));
    }
    if (caretView_ && caretView_->superview() == content) {
        caretView_->setFrame(caretRectForIndex(start));
    }
    if (textWindow_ && textWindow_->isShowing()) {
        const NSInteger moving = selectionView_ && textWindow_->selectionType() == 1 ? end : start;
        textWindow_->renderWithContentViewFromRect(content, content->convertRectToView(caretRectForIndex(moving), textWindow_.get()));
    }
    if (showMenuAgain) {
        showMenu();
    }
}

void CodeTextView::scrollCaretToVisible(bool animated)
{
    CodeContentView* content = textContentView_.get();
    if (!content || !font_) {
        return;
    }
    const CGFloat lineHeight = font_->lineHeight();
    CGRect target = caretRectForIndex(static_cast<NSInteger>(selectedRange_.location));
    target.origin.y -= lineHeight;
    target.size.height += 2 * lineHeight;
    scrollRectToVisible(content->convertRectToView(target, this), animated);
}

void CodeTextView::setCorrectionRange(NSRange range)
{
    const NSRange previous = correctionRange_;
    correctionRange_ = range;
    if (previous == range && !exists(range)) {
        return;
    }
    if (exists(range) && range.length > 0) {
        if (caretView_) {
            caretView_->removeFromSuperview();
        }
    } else if (caretView_ && editing_ && textContentView_ && caretView_->superview() != textContentView_.get()) {
        textContentView_->addSubview(caretView_);
        caretView_->delayBlink();
    }
    if (textContentView_) {
        textContentView_->setNeedsDisplay();
    }
}

void CodeTextView::setLinkRange(NSRange range)
{
    linkRange_ = range;
    if (range.length > 0) {
        if (caretView_) {
            caretView_->removeFromSuperview();
        }
    } else if (caretView_ && editing_ && textContentView_ && caretView_->superview() != textContentView_.get()) {
        textContentView_->addSubview(caretView_);
        caretView_->setFrame(caretRectForIndex(static_cast<NSInteger>(selectedRange_.location)));
        caretView_->delayBlink();
    }
    if (textContentView_) {
        textContentView_->setNeedsDisplay();
    }
}

// ---- Edits ----------------------------------------------------------------------------------

void CodeTextView::installEdit(NSRange selection, NSRange marked)
{
    setAttributedString(*mutableAttributedString_);
    setMarkedRange(marked);
    clampRanges();
    applySelectedRange(selection);
}

void CodeTextView::insertText(const std::u16string& inserted)
{
    if (!mutableAttributedString_) {
        return;
    }
    clampRanges(); // ranges set from outside may lie past the text
    const NSRange selected = selectedRange_;
    const NSRange marked = markedRange_;
    mutableAttributedString_->setAttributedString(attributedString());
    const NSRange target = exists(marked) ? marked : selected;
    const std::u16string piece = textWithLineBreak(inserted, lineBreak_, mutableAttributedString_->string(), target);
    mutableAttributedString_->replaceCharactersInRange(target, NSAttributedString(piece, defaultAttributes_));
    const NSRange caret = NSMakeRange(target.location + piece.size(), 0);
    installEdit(caret, NSRangeNotFound);
}

void CodeTextView::deleteBackward()
{
    if (!mutableAttributedString_) {
        return;
    }
    clampRanges(); // ranges set from outside may lie past the text
    cancelPreviousPerformRequests(this, kShowCorrectionMenuWithoutSelection);
    const NSRange selected = selectedRange_;
    const NSRange marked = markedRange_;
    mutableAttributedString_->setAttributedString(attributedString());
    const std::u16string& t = text();
    NSRange caret = selected;
    NSRange newMarked = marked;
    if (exists(marked)) {
        mutableAttributedString_->deleteCharactersInRange(selected);
        caret = NSMakeRange(marked.location, 0);
        newMarked = NSRangeNotFound;
    } else if (selected.length > 0) {
        mutableAttributedString_->deleteCharactersInRange(selected);
        caret = NSMakeRange(selected.location, 0);
    } else if (selected.location > 0) {
        const NSUInteger before = std::min(selected.location - 1, t.size() - 1);
        if (t[before] == u' ') {
            std::weak_ptr<CodeTextView> weak = std::static_pointer_cast<CodeTextView>(selfRef());
            performAfterDelay([weak] { /* the correction menu shows nothing */ (void)weak.lock(); }, kCorrectionMenuDelay, this,
                              kShowCorrectionMenuWithoutSelection);
        }
        // One character: a surrogate pair or a CR LF goes as a whole, never half of it.
        const NSUInteger from = previousCaretIndex(t, selected.location);
        mutableAttributedString_->deleteCharactersInRange(NSMakeRange(from, selected.location - from));
        caret = NSMakeRange(from, 0);
    }
    installEdit(caret, newMarked);
}

void CodeTextView::setMarkedTextSelectedRange(const std::u16string& markedText, NSRange relative)
{
    if (!mutableAttributedString_) {
        return;
    }
    clampRanges(); // ranges set from outside may lie past the text
    const NSRange selected = selectedRange_;
    NSRange marked = markedRange_;
    mutableAttributedString_->setAttributedString(attributedString());
    const NSAttributedString piece(markedText, defaultAttributes_);
    if (!exists(marked)) {
        mutableAttributedString_->replaceCharactersInRange(selected, piece);
        marked.location = selected.location;
    } else {
        mutableAttributedString_->replaceCharactersInRange(marked, piece);
    }
    marked.length = markedText.size();
    const NSRange selection = NSMakeRange(marked.location + relative.location, relative.length);
    installEdit(selection, marked);
}

void CodeTextView::unmarkText()
{
    if (!exists(markedRange_)) {
        return;
    }
    if (!mutableAttributedString_) {
        markedRange_.location = NSNotFound;
        return;
    }
    clampRanges(); // ranges set from outside may lie past the text
    // The committed text is typed text: its line breaks become the file's, as Return's do.
    const NSRange marked = markedRange_;
    const std::u16string composed = text().substr(marked.location, marked.length);
    mutableAttributedString_->setAttributedString(attributedString());
    const std::u16string piece = textWithLineBreak(composed, lineBreak_, mutableAttributedString_->string(), marked);
    if (piece == composed) {
        markedRange_.location = NSNotFound;
        return;
    }
    mutableAttributedString_->replaceCharactersInRange(marked, NSAttributedString(piece, defaultAttributes_));
    installEdit(NSMakeRange(marked.location + piece.size(), 0), NSRangeNotFound);
}

void CodeTextView::replaceRangeWithText(const UITextRangeRef& range, const std::u16string& given)
{
    if (!mutableAttributedString_) {
        return;
    }
    const NSRange replaced = rangeOf(range);
    const NSUInteger length = text().size();
    if (!exists(replaced) || replaced.location > length) {
        return;
    }
    const NSRange target = NSMakeRange(replaced.location, std::min(replaced.length, length - replaced.location));
    mutableAttributedString_->setAttributedString(attributedString());
    const std::u16string replacement = textWithLineBreak(given, lineBreak_, mutableAttributedString_->string(), target);
    NSRange selection = selectedRange_;
    if (selection.location < target.max()) {
        selection = rangeIntersection(target, selection);
        // A selection wholly before the replaced range (or touching it) does not overlap: keep
        // a caret behind the new text rather than no range at all.
        if (!exists(selection)) {
            selection = NSMakeRange(target.location + replacement.size(), 0);
        }
    } else {
        selection.location = selection.location + replacement.size() - target.length;
    }
    mutableAttributedString_->replaceCharactersInRange(target, NSAttributedString(replacement, defaultAttributes_));
    setAttributedString(*mutableAttributedString_);
    applySelectedRange(selection);
}

// ---- Text-input protocol --------------------------------------------------------------------

std::u16string CodeTextView::textInRange(const UITextRangeRef& range)
{
    const NSRange r = rangeOf(range);
    const std::u16string& t = text();
    if (!exists(r) || r.location > t.size()) {
        return {};
    }
    return t.substr(r.location, std::min(r.length, t.size() - r.location));
}

UITextRangeRef CodeTextView::selectedTextRange() { return CodeIndexedRange::rangeWithNSRange(selectedRange_); }

void CodeTextView::setSelectedTextRange(const UITextRangeRef& range)
{
    applySelectedRange(range ? rangeOf(range) : NSMakeRange(0, 0));
}

UITextRangeRef CodeTextView::markedTextRange() { return CodeIndexedRange::rangeWithNSRange(markedRange_); }

UITextPositionRef CodeTextView::beginningOfDocument() { return CodeIndexedPosition::positionWithIndex(0); }

UITextPositionRef CodeTextView::endOfDocument() { return CodeIndexedPosition::positionWithIndex(text().size()); }

UITextRangeRef CodeTextView::textRangeFromPositionToPosition(const UITextPositionRef& from, const UITextPositionRef& to)
{
    const NSUInteger a = indexOf(from);
    const NSUInteger b = indexOf(to);
    return CodeIndexedRange::rangeWithNSRange(NSMakeRange(std::min(a, b), a > b ? a - b : b - a));
}

UITextPositionRef CodeTextView::positionFromPositionOffset(const UITextPositionRef& position, NSInteger offset)
{
    const std::u16string& t = text();
    const auto target = static_cast<NSInteger>(indexOf(position)) + offset;
    if (target < 0 || target > static_cast<NSInteger>(t.size())) {
        return nullptr;
    }
    // A step never ends inside a surrogate pair or a CR LF: it goes on over the pair's other half.
    const auto index = static_cast<NSUInteger>(target);
    return CodeIndexedPosition::positionWithIndex(offset < 0 ? caretBoundaryBefore(t, index) : caretBoundaryAfter(t, index));
}

UITextPositionRef CodeTextView::positionFromPositionInDirectionOffset(const UITextPositionRef& position,
                                                                      UITextDirection direction, NSInteger offset)
{
    const std::u16string& t = text();
    auto index = static_cast<NSInteger>(indexOf(position));
    bool backward = false;
    if (direction == UITextLayoutDirectionLeft) {
        index -= offset;
        backward = offset > 0;
    } else if (direction == UITextLayoutDirectionRight) {
        index += offset;
        backward = offset < 0;
    }
    const auto clamped = static_cast<NSUInteger>(std::clamp<NSInteger>(index, 0, static_cast<NSInteger>(t.size())));
    return CodeIndexedPosition::positionWithIndex(backward ? caretBoundaryBefore(t, clamped) : caretBoundaryAfter(t, clamped));
}

NSComparisonResult CodeTextView::comparePositionToPosition(const UITextPositionRef& position, const UITextPositionRef& other)
{
    const NSUInteger a = indexOf(position);
    const NSUInteger b = indexOf(other);
    return a == b ? NSOrderedSame : a < b ? NSOrderedAscending : NSOrderedDescending;
}

NSInteger CodeTextView::offsetFromPositionToPosition(const UITextPositionRef& from, const UITextPositionRef& to)
{
    return static_cast<NSInteger>(indexOf(to)) - static_cast<NSInteger>(indexOf(from));
}

UITextPositionRef CodeTextView::positionWithinRangeFarthestInDirection(const UITextRangeRef& range, UITextDirection direction)
{
    const NSRange r = rangeOf(range);
    const bool toEnd = direction == UITextLayoutDirectionRight || direction == UITextLayoutDirectionDown;
    return CodeIndexedPosition::positionWithIndex(toEnd ? r.max() : r.location);
}

UITextRangeRef CodeTextView::characterRangeByExtendingPositionInDirection(const UITextPositionRef& position, UITextDirection direction)
{
    const NSUInteger index = indexOf(position);
    if (direction == UITextLayoutDirectionLeft || direction == UITextLayoutDirectionUp) {
        // Nothing lies before the text's start: an empty range there.
        return CodeIndexedRange::rangeWithNSRange(index == 0 ? NSMakeRange(0, 0) : NSMakeRange(index - 1, 1));
    }
    return CodeIndexedRange::rangeWithNSRange(NSMakeRange(index, 1));
}

UITextInputTokenizer* CodeTextView::tokenizer() { return tokenizer_.get(); }

UITextWritingDirection CodeTextView::baseWritingDirectionForPositionInDirection(const UITextPositionRef&, UITextStorageDirection)
{
    return UITextWritingDirectionLeftToRight;
}

CGRect CodeTextView::firstRectForRange(const UITextRangeRef& range) { return firstRectForNSRange(rangeOf(range)); }

CGRect CodeTextView::caretRectForPosition(const UITextPositionRef& position)
{
    return caretRectForIndex(static_cast<NSInteger>(indexOf(position)));
}

UITextPositionRef CodeTextView::closestPositionToPoint(CGPoint point)
{
    return CodeIndexedPosition::positionWithIndex(closestIndexToPoint(point));
}

UITextPositionRef CodeTextView::closestPositionToPointWithinRange(CGPoint point, const UITextRangeRef&)
{
    return closestPositionToPoint(point);
}

UITextRangeRef CodeTextView::characterRangeAtPoint(CGPoint point) { return CodeIndexedRange::rangeWithNSRange(characterRangeAtPoint_(point)); }

UITextStyleDictionary CodeTextView::textStylingAtPositionInDirection(const UITextPositionRef& position, UITextStorageDirection)
{
    UITextStyleDictionary styling;
    const NSAttributedString& string = attributedString();
    // An empty text has no character to ask: its styling is the view's font.
    if (string.length() == 0) {
        styling[UITextInputTextFontKey] = font_;
        return styling;
    }
    const NSUInteger index = std::min(indexOf(position), string.length() - 1);
    const auto font = string.attributesAtIndex(index, nullptr).valueForKey<CTFont>(kCTFontAttributeName);
    styling[UITextInputTextFontKey] = font ? UIFont::fontWithName(CTFontCopyFamilyName(font), font->size()) : font_;
    return styling;
}

UIView* CodeTextView::textInputView() { return textContentView_.get(); }
