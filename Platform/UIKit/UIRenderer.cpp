#include "Platform/UIKit/UIRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIKeyboardLayout.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// Cairo refuses surfaces with a larger side.
constexpr double kMaxSurfaceSide = 32767;

// The look of what the system draws around the application.
constexpr CGFloat kMenuCornerRadius = 7;
constexpr CGFloat kMenuTitleSize = 14;

struct SurfaceHolderDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfaceHolder = std::unique_ptr<cairo_surface_t, SurfaceHolderDeleter>;

cairo_matrix_t toCairo(CGAffineTransform t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

// Applies the transform to the user space; false (nothing applied) when it cannot be inverted,
// which would otherwise put the whole Cairo context into an error state.
bool applyTransform(cairo_t* cr, CGAffineTransform t)
{
    cairo_matrix_t m = toCairo(t);
    cairo_matrix_t inverse = m;
    if (cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS) {
        return false;
    }
    cairo_transform(cr, &m);
    return true;
}

CGAffineTransform translation(CGFloat x, CGFloat y) { return CGAffineTransformMakeTranslation(x, y); }

// From a layer's coordinates to its superlayer's, as if both ran the same way (the mirror between
// spaces that run different ways is the painter's).
CGAffineTransform layerToSuperlayer(const CALayer& layer)
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
CGAffineTransform flipWithin(CGRect b) { return CGAffineTransformMake(1, 0, 0, -1, 0, 2 * b.origin.y + b.size.height); }

CGAffineTransform flipWithinIf(bool flip, CGRect b) { return flip ? flipWithin(b) : CGAffineTransformIdentity; }

// Painting works in each layer's "look space": its bounds with y downward on screen, where
// backgrounds, borders, images and (through displayInContext) drawRect are drawn. A layer
// whose space runs upward has its sublayers placed through a flip of its bounds; a layer inside
// such a space is flipped back into its own look space after it is placed, so its content
// stays upright (the rule is CALayer::isGeometryFlipped's).


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

// The view among the parent's subviews whose layer this is.
UIView* subviewWithLayer(UIView* parent, const CALayer* layer)
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

UIView* findViewWithLayer(UIView& root, const CALayer* layer)
{
    if (root.layer().get() == layer) {
        return &root;
    }
    for (const auto& subview : root.subviews()) {
        if (UIView* found = findViewWithLayer(*subview, layer)) {
            return found;
        }
    }
    return nullptr;
}

bool treeHasAnimations(const CALayer& layer)
{
    if (layer.hasAnimations()) {
        return true;
    }
    return std::any_of(layer.sublayers().begin(), layer.sublayers().end(),
                       [](const auto& sublayer) { return treeHasAnimations(*sublayer); });
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

bool isInvisible(const CALayer& layer) { return layer.isHidden() || !(layer.opacity() > 0); }

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

// Pictures larger than this on a side are not cached: such a view draws straight into the frame.
constexpr int kMaxPictureSide = 8192;

// The backing store of a view: what its drawRect drew, at a scale, in the layer's look space
// (the bounds with y downward; pixel (0, 0) is the bounds' origin).
struct ViewPicture final : UIView::BackingStore {
    SurfaceHolder surface; // null: the view draws nothing
    CGRect bounds {};
    CGFloat scale { 0 };
    bool upward { false };
};

// Whether no pixel of the image has any ink.
bool isClear(cairo_surface_t* image)
{
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::ptrdiff_t(y) * stride);
        for (int x = 0; x < w; ++x) {
            if (row[x] != 0) {
                return false;
            }
        }
    }
    return true;
}

