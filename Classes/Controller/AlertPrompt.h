#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/UIAlertView.h"

class UITextField;

// An alert with one text field, for every prompt that asks for a name, a line number or a search
// text. Callers pass the message "\n", whose empty line the field covers, and read the answer
// in their alert delegate. Make it with std::make_shared, like every alert. Main thread only.
class AlertPrompt : public UIAlertView {
public:
    // Where the field lies in the alert's coordinates, over the message's empty line.
    static constexpr CGRect kTextFieldFrame { { 12, 45 }, { 260, 25 } };

    AlertPrompt(std::string title, std::string message, std::weak_ptr<UIAlertViewDelegate> delegate,
                std::string cancelButtonTitle, std::string okButtonTitle);

    [[nodiscard]] const std::shared_ptr<UITextField>& textField() const { return textField_; }
    void setTextField(std::shared_ptr<UITextField> textField) { textField_ = std::move(textField); }
    // What the field holds now.
    [[nodiscard]] std::u16string enteredText() const;

    // The field takes the keyboard, then the alert shows.
    void show();

private:
    std::shared_ptr<UITextField> textField_;
};
