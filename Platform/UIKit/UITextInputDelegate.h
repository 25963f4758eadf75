#pragma once

#include "Platform/UIKit/Forward.h"

// The input system's side of a text input: told before and after the text input changes its
// selection or text by itself, so composition and suggestions start afresh.
class UITextInputDelegate {
public:
    virtual ~UITextInputDelegate() = default;
    virtual void selectionWillChange(UITextInput* textInput) = 0;
    virtual void selectionDidChange(UITextInput* textInput) = 0;
    virtual void textWillChange(UITextInput* textInput) = 0;
    virtual void textDidChange(UITextInput* textInput) = 0;
};
