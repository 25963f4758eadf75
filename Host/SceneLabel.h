#pragma once

#include <string>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIView.h"

// A line of text of the test scene, drawn with the layout engine; the scene's stand-in for a
// label until the interface controls exist.
class SceneLabel : public UIView {
public:
    SceneLabel(CGRect frame, std::u16string text, UIFontRef font, CGColorRef color);

    [[nodiscard]] const std::u16string& text() const { return text_; }
    void setText(std::u16string text);

    void drawRect(CGRect rect) override;

    static constexpr CGFloat kInset = 8;

private:
    std::u16string text_;
    UIFontRef font_;
    CGColorRef color_;
};
