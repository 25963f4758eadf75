#pragma once

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"

// What the loupe and the magnifier share: a clear, untouchable view that draws its
// frame, the magnified content clipped to a mask, and the glass on top.
class CodeLensView : public UIView {
public:
    [[nodiscard]] const UIImageRef& contentImage() const { return contentImage_; }
    void setContentImage(UIImageRef image);
    void drawRect(CGRect rect) override;

protected:
    CodeLensView(CGRect frame, const char* underName, const char* maskName, const char* overName);
    // Called with the graphics state saved, just before the content is clipped.
    virtual void willClip(CGRect rect) { (void)rect; }

private:
    const char* underName_;
    const char* maskName_;
    const char* overName_;
    UIImageRef contentImage_;
};
