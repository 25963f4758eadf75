// The edit menu of the code view: when it shows, where it points, which commands it offers, and
// the commands themselves over the general pasteboard.
#include <algorithm>

#include "Classes/TextView/CodeCaretView.h"
#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeSelectionView.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/Foundation/NSCharacterSet.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIPasteboard.h"

namespace {

inline const SEL kReplaceAction = "replace:";

bool exists(NSRange range) { return range.location != NSNotFound; }

}

void CodeTextView::showMenu()
{
    hideMenu();
    dispatchAsyncMain([weak = std::weak_ptr<CodeTextView>(selfView())] {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        auto& menu = UIMenuController::sharedMenuController();
        menu.setMenuItems({});
        menu.setTargetRect(self->menuPresentationRect(), self.get());
        menu.update();
        menu.setMenuVisible(true, true);
    });
}

CGRect CodeTextView::menuPresentationRect() const
{
    CodeContentView* content = textContentView_.get();
    const CGRect caret = caretView_ ? caretView_->frame() : caretRectForIndex(static_cast<NSInteger>(selectedRange_.location));
    CGRect rect = content->convertRectToView(caret, this);
    if (exists(selectedRange_) && selectedRange_.length > 0) {
        rect = selectionView_ ? content->convertRectToView(selectionView_->frame(), this) : firstRectForNSRange(selectedRange_);
    } else if (editing_ && exists(correctionRange_) && correctionRange_.length > 0) {
        rect = firstRectForNSRange(correctionRange_);
    }
    return rect;
}

bool CodeTextView::respondsToAction(const SEL& action) const
{
    return action == kUIActionCut || action == kUIActionCopy || action == kUIActionPaste || action == kUIActionSelect
        || action == kUIActionSelectAll || action == kUIActionDelete || action == kReplaceAction;
}

bool CodeTextView::canPerformAction(const SEL& action, const void* sender)
{
    const bool selection = exists(selectedRange_) && selectedRange_.length > 0;
    if (action == kUIActionCut) {
        return selection && editing_;
    }
    if (action == kUIActionCopy) {
        return selection;
    }
    if (action == kUIActionSelect || action == kUIActionSelectAll) {
        return !selection && hasText();
    }
    if (action == kUIActionPaste) {
        return editing_ && UIPasteboard::generalPasteboard().containsPasteboardTypes({ kUTTypeUTF8PlainText });
    }
    if (action == kUIActionDelete) {
        return false;
    }
    return UIScrollView::canPerformAction(action, sender);
}

bool CodeTextView::performAction(const SEL& action, const void* sender)
{
    // A command the view does not offer now (a shortcut, a stale menu) changes nothing.
    if (!canPerformAction(action, sender)) {
        return false;
    }
    if (action == kUIActionCut) {
        cut();
    } else if (action == kUIActionCopy) {
        copy();
    } else if (action == kUIActionPaste) {
        paste();
    } else if (action == kUIActionSelect) {
        select();
    } else if (action == kUIActionSelectAll) {
        selectAll();
    } else if (action == kReplaceAction) {
        replace();
    } else {
        return false;
    }
    return true;
}

void CodeTextView::copy()
{
    const std::u16string& t = text();
    if (!exists(selectedRange_) || selectedRange_.location >= t.size()) {
        return;
    }
    const std::u16string selected = t.substr(selectedRange_.location, std::min(selectedRange_.length, t.size() - selectedRange_.location));
    UIPasteboard::generalPasteboard().setValueForPasteboardType(utf16ToUtf8(selected), kUTTypeUTF8PlainText);
}

void CodeTextView::cut()
{
    copy();
    deleteSelection();
}

void CodeTextView::deleteSelection()
{
    if (!mutableAttributedString_) {
        return;
    }
    clampRanges();
    const NSRange selected = selectedRange_;
    mutableAttributedString_->setAttributedString(attributedString());
    mutableAttributedString_->deleteCharactersInRange(selected);
    changeText([this] { setAttributedString(*mutableAttributedString_); });
    setSelectedRange(NSMakeRange(selected.location, 0));
}

void CodeTextView::paste()
{
    const auto pasted = UIPasteboard::generalPasteboard().valueForPasteboardType(kUTTypeUTF8PlainText);
    if (pasted) {
        // The menu's paste is the view's own change, unlike the keyboard's insertText.
        changeText([this, &pasted] { insertText(utf8ToUtf16(*pasted)); });
    }
}

void CodeTextView::select()
{
    const CGRect caret = caretView_ ? caretView_->frame() : caretRectForIndex(static_cast<NSInteger>(selectedRange_.location));
    const NSRange word = characterRangeAtPoint_(CGPointMake(CGRectGetMidX(caret), CGRectGetMidY(caret)));
    // No word at the caret: the caret stays.
    if (exists(word) && word.length > 0) {
        setSelectedRange(word);
    }
    observeMenuHide();
}

void CodeTextView::selectAll()
{
    const std::u16string& t = text();
    const NSCharacterSet blanks = NSCharacterSet::whitespaceAndNewlineCharacterSet();
    std::size_t first = 0;
    while (first < t.size() && blanks.characterIsMember(t[first])) {
        ++first;
    }
    std::size_t end = t.size();
    while (end > first && blanks.characterIsMember(t[end - 1])) {
        --end;
    }
    // Only blanks: nothing to select, the caret stays.
    if (end > first) {
        setSelectedRange(NSMakeRange(first, end - first));
    }
    observeMenuHide();
}

void CodeTextView::observeMenuHide()
{
    auto& center = NSNotificationCenter::defaultCenter();
    center.removeObserver(this, UIMenuControllerDidHideMenuNotification);
    center.addObserver(selfView(), UIMenuControllerDidHideMenuNotification, nullptr,
                       [](CodeTextView& view, const NSNotification&) { view.menuDidHide(); });
}

void CodeTextView::menuDidHide()
{
    NSNotificationCenter::defaultCenter().removeObserver(this, UIMenuControllerDidHideMenuNotification);
    if (selectionView_) {
        showMenu();
    }
}
