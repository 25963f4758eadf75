#include "Platform/UIKit/UIRenderer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UILayerPainter.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIRendererDamage.h"
#include "Platform/UIKit/UIRendering.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

using namespace UIRendering;

namespace {

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
            return UILayerPainter::pictureOfLayer(layer, view, 0);
        });
        return true;
    }();
    (void)installed;
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

} // namespace

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
    auto windows = app.windowsFrontToBack();
    std::reverse(windows.begin(), windows.end());
    std::vector<CGRect> damage = damage_->update(windows, UIMenuController::sharedMenuController().isMenuVisible(), full);

    const CGRect screen = { CGPointZero, UIScreen::mainScreen().bounds().size };
    repainted_ = full ? std::vector<CGRect> { screen } : Damage::simplified(std::move(damage), screen, scale);
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
    return UILayerPainter::pictureOfLayer(*view.layer(), const_cast<UIView*>(&view), scale);
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
    UILayerPainter painter(context, UIScreen::mainScreen().scale());
    bool chromeDrawn = false;
    for (const auto& window : windows) {
        // The status bar and the keyboard lie above the application's own windows and below
        // sheets, popovers, alerts and the loupe.
        if (!chromeDrawn && window->windowLevel() > UIWindowLevelBelowKeyboard) {
            UIRendering::drawChrome(context);
            chromeDrawn = true;
        }
        painter.paintLayer(*window->layer(), window.get(), false);
    }
    if (!chromeDrawn) {
        UIRendering::drawChrome(context);
    }
    UIRendering::drawMenu(context);
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
            UILayerPainter(context, UIScreen::mainScreen().scale()).paintContent(shown.layer, model, view, upward);
            cairo_restore(cr);
        });
        return true;
    }();
    (void)installed;
}

void UIRenderer::drawLayer(CGContextRef context, const CALayer& layer, UIView* view)
{
    installSnapshotProvider();
    UILayerPainter(context, UIScreen::mainScreen().scale()).paintLayer(layer, view, layer.superlayer() != nullptr && layer.superlayer()->contentsAreFlipped());
}
