#pragma once

#include <cairo.h>

#include <memory>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIView.h"

// The geometry and the small holders the renderer's parts share (the layer painter, the views'
// pictures, the damage walk, the chrome); not for other callers.
namespace UIRendering {

// Cairo refuses surfaces with a larger side.
inline constexpr double kMaxSurfaceSide = 32767;

struct SurfaceHolderDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfaceHolder = std::unique_ptr<cairo_surface_t, SurfaceHolderDeleter>;

inline cairo_matrix_t toCairo(CGAffineTransform t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

// Applies the transform to the user space; false (nothing applied) when it cannot be inverted,
// which would otherwise put the whole Cairo context into an error state.
inline bool applyTransform(cairo_t* cr, CGAffineTransform t)
{
    cairo_matrix_t m = toCairo(t);
    cairo_matrix_t inverse = m;
    if (cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS) {
        return false;
    }
    cairo_transform(cr, &m);
    return true;
}

inline CGAffineTransform translation(CGFloat x, CGFloat y) { return CGAffineTransformMakeTranslation(x, y); }

// From a layer's coordinates to its superlayer's, as if both ran the same way (the mirror between
// spaces that run different ways is the painter's).
inline CGAffineTransform layerToSuperlayer(const CALayer& layer)
{
    const CGRect b = layer.bounds();
    const CGPoint anchor = layer.anchorPoint();
    CGAffineTransform m = translation(-(b.origin.x + anchor.x * b.size.width), -(b.origin.y + anchor.y * b.size.height));
    m = CGAffineTransformConcat(m, CATransform3DGetAffineTransform(layer.transform()));
    const CGPoint p = layer.position();
    return CGAffineTransformConcat(m, translation(p.x, p.y));
}

// Between a space that runs y upward and one that runs y downward over the same bounds: the flip
// maps the bounds onto themselves, so it is its own inverse.
inline CGAffineTransform flipWithin(CGRect b) { return CGAffineTransformMake(1, 0, 0, -1, 0, 2 * b.origin.y + b.size.height); }

inline CGAffineTransform flipWithinIf(bool flip, CGRect b) { return flip ? flipWithin(b) : CGAffineTransformIdentity; }

// Painting works in each layer's "look space": its bounds with y downward on screen, where
// backgrounds, borders, images and (through displayInContext) drawRect are drawn. A layer
// whose space runs upward has its sublayers placed through a flip of its bounds; a layer inside
// such a space is flipped back into its own look space after it is placed, so its content
// stays upright (the rule is CALayer::isGeometryFlipped's).

// The view among the parent's subviews whose layer this is.
inline UIView* subviewWithLayer(UIView* parent, const CALayer* layer)
{
    if (parent == nullptr) {
        return nullptr;
    }
    for (const auto& subview : parent->subviews()) {
        if (subview->layer().get() == layer) {
            return subview.get();
        }
    }
    return nullptr;
}

// The layer as it shows now: the model, or a presentation copy while it animates.
struct Shown {
    explicit Shown(const CALayer& model)
        : presented(model.hasAnimations() ? model.presentationLayer() : nullptr)
        , layer(presented ? *presented : model)
    {
    }
    std::shared_ptr<CALayer> presented;
    const CALayer& layer;
};

inline bool isInvisible(const CALayer& layer) { return layer.isHidden() || !(layer.opacity() > 0); }

// From interface coordinates (the display's, in points) to screen coordinates.
inline CGAffineTransform interfaceToScreen(UIInterfaceOrientation orientation)
{
    return CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(orientation));
}

// The status bar and the keyboard's area, upright for the orientation, in screen points.
void drawChrome(CGContextRef context);
// The edit menu, when shown.
void drawMenu(CGContextRef context);

} // namespace UIRendering
