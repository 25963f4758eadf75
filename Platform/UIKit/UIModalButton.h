#pragma once

#include <functional>
#include <string>

#include "Platform/UIKit/UIView.h"

// A button of an alert or an action sheet, drawn in the platform's look for its kind. It lights
// up while a finger is on it and runs its action when the finger lifts inside.
class UIModalButton : public UIView {
public:
    enum class Look {
        Alert,            // the translucent glass of an alert
        AlertCancel,      // the darker glass of an alert's cancel button
        Sheet,            // the white button of an action sheet
        SheetDestructive, // red
        SheetCancel,      // dark grey
    };

    UIModalButton(CGRect frame, std::string title, Look look, std::function<void()> action);

    [[nodiscard]] const std::string& title() const { return title_; }
    [[nodiscard]] Look look() const { return look_; }
    [[nodiscard]] bool isHighlighted() const { return highlighted_; }

    [[nodiscard]] std::u16string visibleText() const override;
    void drawRect(CGRect rect) override;
    [[nodiscard]] bool hidesWhatIsBehind() const override { return true; }
    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

private:
    void setHighlighted(bool highlighted);
    [[nodiscard]] bool touchInside(const UITouchSet& touches) const;

    std::string title_;
    Look look_;
    std::function<void()> action_;
    bool highlighted_ { false };
};