// How the picture's pixels lie in look space.
CGRect pixelRectInLook(const ViewPicture& picture, CGRect look)
{
    const CGRect b = picture.bounds;
    const double s = picture.scale;
    const double x0 = std::floor((look.origin.x - b.origin.x) * s), y0 = std::floor((look.origin.y - b.origin.y) * s);
    const double x1 = std::ceil((CGRectGetMaxX(look) - b.origin.x) * s), y1 = std::ceil((CGRectGetMaxY(look) - b.origin.y) * s);
    return CGRectMake(b.origin.x + x0 / s, b.origin.y + y0 / s, (x1 - x0) / s, (y1 - y0) / s);
}

// The view's picture, brought up to date: redrawn wholly when new or when its size, scale or
// direction changed, else only where the view asks. Null when the view is too large to cache.
ViewPicture* updatedPicture(UIView& view, bool upward, CGFloat scale)
{
    const CGRect bounds = view.bounds();
    const double pw = std::ceil(bounds.size.width * scale), ph = std::ceil(bounds.size.height * scale);
    if (!(pw <= kMaxPictureSide && ph <= kMaxPictureSide)) {
        return nullptr;
    }
    auto* picture = dynamic_cast<ViewPicture*>(view.backingStore());
    const bool valid = picture != nullptr && picture->bounds == bounds && picture->scale == scale && picture->upward == upward;
    if (!valid) {
        auto made = std::make_unique<ViewPicture>();
        if (picture != nullptr && picture->surface && picture->scale == scale
            && cairo_image_surface_get_width(picture->surface.get()) == int(pw)
            && cairo_image_surface_get_height(picture->surface.get()) == int(ph)) {
            made->surface = std::move(picture->surface);
        }
        made->bounds = bounds;
        made->scale = scale;
        made->upward = upward;
        picture = made.get();
        view.setBackingStore(std::move(made));
        view.setNeedsDisplay();
    }
    const CGRect invalid = view.invalidRect();
    if (CGRectIsNull(invalid)) {
        return picture;
    }
    if (!(pw >= 1 && ph >= 1)) {
        picture->surface.reset();
        view.displayRectInContext(nullptr, bounds);
        return picture;
    }
    const bool whole = invalid == bounds || !picture->surface;
    if (!picture->surface) {
        picture->surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(pw), int(ph)));
        if (cairo_surface_status(picture->surface.get()) != CAIRO_STATUS_SUCCESS) {
            picture->surface.reset();
            return nullptr;
        }
    }
    {
        CGContext context(picture->surface.get());
        cairo_t* cr = context.cairo();
        cairo_scale(cr, scale, scale);
        cairo_translate(cr, -bounds.origin.x, -bounds.origin.y);
        // Whole pixels only, so what is kept around the redrawn part stays exactly as it was.
        const CGRect lookInvalid = upward ? CGRectApplyAffineTransform(invalid, flipWithin(bounds)) : invalid;
        const CGRect redrawn = whole ? bounds : pixelRectInLook(*picture, lookInvalid);
        cairo_save(cr);
        cairo_rectangle(cr, redrawn.origin.x, redrawn.origin.y, redrawn.size.width, redrawn.size.height);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_fill(cr);
        cairo_restore(cr);
        view.displayRectInContext(&context, whole || !upward ? redrawn : CGRectApplyAffineTransform(redrawn, flipWithin(bounds)));
    }
    cairo_surface_flush(picture->surface.get());
    if (whole && view.lastDrawReachedBaseDrawRect() && isClear(picture->surface.get())) {
        // The view drew nothing of its own (a plain view): it keeps no picture.
        picture->surface.reset();
    }
    return picture;
}

// Paints layer trees into one context. Everything goes through the context's own Cairo state,
// so groups (for opacity) and clips apply to drawRect content as well. Views' content comes from
// their pictures, kept at pictureScale.
class Painter {
public:
    Painter(CGContextRef context, CGFloat pictureScale) : context_(context), cr_(context->cairo()), pictureScale_(pictureScale) { }

    // The context's user space is the superlayer's space, which runs upward or not.
    void paintLayer(const CALayer& model, UIView* view, bool superlayerRunsUpward)
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

