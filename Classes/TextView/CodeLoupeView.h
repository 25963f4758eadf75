#pragma once

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"

// The round loupe shown above the finger while the caret is placed.
class CodeLoupeView : public UIView {
public:
    static constexpr CGFloat kSize = 127;

    CodeLoupeView();
    void drawRect(CGRect rect) override;
    [[nodiscard]] const UIImageRef& contentImage() const { return contentImage_; }
    void setContentImage(UIImageRef image);

private:
    UIImageRef contentImage_;
};
