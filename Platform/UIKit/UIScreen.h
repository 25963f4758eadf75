#pragma once

#include "Platform/CoreGraphics/CGGeometry.h"

// The device's screen. Its bounds are the portrait screen in points whatever the orientation,
// as on the platform: landscape interfaces are rotated inside it.
class UIScreen {
public:
    static UIScreen& mainScreen();

    [[nodiscard]] CGRect bounds() const { return { CGPointZero, size_ }; }
    [[nodiscard]] CGFloat scale() const { return scale_; }
    // The bounds less the status bar, where it lies for the status-bar orientation (unless hidden).
    [[nodiscard]] CGRect applicationFrame() const;

    // Set by UIDevice::setProfile.
    void setSize(CGSize size, CGFloat scale);

private:
    UIScreen() = default;
    CGSize size_ { 768, 1024 };
    CGFloat scale_ { 1 };
};