    // The layer's own look and its sublayers, in its look space; geometry and opacity are the
    // caller's. Upward tells which way the layer's own space runs.
    void paintContent(const CALayer& layer, const CALayer& model, UIView* view, bool upward)
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

private:
    // What drawRect draws is the layer's content: it never shows outside the bounds. It comes from
    // the view's picture, scaled to the bounds shown (a size animation stretches it).
    void paintViewContent(UIView& view, CGRect b, bool upward)
    {
        cairo_save(cr_);
        cairo_rectangle(cr_, b.origin.x, b.origin.y, b.size.width, b.size.height);
        cairo_clip(cr_);
        ViewPicture* picture = updatedPicture(view, upward, pictureScale_);
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

    void paintTransition(const CALayer& layer, const CALayer& model, UIView* view, const CALayer::TransitionState& state,
                         bool upward)
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

    CGContextRef context_;
    cairo_t* cr_;
    CGFloat pictureScale_;
};

// A picture of the layer's present look in its own bounds, for transitions and view snapshots.
CGImageRef pictureOfLayer(const CALayer& model, UIView* view, CGFloat scale)
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
        Painter(&context, scale).paintContent(shown.layer, model, view, model.contentsAreFlipped());
    }
    cairo_surface_flush(surface.get());
    return std::make_shared<const CGImage>(surface.release());
}

void installSnapshotProvider()
{
    static const bool installed = [] {
        CALayer::setSnapshotProvider([](const CALayer& layer) -> CGImageRef {
            UIView* view = nullptr;
            for (const auto& window : UIApplication::sharedApplication().windows()) {
                if ((view = findViewWithLayer(*window, &layer)) != nullptr) {
                    break;
                }
            }
            return pictureOfLayer(layer, view, 0);
        });
        return true;
    }();
    (void)installed;
}

// From interface coordinates (the display's, in points) to screen coordinates.
CGAffineTransform interfaceToScreen(UIInterfaceOrientation orientation)
{
    return CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(orientation));
}

void drawStatusBar(cairo_t* cr, CGSize display)
{
    cairo_rectangle(cr, 0, 0, display.width, UIApplication::kStatusBarHeight);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill(cr);
}

void drawChrome(CGContextRef context)
{
    cairo_t* cr = context->cairo();
    const UIApplication& app = UIApplication::sharedApplication();
    const UIInterfaceOrientation orientation = app.statusBarOrientation();
    const CGSize display = UIRenderer::displaySize(orientation);
    cairo_save(cr);
    applyTransform(cr, interfaceToScreen(orientation));
    if (app.isKeyboardVisible()) {
        const CGFloat height = app.keyboardHeight();
        UIKeyboardLayout::draw(context, CGRectMake(0, display.height - height, display.width, height),
                               UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad);
    }
    if (!app.isStatusBarHidden()) {
        drawStatusBar(cr, display);
    }
    cairo_restore(cr);
}

