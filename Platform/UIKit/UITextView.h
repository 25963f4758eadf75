#pragma once

#include <memory>
#include <string>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITextViewDelegate.h"
#include "Platform/UIKit/UITextViewLayout.h"

class UIClassRegistry;
class UITapGestureRecognizer;
class UITextFieldCaretView;

// The plain scrolling text view: one font and colour, lines wrapped by words within the width,
// a caret and selection, typing through the host while it is the first responder (a key-input
// responder, so the keyboard shows for it). Built for texts of many megabytes: it shapes and
// wraps only the blocks on screen and a margin around them (UITextViewLayout), and keeps the
// content's place on screen while estimated heights above it are corrected. Selection and
// ranges are UTF-16 units. Make it with make(): its tap recognizer needs the view shared.
class UITextView : public UIScrollView, public UIKeyInput {
public:
    static constexpr CGFloat kTextInset = 8;
    static constexpr CGFloat kDefaultFontSize = 12;

    static std::shared_ptr<UITextView> make(CGRect frame = CGRectZero);
    explicit UITextView(CGRect frame = CGRectZero);
    ~UITextView() override;

    [[nodiscard]] const std::u16string& text() const { return text_; }
    // Replaces the whole text; the caret goes to its end. The delegate hears nothing.
    void setText(std::u16string text);
    [[nodiscard]] const UIFontRef& font() const { return font_; }
    void setFont(UIFontRef font);
    [[nodiscard]] const UIColorRef& textColor() const { return textColor_; }
    void setTextColor(UIColorRef color);
    // The margin between the view's edges and the text, on every side.
    [[nodiscard]] CGFloat textInset() const { return textInset_; }
    void setTextInset(CGFloat inset);
    // The line break that typed and pasted text gets (each CR LF, CR or LF in it becomes this);
    // empty: the text goes in as it is.
    [[nodiscard]] const std::u16string& lineBreak() const { return lineBreak_; }
    void setLineBreak(std::u16string lineBreak) { lineBreak_ = std::move(lineBreak); }
    [[nodiscard]] bool isEditable() const { return editable_; }
    void setEditable(bool editable);
    [[nodiscard]] bool isEditing() const { return editing_; }

    [[nodiscard]] std::shared_ptr<UITextViewDelegate> delegate() const { return delegate_.lock(); }
    // Also the scroll view's delegate.
    void setDelegate(const std::shared_ptr<UITextViewDelegate>& delegate);

    // The selection, kept within the text; moving it while editing scrolls it into sight.
    [[nodiscard]] NSRange selectedRange() const { return selectedRange_; }
    void setSelectedRange(NSRange range);
    // Scrolls just enough to show the start of the range.
    void scrollRangeToVisible(NSRange range);

    // Geometry, in content coordinates (the scroll view's own, moved by the offset).
    [[nodiscard]] CGRect caretRectForIndex(NSUInteger index);
    [[nodiscard]] NSUInteger closestIndexToPoint(CGPoint point);
    [[nodiscard]] UITextViewLayout& textLayout() { return layout_; }
    [[nodiscard]] UITextFieldCaretView* caretView() const { return caretView_.get(); }

    // UIKeyInput: typing replaces the selection (the delegate may refuse); each change tells
    // the delegate textViewDidChange.
    [[nodiscard]] bool hasText() override { return !text_.empty(); }
    void insertText(const std::u16string& text) override;
    void deleteBackward() override;

    // First responder: an editable view in a window that its delegate lets begin.
    [[nodiscard]] bool canBecomeFirstResponder() override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    [[nodiscard]] bool respondsToAction(const SEL& action) const override;
    [[nodiscard]] bool canPerformAction(const SEL& action, const void* sender) override;
    bool performAction(const SEL& action, const void* sender) override;

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    [[nodiscard]] std::vector<TextLine> visibleTextLines() const override;

    // "UITextView": text, font, textColor, editable, delegate.
    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void contentOffsetDidChange() override;

private:
    void tapped(UIGestureRecognizer& recognizer);
    void placeCaretAt(CGPoint point);
    // A double tap selects the word, a long press places the caret; both show the edit menu.
    void askedForMenu(UIGestureRecognizer& recognizer, bool selectWord);
    void replaceRange(NSRange range, const std::u16string& text);
    // Shapes the blocks on screen and the margin, keeping what shows in place when heights
    // above it change; then the content size.
    void layOutVisible();
    void updateContentSize();
    void updateCaret();
    void selectionDidChange();
    [[nodiscard]] CGFloat textWidth() const;

    std::u16string text_;
    UIFontRef font_;
    UIColorRef textColor_;
    CGFloat textInset_ { kTextInset };
    std::u16string lineBreak_;
    bool editable_ { true };
    bool editing_ { false };
    NSRange selectedRange_ { 0, 0 };
    std::weak_ptr<UITextViewDelegate> delegate_;
    // Mutable: laying out blocks from a const reader only fills the cache.
    mutable UITextViewLayout layout_;
    std::shared_ptr<UITextFieldCaretView> caretView_;
    bool anchoring_ { false }; // the offset moves to keep the content in place
};
