#include "Classes/Controller/AlertPrompt.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UITextField.h"

AlertPrompt::AlertPrompt(std::string title, std::string message, std::weak_ptr<UIAlertViewDelegate> delegate,
                         std::string cancelButtonTitle, std::string okButtonTitle)
    : UIAlertView(std::move(title), std::move(message), std::move(delegate), std::move(cancelButtonTitle),
                  { std::move(okButtonTitle) })
{
    auto field = std::make_shared<UITextField>(kTextFieldFrame);
    field->setAutocapitalizationType(UITextAutocapitalizationTypeNone);
    field->setAutocorrectionType(UITextAutocorrectionTypeNo);
    field->setBackgroundColor(UIColor::whiteColor());
    addSubview(field);
    setTextField(std::move(field));
}

std::u16string AlertPrompt::enteredText() const { return textField_ ? textField_->text() : std::u16string {}; }

void AlertPrompt::show()
{
    if (textField_)
        textField_->becomeFirstResponder();
    UIAlertView::show();
}