void drawMenu(CGContextRef c)
{
    const UIMenuController& menu = UIMenuController::sharedMenuController();
    if (!menu.isMenuVisible() || menu.commands().empty()) {
        return;
    }
    cairo_t* cr = c->cairo();
    // The menu is laid out in interface coordinates: drawn there, it stands upright.
    CGContextSaveGState(c);
    applyTransform(cr, interfaceToScreen(menu.menuOrientation()));
    const CGRect bar = menu.menuFrame();
    const CGRect target = menu.targetFrame();
    const CGFloat arrowHalf = UIMenuController::kArrowHeight;
    const CGFloat arrowX = std::clamp(CGRectGetMidX(target), CGRectGetMinX(bar) + kMenuCornerRadius + arrowHalf,
                                      std::max(CGRectGetMinX(bar) + kMenuCornerRadius + arrowHalf,
                                               CGRectGetMaxX(bar) - kMenuCornerRadius - arrowHalf));
    cairo_save(cr);
    UIRenderer::addRoundedRect(cr, bar, kMenuCornerRadius);
    if (menu.pointsUp()) {
        cairo_move_to(cr, arrowX - arrowHalf, CGRectGetMinY(bar));
        cairo_line_to(cr, arrowX, CGRectGetMinY(bar) - UIMenuController::kArrowHeight);
        cairo_line_to(cr, arrowX + arrowHalf, CGRectGetMinY(bar));
    } else {
        cairo_move_to(cr, arrowX - arrowHalf, CGRectGetMaxY(bar));
        cairo_line_to(cr, arrowX, CGRectGetMaxY(bar) + UIMenuController::kArrowHeight);
        cairo_line_to(cr, arrowX + arrowHalf, CGRectGetMaxY(bar));
    }
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0.08, 0.08, 0.08, 0.92);
    cairo_fill(cr);
    const auto& commands = menu.commands();
    for (std::size_t i = 1; i < commands.size(); ++i) {
        const CGFloat x = std::round(CGRectGetMinX(commands[i].frame)) + 0.5;
        cairo_move_to(cr, x, CGRectGetMinY(bar) + 1);
        cairo_line_to(cr, x, CGRectGetMaxY(bar) - 1);
    }
    cairo_set_source_rgba(cr, 1, 1, 1, 0.3);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
    static const UIFontRef font = UIFont::boldSystemFontOfSize(kMenuTitleSize);
    static const CGColorRef white = CGColorCreateRGBA(1, 1, 1, 1);
    for (const auto& command : commands) {
        UIRenderer::drawTextLine(c, utf8ToUtf16(command.title), font, white, command.frame, true);
    }
    CGContextRestoreGState(c);
}

// Makes an opaque ARGB32 surface and draws the screen into it, upright for the orientation.
SurfaceHolder renderScreenSurface(cairo_surface_t* reuse)
{
    UIView::layoutPendingViews();
    UIRenderer::installLayerDrawing();
    const UIInterfaceOrientation orientation = UIApplication::sharedApplication().statusBarOrientation();
    const CGFloat scale = UIScreen::mainScreen().scale();
    const CGSize display = UIRenderer::displaySize(orientation);
    const double pw = std::ceil(display.width * scale), ph = std::ceil(display.height * scale);
    if (!(pw >= 1 && ph >= 1 && pw <= kMaxSurfaceSide && ph <= kMaxSurfaceSide)) {
        return nullptr;
    }
    SurfaceHolder surface;
    if (reuse != nullptr && cairo_image_surface_get_width(reuse) == int(pw) && cairo_image_surface_get_height(reuse) == int(ph)) {
        surface.reset(cairo_surface_reference(reuse));
    } else {
        surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(pw), int(ph)));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
            return nullptr;
        }
    }
    {
        CGContext context(surface.get());
        cairo_scale(context.cairo(), scale, scale);
        applyTransform(context.cairo(), UIRenderer::screenToDisplayTransform(orientation));
        UIRenderer::drawScreen(&context);
    }
    cairo_surface_flush(surface.get());
    return surface;
}

// What a layer looked like in a frame: where it lay on screen and everything that decides how its
// own pixels come out. A layer whose record changes is painted again, where it was and where it is.
struct LayerRecord {
    std::uint64_t parent { 0 };
    std::size_t index { 0 };
    CGRect box {}; // its bounds on screen, cut by clipping superlayers
    CGAffineTransform toScreen {};
    CGRect bounds {};
    double opacity { 1 }; // with the superlayers' opacity
    double cornerRadius { 0 };
    double borderWidth { 0 };
    std::array<double, 4> borderColor {};
    std::array<double, 4> backgroundColor {};
    bool masksToBounds { false };
    bool upward { false };
    const void* contents { nullptr };
    friend bool operator==(const LayerRecord&, const LayerRecord&) = default;
};

