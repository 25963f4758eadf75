#pragma once

#include "Platform/UIKit/UIView.h"

// The blinking insertion bar of the platform's text field and plain text view: solid for a
// moment after each move, then blinking once a second. The blink is a layer animation, so it
// recomposites the cached pictures and redraws no view.
class UITextFieldCaretView : public UIView {
public:
    static constexpr CGFloat kWidth = 2;
    static constexpr double kBlinkDelay = 0.5;
    static constexpr double kBlinkPeriod = 1.0;

    explicit UITextFieldCaretView(CGRect frame = CGRectZero);

    static const UIColorRef& caretColor();
    // Moves the bar and restarts the pause before blinking.
    void placeAt(CGRect frame);
    void didMoveToWindow() override;

private:
    void restartBlink();
};
