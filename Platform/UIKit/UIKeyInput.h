#pragma once

#include <string>

#include "Platform/UIKit/UITextInputTraits.h"

// A responder that takes typed text: the keyboard (the host's typing) goes to the first
// responder when it adopts this. Becoming first responder shows the keyboard.
class UIKeyInput : public UITextInputTraits {
public:
    [[nodiscard]] virtual bool hasText() = 0;
    virtual void insertText(const std::u16string& text) = 0;
    virtual void deleteBackward() = 0;
};
