#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UIView.h"

// A one-line text box of the test scene: a tap gives it the keyboard, typing appends, Backspace
// deletes, a long press shows the edit menu, and the edit commands work on its whole text.
class SceneTextBox : public UIView, public UIKeyInput {
public:
    explicit SceneTextBox(CGRect frame);
    // Adds the recognizers (they need the view made shared first).
    static std::shared_ptr<SceneTextBox> make(CGRect frame);

    [[nodiscard]] const std::u16string& text() const { return text_; }
    [[nodiscard]] bool isAllSelected() const { return allSelected_; }

    void drawRect(CGRect rect) override;

    // UIResponder
    [[nodiscard]] bool canBecomeFirstResponder() override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    [[nodiscard]] bool respondsToAction(const SEL& action) const override;
    [[nodiscard]] bool canPerformAction(const SEL& action, const void* sender) override;
    bool performAction(const SEL& action, const void* sender) override;

    // UIKeyInput
    [[nodiscard]] bool hasText() override { return !text_.empty(); }
    void insertText(const std::u16string& text) override;
    void deleteBackward() override;

private:
    std::u16string text_;
    bool allSelected_ { false };
    UIFontRef font_;
};
