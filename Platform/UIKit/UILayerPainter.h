#pragma once

#include <cairo.h>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/Forward.h"

// Paints layer trees into one context. Everything goes through the context's own Cairo state,
// so groups (for opacity) and clips apply to drawRect content as well. Views' content comes from
// their pictures, kept at pictureScale.
class UILayerPainter {
public:
    UILayerPainter(CGContextRef context, CGFloat pictureScale) : context_(context), cr_(context->cairo()), pictureScale_(pictureScale) { }

    // The context's user space is the superlayer's space, which runs upward or not.
    void paintLayer(const CALayer& model, UIView* view, bool superlayerRunsUpward);
    // The layer's own look and its sublayers, in its look space; geometry and opacity are the
    // caller's. Upward tells which way the layer's own space runs.
    void paintContent(const CALayer& layer, const CALayer& model, UIView* view, bool upward);

    // A picture of the layer's present look in its own bounds, for transitions and view
    // snapshots; scale 0 means the screen's.
    [[nodiscard]] static CGImageRef pictureOfLayer(const CALayer& model, UIView* view, CGFloat scale);

private:
    // What drawRect draws is the layer's content: it never shows outside the bounds. It comes from
    // the view's picture, scaled to the bounds shown (a size animation stretches it).
    void paintViewContent(UIView& view, CGRect b, bool upward);
    void paintTransition(const CALayer& layer, const CALayer& model, UIView* view, const CALayer::TransitionState& state,
                         bool upward);

    CGContextRef context_;
    cairo_t* cr_;
    CGFloat pictureScale_;
};
