#pragma once

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"

class UIClassRegistry;

// Shows a picture placed in its bounds by the content mode: stretched (scale to fill), whole
// and undistorted (aspect fit), covering the bounds undistorted (aspect fill), or at its own size
// centred or against an edge or a corner. The picture never shows outside the bounds. It takes
// no touches by default.
class UIImageView : public UIView {
public:
    explicit UIImageView(CGRect frame = CGRectZero);
    // Sized to the picture, at the origin.
    explicit UIImageView(UIImageRef image);

    [[nodiscard]] const UIImageRef& image() const { return image_; }
    [[nodiscard]] bool hidesWhatIsBehind() const override { return image_ != nullptr || UIView::hidesWhatIsBehind(); }
    void setImage(UIImageRef image);

    // Where the picture lands in the bounds for the content mode.
    [[nodiscard]] CGRect imageRectForBounds(CGRect bounds) const;

    void drawRect(CGRect rect) override;
    static void registerInterfaceClass(UIClassRegistry& registry);

private:
    UIImageRef image_;
};
