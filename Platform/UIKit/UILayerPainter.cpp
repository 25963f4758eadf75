#include "Platform/UIKit/UILayerPainter.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "Platform/UIKit/UIRendering.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewPicture.h"

using namespace UIRendering;

namespace {


void setColor(cairo_t* cr, const CGColor& color, double alpha = 1)
{
    cairo_set_source_rgba(cr, color.red(), color.green(), color.blue(), color.alpha() * alpha);
}

// Scales the picture (row 0 at the top) into the rectangle of a y-downward space.
void drawImage(cairo_t* cr, const CGImage& image, CGRect rect, double alpha)
{
    const double w = double(image.width()), h = double(image.height());
    if (w <= 0 || h <= 0 || !(rect.size.width > 0) || !(rect.size.height > 0) || alpha <= 0) {
        return;
    }
    cairo_save(cr);
    cairo_translate(cr, rect.origin.x, rect.origin.y);
    cairo_scale(cr, rect.size.width / w, rect.size.height / h);
    cairo_set_source_surface(cr, image.surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

// Where a layer tree draws, in the layer's look space: its bounds and, unless it clips, what its
// visible sublayers draw. Content drawn by drawRect stays within the bounds.
CGRect subtreeExtent(const CALayer& shown, const CALayer& model, bool upward)
{
    const CGRect b = shown.bounds();
    if (shown.masksToBounds()) {
        return b;
    }
    CGRect extent = b;
    const CGAffineTransform flip = flipWithinIf(upward, b);
    for (const auto& sublayer : model.sublayers()) {
        const Shown sub(*sublayer);
        if (isInvisible(sub.layer)) {
            continue;
        }
        // The sublayer's look space, placed in this layer's space, seen in this look space.
        CGAffineTransform toHere = flipWithinIf(upward, sub.layer.bounds());
        toHere = CGAffineTransformConcat(toHere, layerToSuperlayer(sub.layer));
        toHere = CGAffineTransformConcat(toHere, flip);
        const bool subUpward = CALayer::spaceRunsUpward(sub.layer.isGeometryFlipped(), upward);
        extent = CGRectUnion(extent, CGRectApplyAffineTransform(subtreeExtent(sub.layer, *sublayer, subUpward), toHere));
    }
    return extent;
}

} // namespace

void UILayerPainter::paintLayer(const CALayer& model, UIView* view, bool superlayerRunsUpward)
{
    const Shown shown(model);
    const CALayer& layer = shown.layer;
    if (isInvisible(layer)) {
        return;
    }
    cairo_save(cr_);
    if (!applyTransform(cr_, layerToSuperlayer(layer))) {
        // Scaled to nothing: nothing shows.
        cairo_restore(cr_);
        return;
    }
    if (superlayerRunsUpward) {
        applyTransform(cr_, flipWithin(layer.bounds()));
    }
    const bool upward = CALayer::spaceRunsUpward(layer.isGeometryFlipped(), superlayerRunsUpward);
    const double opacity = std::min(1.0, double(layer.opacity()));
    const bool group = opacity < 1;
    if (group) {
        // The group's surface covers only what the tree can draw.
        const CGRect extent = subtreeExtent(layer, model, upward);
        cairo_rectangle(cr_, extent.origin.x, extent.origin.y, extent.size.width, extent.size.height);
        cairo_clip(cr_);
        cairo_push_group(cr_);
    }
    std::optional<CALayer::TransitionState> transition;
    if (model.hasAnimations()) {
        transition = model.transitionState();
    }
    if (transition) {
        paintTransition(layer, model, view, *transition, upward);
    } else {
        paintContent(layer, model, view, upward);
    }
    if (group) {
        cairo_pop_group_to_source(cr_);
        cairo_paint_with_alpha(cr_, opacity);
    }
    cairo_restore(cr_);
}

void UILayerPainter::paintContent(const CALayer& layer, const CALayer& model, UIView* view, bool upward)
{
    const CGRect b = layer.bounds();
    const CGFloat radius = layer.cornerRadius();
    cairo_save(cr_);
    if (layer.masksToBounds()) {
        UIRenderer::addRoundedRect(cr_, b, radius);
        cairo_clip(cr_);
    }
    if (const CGColorRef& background = layer.backgroundColor(); background && background->alpha() > 0) {
        UIRenderer::addRoundedRect(cr_, b, radius);
        setColor(cr_, *background);
        cairo_fill(cr_);
    }
    if (const CGImageRef& contents = layer.contents()) {
        drawImage(cr_, *contents, b, 1);
    }
    if (view != nullptr) {
        paintViewContent(*view, b, upward);
    }
    if (!model.sublayers().empty()) {
        cairo_save(cr_);
        if (upward) {
            applyTransform(cr_, flipWithin(b));
        }
        // A copy: drawing may change the tree, never the walk.
        const auto sublayers = model.sublayers();
        for (const auto& sublayer : sublayers) {
            paintLayer(*sublayer, subviewWithLayer(view, sublayer.get()), upward);
        }
        cairo_restore(cr_);
    }
    cairo_restore(cr_);
    const CGFloat borderWidth = layer.borderWidth();
    if (const CGColorRef& border = layer.borderColor(); border && borderWidth > 0 && border->alpha() > 0) {
        // The border lies inside the bounds, above the sublayers.
        UIRenderer::addRoundedRect(cr_, CGRectInset(b, borderWidth / 2, borderWidth / 2), std::max<CGFloat>(0, radius - borderWidth / 2));
        setColor(cr_, *border);
        cairo_set_line_width(cr_, borderWidth);
        cairo_stroke(cr_);
    }
}

void UILayerPainter::paintViewContent(UIView& view, CGRect b, bool upward)
{
    cairo_save(cr_);
    cairo_rectangle(cr_, b.origin.x, b.origin.y, b.size.width, b.size.height);
    cairo_clip(cr_);
    UIViewPicture* picture = UIViewPicture::updated(view, upward, pictureScale_);
    if (picture == nullptr) {
        view.displayInContext(context_);
    } else if (picture->surface && picture->bounds.size.width > 0 && picture->bounds.size.height > 0) {
        cairo_translate(cr_, b.origin.x, b.origin.y);
        cairo_scale(cr_, b.size.width / picture->bounds.size.width, b.size.height / picture->bounds.size.height);
        cairo_scale(cr_, 1 / picture->scale, 1 / picture->scale);
        cairo_set_source_surface(cr_, picture->surface.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
        cairo_paint(cr_);
    }
    cairo_restore(cr_);
}

void UILayerPainter::paintTransition(const CALayer& layer, const CALayer& model, UIView* view,
                                     const CALayer::TransitionState& state, bool upward)
{
    const CGRect b = layer.bounds();
    cairo_save(cr_);
    UIRenderer::addRoundedRect(cr_, b, layer.cornerRadius());
    cairo_clip(cr_);
    // Offsets are given in the layer's coordinates, which may run upward.
    const CGFloat ySign = upward ? -1 : 1;
    auto paintOld = [&] {
        if (state.oldSnapshot) {
            const CGRect at = CGRectOffset(b, state.oldOffset.x, ySign * state.oldOffset.y);
            drawImage(cr_, *state.oldSnapshot, at, std::clamp(double(state.oldAlpha), 0.0, 1.0));
        }
    };
    auto paintNew = [&] {
        const double alpha = std::clamp(double(state.newAlpha), 0.0, 1.0);
        if (alpha <= 0) {
            return;
        }
        cairo_save(cr_);
        cairo_translate(cr_, state.newOffset.x, ySign * state.newOffset.y);
        if (alpha < 1) {
            cairo_push_group(cr_);
        }
        paintContent(layer, model, view, upward);
        if (alpha < 1) {
            cairo_pop_group_to_source(cr_);
            cairo_paint_with_alpha(cr_, alpha);
        }
        cairo_restore(cr_);
    };
    if (state.oldOnTop) {
        paintNew();
        paintOld();
    } else {
        paintOld();
        paintNew();
    }
    cairo_restore(cr_);
}

CGImageRef UILayerPainter::pictureOfLayer(const CALayer& model, UIView* view, CGFloat scale)
{
    if (!(scale > 0)) {
        scale = UIScreen::mainScreen().scale();
    }
    const Shown shown(model);
    const CGRect b = shown.layer.bounds();
    const double pw = std::ceil(b.size.width * scale), ph = std::ceil(b.size.height * scale);
    if (!(pw >= 1 && ph >= 1 && pw <= kMaxSurfaceSide && ph <= kMaxSurfaceSide)) {
        return nullptr;
    }
    SurfaceHolder surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(pw), int(ph)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    {
        CGContext context(surface.get());
        cairo_scale(context.cairo(), scale, scale);
        cairo_translate(context.cairo(), -b.origin.x, -b.origin.y);
        UILayerPainter(&context, scale).paintContent(shown.layer, model, view, model.contentsAreFlipped());
    }
    cairo_surface_flush(surface.get());
    return std::make_shared<const CGImage>(surface.release());
}
