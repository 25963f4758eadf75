#include "Platform/UIKit/UITextInputSystem.h"

#include "Platform/UIKit/UITextInput.h"

UITextInputSystem& UITextInputSystem::shared()
{
    static UITextInputSystem system;
    return system;
}

void UITextInputSystem::endComposition(UITextInput* textInput)
{
    if (textInput != nullptr && textInput->markedTextRange()) {
        textInput->unmarkText();
    }
    if (compositionEnd_) {
        compositionEnd_();
    }
}