std::array<double, 4> components(const CGColorRef& color)
{
    if (!color) {
        return { -1, -1, -1, -1 };
    }
    return { color->red(), color->green(), color->blue(), color->alpha() };
}

// Walks the visible layer trees as the painter does, recording each layer and collecting, in
// screen points, the parts of views that will be redrawn.
struct DamageWalk {
    std::unordered_map<std::uint64_t, LayerRecord>& records;
    std::vector<CGRect>& damage;
    bool transition { false };

    void walk(const CALayer& model, UIView* view, bool superUpward, CGAffineTransform superToScreen, CGRect clip,
              double superOpacity, std::uint64_t parent, std::size_t index)
    {
        const Shown shown(model);
        const CALayer& layer = shown.layer;
        if (isInvisible(layer)) {
            return;
        }
        if (model.hasAnimations() && model.transitionState()) {
            transition = true;
        }
        const CGRect b = layer.bounds();
        CGAffineTransform toScreen = flipWithinIf(superUpward, b);
        toScreen = CGAffineTransformConcat(toScreen, layerToSuperlayer(layer));
        toScreen = CGAffineTransformConcat(toScreen, superToScreen);
        const bool upward = CALayer::spaceRunsUpward(layer.isGeometryFlipped(), superUpward);
        LayerRecord record;
        record.parent = parent;
        record.index = index;
        record.box = CGRectIntersection(CGRectApplyAffineTransform(b, toScreen), clip);
        record.toScreen = toScreen;
        record.bounds = b;
        record.opacity = superOpacity * layer.opacity();
        record.cornerRadius = layer.cornerRadius();
        record.borderWidth = layer.borderWidth();
        record.borderColor = components(layer.borderColor());
        record.backgroundColor = components(layer.backgroundColor());
        record.masksToBounds = layer.masksToBounds();
        record.upward = upward;
        record.contents = layer.contents().get();
        if (view != nullptr) {
            // A view without a picture (drawn elsewhere since) is drawn and shown again whole.
            const CGRect invalid = view->backingStore() == nullptr ? view->bounds() : view->invalidRect();
            if (!CGRectIsNull(invalid)) {
                // The view's own space may run upward; its picture is in look space.
                const CGRect look = upward ? CGRectApplyAffineTransform(invalid, flipWithin(view->bounds())) : invalid;
                damage.push_back(CGRectIntersection(CGRectApplyAffineTransform(look, toScreen), clip));
            }
        }
        const CGRect box = record.box;
        records[model.identity()] = record;
        const CGAffineTransform sublayersToScreen = CGAffineTransformConcat(flipWithinIf(upward, b), toScreen);
        const CGRect subClip = layer.masksToBounds() ? box : clip;
        const auto& sublayers = model.sublayers();
        for (std::size_t i = 0; i < sublayers.size(); ++i) {
            walk(*sublayers[i], subviewWithLayer(view, sublayers[i].get()), upward, sublayersToScreen, subClip,
                 superOpacity * layer.opacity(), model.identity(), i);
        }
    }
};

// Whole device pixels around a rectangle of screen points.
CGRect roundedOut(CGRect r, CGFloat scale)
{
    const double x0 = std::floor(r.origin.x * scale), y0 = std::floor(r.origin.y * scale);
    const double x1 = std::ceil(CGRectGetMaxX(r) * scale), y1 = std::ceil(CGRectGetMaxY(r) * scale);
    return CGRectMake(x0 / scale, y0 / scale, (x1 - x0) / scale, (y1 - y0) / scale);
}

// More separate rectangles than this are painted as their union.
constexpr std::size_t kMaxDamageRects = 12;

