#pragma once

#include <memory>
#include <string>

#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIStringDrawing.h"
#include "Platform/UIKit/UITextFieldDelegate.h"

class UIClassRegistry;
class UITextFieldCaretView;

enum UITextBorderStyle : int {
    UITextBorderStyleNone = 0,
    UITextBorderStyleLine = 1,
    UITextBorderStyleBezel = 2,
    UITextBorderStyleRoundedRect = 3,
};

// One line of editable text: a key-input responder, so the host's typing reaches it while it is
// the first responder and the keyboard shows for it. A tap makes it the first responder (when
// enabled); it then shows a blinking caret, and typing replaces the selection (a caret is an
// empty selection). A line feed typed is the return key: it asks the delegate
// textFieldShouldReturn and, on YES, sends the "did end on exit" actions; it is never inserted.
// The placeholder shows in grey while the text is empty.
//
// With secure entry the text is drawn as one bullet per character and is nowhere else to be
// seen: not among the visible texts, not on the pasteboard (copy and cut are not offered), not
// in the log. Indices are UTF-16 units. Main thread only.
class UITextField : public UIControl, public UIKeyInput {
public:
    static constexpr CGFloat kDefaultFontSize = 12;
    // The text's inset from the edges in the rounded and bezelled borders.
    static constexpr CGFloat kRoundedInset = 8;
    static constexpr CGFloat kBorderInset = 3;
    static constexpr CGFloat kRoundedCornerRadius = 7;
    static constexpr char16_t kBullet = u'\u2022';

    explicit UITextField(CGRect frame = CGRectZero);
    ~UITextField() override;

    [[nodiscard]] const std::u16string& text() const { return text_; }
    void setText(std::u16string text);
    [[nodiscard]] const std::u16string& placeholder() const { return placeholder_; }
    void setPlaceholder(std::u16string placeholder);
    [[nodiscard]] const UIFontRef& font() const { return font_; }
    void setFont(UIFontRef font);
    [[nodiscard]] const UIColorRef& textColor() const { return textColor_; }
    void setTextColor(UIColorRef color);
    [[nodiscard]] UITextAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(UITextAlignment alignment);
    [[nodiscard]] UITextBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(UITextBorderStyle style);
    [[nodiscard]] bool clearsOnBeginEditing() const { return clearsOnBeginEditing_; }
    void setClearsOnBeginEditing(bool clears) { clearsOnBeginEditing_ = clears; }
    // Shadows the trait's setter: the field draws again and leaves the edit menu without copy.
    void setSecureTextEntry(bool secure);

    [[nodiscard]] std::shared_ptr<UITextFieldDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UITextFieldDelegate> delegate) { delegate_ = std::move(delegate); }

    [[nodiscard]] bool isEditing() const { return editing_; }
    // The selection (a caret when empty), kept within the text and off surrogate halves.
    [[nodiscard]] NSRange selectedRange() const { return selectedRange_; }
    void setSelectedRange(NSRange range);

    // What the field draws for its text: the text, or a bullet per character when secure.
    [[nodiscard]] std::u16string displayedText() const;
    // Geometry, in the field's coordinates.
    [[nodiscard]] CGRect borderRectForBounds(CGRect bounds) const { return bounds; }
    [[nodiscard]] CGRect textRectForBounds(CGRect bounds) const;
    [[nodiscard]] CGRect editingRectForBounds(CGRect bounds) const { return textRectForBounds(bounds); }
    [[nodiscard]] CGRect placeholderRectForBounds(CGRect bounds) const { return textRectForBounds(bounds); }
    // The caret for an index, in the field's coordinates.
    [[nodiscard]] CGRect caretRectForIndex(NSUInteger index) const;
    [[nodiscard]] UITextFieldCaretView* caretView() const { return caretView_.get(); }

    // UIKeyInput.
    [[nodiscard]] bool hasText() override { return !text_.empty(); }
    void insertText(const std::u16string& text) override;
    void deleteBackward() override;

    // First responder: an enabled field in a window that its delegate lets begin.
    [[nodiscard]] bool canBecomeFirstResponder() override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    // The edit commands; a secure field offers neither copy nor cut.
    [[nodiscard]] bool respondsToAction(const SEL& action) const override;
    [[nodiscard]] bool canPerformAction(const SEL& action, const void* sender) override;
    bool performAction(const SEL& action, const void* sender) override;

    // A tap makes the field the first responder or moves its caret; a double tap selects the
    // word and a long press places the caret, both then showing the edit menu.
    bool beginTrackingWithTouch(UITouch& touch, UIEvent* event) override;
    void endTrackingWithTouch(UITouch* touch, UIEvent* event) override;
    void setEnabled(bool enabled) override;
    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    // The text (never a secure one) or, while there is none, the placeholder.
    [[nodiscard]] std::u16string visibleText() const override;

    // "UITextField" with its text, look, traits and delegate keys.
    static void registerInterfaceClass(UIClassRegistry& registry);

private:
    void replaceSelection(const std::u16string& text);
    void pressReturn();
    void textDidChange();
    void updateCaret();
    void drawBorder(CGRect bounds) const;
    [[nodiscard]] const CTLineRef& displayLine() const;
    [[nodiscard]] CGFloat offsetForIndex(NSUInteger index) const;
    [[nodiscard]] NSUInteger indexForOffset(CGFloat x) const;
    // Where the line starts within the text rectangle (alignment and horizontal scrolling).
    [[nodiscard]] CGFloat lineOriginX(CGRect textRect) const;

    std::u16string text_;
    std::u16string placeholder_;
    UIFontRef font_;
    UIColorRef textColor_;
    UITextAlignment textAlignment_ { UITextAlignmentLeft };
    UITextBorderStyle borderStyle_ { UITextBorderStyleNone };
    bool clearsOnBeginEditing_ { false };
    bool editing_ { false };
    NSRange selectedRange_ { 0, 0 };
    // How far a long text is moved left so the caret stays in sight while editing.
    CGFloat scrollX_ { 0 };
    std::weak_ptr<UITextFieldDelegate> delegate_;
    std::shared_ptr<UITextFieldCaretView> caretView_;
    double touchDownTime_ { 0 };
    mutable CTLineRef line_; // of displayedText(), made on first use after a change
};
