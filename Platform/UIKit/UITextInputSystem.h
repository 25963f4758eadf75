#pragma once

#include <functional>

#include "Platform/UIKit/UITextInputDelegate.h"

// The input system's side of text input (the keyboard and the input method): the platform makes
// it the input delegate of a first responder that adopts UITextInput, and takes it away when
// that responder resigns. When the text input is about to change its selection or text by
// itself (a tap, a paste, a new text), what the input method composes stays as typed at its
// place, and the host is told to drop its composition, so the character it would commit later
// does not land a second time at the new place. Main thread only.
class UITextInputSystem final : public UITextInputDelegate {
public:
    static UITextInputSystem& shared();

    // How the host ends its input method's composition; none by default (and in tests).
    void setCompositionEndHandler(std::function<void()> handler) { compositionEnd_ = std::move(handler); }

    // UITextInputDelegate
    void selectionWillChange(UITextInput* textInput) override { endComposition(textInput); }
    void selectionDidChange(UITextInput*) override { }
    void textWillChange(UITextInput* textInput) override { endComposition(textInput); }
    void textDidChange(UITextInput*) override { }

private:
    UITextInputSystem() = default;
    void endComposition(UITextInput* textInput);

    std::function<void()> compositionEnd_;
};