// Drops empty rectangles and those inside another; too many become one.
std::vector<CGRect> simplified(std::vector<CGRect> rects, CGRect screen, CGFloat scale)
{
    std::vector<CGRect> kept;
    for (const CGRect& r : rects) {
        const CGRect cut = CGRectIntersection(r, screen);
        if (CGRectIsNull(cut) || CGRectIsEmpty(cut)) {
            continue;
        }
        const CGRect pixels = roundedOut(cut, scale);
        if (std::any_of(kept.begin(), kept.end(), [&](const CGRect& k) { return CGRectContainsRect(k, pixels); })) {
            continue;
        }
        std::erase_if(kept, [&](const CGRect& k) { return CGRectContainsRect(pixels, k); });
        kept.push_back(pixels);
    }
    if (kept.size() > kMaxDamageRects) {
        CGRect all = CGRectNull;
        for (const CGRect& r : kept) {
            all = CGRectUnion(all, r);
        }
        kept = { all };
    }
    return kept;
}

} // namespace

struct UIRenderer::Damage {
    std::unordered_map<std::uint64_t, LayerRecord> records;
    std::vector<std::uint64_t> windows;
    bool transitionLastFrame { false };
    bool menuLastFrame { false };
};

void UIRenderer::SurfaceDeleter::operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }

UIRenderer::UIRenderer() : damage_(std::make_unique<Damage>()) { installSnapshotProvider(); }

UIRenderer::~UIRenderer() = default;

CGSize UIRenderer::displaySize(UIInterfaceOrientation orientation)
{
    const CGSize screen = UIScreen::mainScreen().bounds().size;
    return UIInterfaceOrientationIsLandscape(orientation) ? CGSizeMake(screen.height, screen.width) : screen;
}

CGAffineTransform UIRenderer::screenToDisplayTransform(UIInterfaceOrientation orientation)
{
    const CGSize s = UIScreen::mainScreen().bounds().size;
    switch (orientation) {
    case UIInterfaceOrientationPortraitUpsideDown:
        return CGAffineTransformMake(-1, 0, 0, -1, s.width, s.height);
    case UIInterfaceOrientationLandscapeRight:
        // The interface's top lies along the screen's right edge.
        return CGAffineTransformMake(0, -1, 1, 0, 0, s.width);
    case UIInterfaceOrientationLandscapeLeft:
        // The interface's top lies along the screen's left edge.
        return CGAffineTransformMake(0, 1, -1, 0, s.height, 0);
    case UIInterfaceOrientationPortrait:
        break;
    }
    return CGAffineTransformIdentity;
}

CGPoint UIRenderer::screenPointFromDisplayPoint(CGPoint point, UIInterfaceOrientation orientation)
{
    return CGPointApplyAffineTransform(point, interfaceToScreen(orientation));
}

UIRenderer::Look UIRenderer::currentLook()
{
    const UIApplication& app = UIApplication::sharedApplication();
    const UIScreen& screen = UIScreen::mainScreen();
    return Look {
        app.statusBarOrientation(), app.isKeyboardVisible(), app.isStatusBarHidden(), screen.bounds().size, screen.scale(),
        UIMenuController::sharedMenuController().isMenuVisible(),
    };
}

bool UIRenderer::needsFrame() const
{
    if (!rendered_ || animatedLastFrame_ || UIView::displayGeneration() != renderedGeneration_ || currentLook() != renderedLook_) {
        return true;
    }
    for (const auto& window : UIApplication::sharedApplication().windowsFrontToBack()) {
        if (treeHasAnimations(*window->layer())) {
            return true;
        }
    }
    return false;
}

