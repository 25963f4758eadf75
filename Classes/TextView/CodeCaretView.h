#pragma once

#include "Platform/UIKit/UIView.h"

// The blinking caret bar: solid for a moment after each move, then blinking once a second.
class CodeCaretView : public UIView {
public:
    static constexpr char kBlinkAnimationKey[] = "BlinkAnimation";
    static constexpr double kBlinkDelay = 0.6;
    static constexpr double kBlinkPeriod = 1.0;

    explicit CodeCaretView(CGRect frame);

    // Solid until the next delayBlink.
    void show();
    // Restarts the blink after the pause.
    void delayBlink();
    void didMoveToSuperview() override;
};
