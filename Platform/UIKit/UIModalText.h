#pragma once

#include <string>

#include "Platform/UIKit/UIModalChrome.h"
#include "Platform/UIKit/UIView.h"

// A text of an alert or a sheet (a title, a message): its lines centred and engraved as the
// panel draws them, and seen on screen as the whole text, so a script can wait for it.
class UIModalText : public UIView {
public:
    UIModalText(CGColorRef color, CGColorRef shadow);

    // Shows the text, already broken into lines, with its block's top-left corner and width at
    // `box` of the superview; an empty text hides the view.
    void setText(std::string text, UIModalChrome::TextBlock block, CGRect box);
    [[nodiscard]] const std::string& text() const { return text_; }

    [[nodiscard]] std::u16string visibleText() const override;
    void drawRect(CGRect rect) override;

private:
    std::string text_;
    UIModalChrome::TextBlock block_;
    CGColorRef color_;
    CGColorRef shadow_;
};