cairo_surface_t* UIRenderer::renderFrame()
{
    installSnapshotProvider();
    installLayerDrawing();
    UIView::layoutPendingViews();
    const UIApplication& app = UIApplication::sharedApplication();
    const UIInterfaceOrientation orientation = app.statusBarOrientation();
    const CGFloat scale = UIScreen::mainScreen().scale();
    const CGSize display = displaySize(orientation);
    const double pw = std::ceil(display.width * scale), ph = std::ceil(display.height * scale);
    bool full = !rendered_ || currentLook() != renderedLook_;
    if (!frame_ || cairo_image_surface_get_width(frame_.get()) != int(pw) || cairo_image_surface_get_height(frame_.get()) != int(ph)) {
        frame_.reset();
        if (pw >= 1 && ph >= 1 && pw <= kMaxSurfaceSide && ph <= kMaxSurfaceSide) {
            frame_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(pw), int(ph)));
        }
        full = true;
    }

    // What changed since the last frame.
    std::unordered_map<std::uint64_t, LayerRecord> records;
    std::vector<CGRect> damage;
    DamageWalk walk { records, damage };
    auto windows = app.windowsFrontToBack();
    std::reverse(windows.begin(), windows.end());
    std::vector<std::uint64_t> windowIds;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        windowIds.push_back(windows[i]->layer()->identity());
        walk.walk(*windows[i]->layer(), windows[i].get(), false, CGAffineTransformIdentity, CGRectInfinite, 1, 0, i);
    }
    const bool menu = UIMenuController::sharedMenuController().isMenuVisible();
    full = full || windowIds != damage_->windows || walk.transition || damage_->transitionLastFrame || menu
        || damage_->menuLastFrame;
    for (const auto& [id, record] : records) {
        const auto old = damage_->records.find(id);
        if (old == damage_->records.end()) {
            damage.push_back(record.box);
        } else if (!(old->second == record)) {
            damage.push_back(old->second.box);
            damage.push_back(record.box);
        }
    }
    for (const auto& [id, record] : damage_->records) {
        if (records.count(id) == 0) {
            damage.push_back(record.box);
        }
    }
    damage_->records = std::move(records);
    damage_->windows = std::move(windowIds);
    damage_->transitionLastFrame = walk.transition;
    damage_->menuLastFrame = menu;

    const CGRect screen = { CGPointZero, UIScreen::mainScreen().bounds().size };
    repainted_ = full ? std::vector<CGRect> { screen } : simplified(std::move(damage), screen, scale);
    if (frame_ && !repainted_.empty()) {
        CGContext context(frame_.get());
        cairo_t* cr = context.cairo();
        cairo_scale(cr, scale, scale);
        applyTransform(cr, screenToDisplayTransform(orientation));
        if (!full) {
            for (const CGRect& r : repainted_) {
                cairo_rectangle(cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
            }
            cairo_clip(cr);
        }
        drawScreen(&context);
        cairo_surface_flush(frame_.get());
    }
    rendered_ = true;
    // Read after drawing: what drawing itself requested shows in this frame already.
    renderedGeneration_ = UIView::displayGeneration();
    renderedLook_ = currentLook();
    animatedLastFrame_ = false;
    for (const auto& window : UIApplication::sharedApplication().windowsFrontToBack()) {
        animatedLastFrame_ = animatedLastFrame_ || treeHasAnimations(*window->layer());
    }
    return frame_.get();
}

CGImageRef UIRenderer::snapshotScreen()
{
    installSnapshotProvider();
    SurfaceHolder surface = renderScreenSurface(nullptr);
    if (!surface) {
        return nullptr;
    }
    return std::make_shared<const CGImage>(surface.release());
}

CGImageRef UIRenderer::snapshotView(const UIView& view, CGFloat scale)
{
    installSnapshotProvider();
    UIView::layoutPendingViews();
    // Drawing runs the view's drawRect, which is not a const operation; the view itself is left as
    // it was.
    return pictureOfLayer(*view.layer(), const_cast<UIView*>(&view), scale);
}

namespace {

bool writePicture(const CGImageRef& image, const std::string& path)
{
    if (!image) {
        return false;
    }
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::error_code error;
        std::filesystem::create_directories(parent, error);
    }
    return image->writePNG(path);
}

} // namespace

bool UIRenderer::writeScreenPNG(const std::string& path) { return writePicture(snapshotScreen(), path); }

