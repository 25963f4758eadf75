#pragma once

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"

// The wide magnifier shown while an end of a selection is dragged.
class CodeMagnifyView : public UIView {
public:
    static constexpr CGFloat kWidth = 145;
    static constexpr CGFloat kHeight = 59;

    CodeMagnifyView();
    void drawRect(CGRect rect) override;
    [[nodiscard]] const UIImageRef& contentImage() const { return contentImage_; }
    void setContentImage(UIImageRef image);

private:
    UIImageRef contentImage_;
};
