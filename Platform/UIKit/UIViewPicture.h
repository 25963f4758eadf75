#pragma once

#include <cairo.h>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIRendering.h"
#include "Platform/UIKit/UIView.h"

// The backing store of a view: what its drawRect drew, at a scale, in the layer's look space
// (the bounds with y downward; pixel (0, 0) is the bounds' origin).
struct UIViewPicture final : UIView::BackingStore {
    UIRendering::SurfaceHolder surface; // null: the view draws nothing
    CGRect bounds {};
    CGFloat scale { 0 };
    bool upward { false };

    // Pictures larger than this on a side are not cached: such a view draws straight into the frame.
    static constexpr int kMaxSide = 8192;

    // The view's picture, brought up to date: redrawn wholly when new or when its size, scale or
    // direction changed, else only where the view asks. Null when the view is too large to cache.
    static UIViewPicture* updated(UIView& view, bool upward, CGFloat scale);
};