bool UIRenderer::writeViewPNG(const UIView& view, const std::string& path, CGFloat scale)
{
    return writePicture(snapshotView(view, scale), path);
}

void UIRenderer::drawScreen(CGContextRef context)
{
    installSnapshotProvider();
    cairo_t* cr = context->cairo();
    const CGSize screen = UIScreen::mainScreen().bounds().size;
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, screen.width, screen.height);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_fill(cr);
    cairo_restore(cr);

    auto windows = UIApplication::sharedApplication().windowsFrontToBack();
    std::reverse(windows.begin(), windows.end());
    Painter painter(context, UIScreen::mainScreen().scale());
    bool chromeDrawn = false;
    for (const auto& window : windows) {
        // The status bar and the keyboard lie above the application's own windows and below
        // sheets, popovers, alerts and the loupe.
        if (!chromeDrawn && window->windowLevel() > UIWindowLevelBelowKeyboard) {
            drawChrome(context);
            chromeDrawn = true;
        }
        painter.paintLayer(*window->layer(), window.get(), false);
    }
    if (!chromeDrawn) {
        drawChrome(context);
    }
    drawMenu(context);
}

void UIRenderer::installLayerDrawing()
{
    static const bool installed = [] {
        CALayer::setLayerRenderer([](const CALayer& model, CGContextRef context) {
            UIView* view = nullptr;
            for (const auto& window : UIApplication::sharedApplication().windows()) {
                if ((view = findViewWithLayer(*window, &model)) != nullptr) {
                    break;
                }
            }
            const Shown shown(model);
            const bool upward = model.contentsAreFlipped();
            cairo_t* cr = context->cairo();
            cairo_save(cr);
            // The context's user space is the layer's own space; the painter works in look space.
            if (upward) {
                applyTransform(cr, flipWithin(shown.layer.bounds()));
            }
            Painter(context, UIScreen::mainScreen().scale()).paintContent(shown.layer, model, view, upward);
            cairo_restore(cr);
        });
        return true;
    }();
    (void)installed;
}

void UIRenderer::drawLayer(CGContextRef context, const CALayer& layer, UIView* view)
{
    installSnapshotProvider();
    Painter(context, UIScreen::mainScreen().scale()).paintLayer(layer, view, layer.superlayer() != nullptr && layer.superlayer()->contentsAreFlipped());
}

CGFloat UIRenderer::drawTextLine(CGContextRef context, const std::u16string& text, const UIFontRef& font,
                                 const CGColorRef& color, CGRect rect, bool centred)
{
    if (context == nullptr || !font || text.empty()) {
        return 0;
    }
    const NSAttributeDictionary attributes {
        { kCTFontAttributeName, font->CTFont() },
        { kCTForegroundColorAttributeName, color },
    };
    const CTLineRef line = CTLineCreateWithAttributedString(NSAttributedString(text, attributes));
    CGFloat ascent = 0, descent = 0, leading = 0;
    const double width = CTLineGetTypographicBounds(line, &ascent, &descent, &leading);
    const CGFloat x = centred ? CGRectGetMidX(rect) - width / 2 : CGRectGetMinX(rect);
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, x, CGRectGetMidY(rect) + (ascent - descent) / 2);
    // Glyphs stand upright where y runs upward.
    CGContextScaleCTM(context, 1, -1);
    CGContextSetTextPosition(context, 0, 0);
    CTLineDraw(line, context);
    CGContextRestoreGState(context);
    return width;
}

void UIRenderer::addRoundedRect(cairo_t* cr, CGRect r, CGFloat radius)
{
    r = CGRectStandardize(r);
    radius = std::min({ radius, r.size.width / 2, r.size.height / 2 });
    if (!(radius > 0)) {
        cairo_rectangle(cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
        return;
    }
    const double x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - radius, y0 + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x1 - radius, y1 - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x0 + radius, y1 - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x0 + radius, y0 + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}
