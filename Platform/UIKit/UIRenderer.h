#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"

class CALayer;

// Composites what the screen shows into pixels: the visible windows back to front at the
// screen's scale, each view's layer as it is presented now (running animations and transitions
// applied) with its transform, opacity, clipping, rounded corners and border, its drawRect
// content, flipped geometry; then the status bar, the keyboard's area and the edit menu.
//
// The picture is shown upright for the status-bar orientation: the screen is portrait whatever
// the orientation, so a landscape picture is the screen turned a quarter. Points of the shown
// picture ("display points") map back to screen points through screenPointFromDisplayPoint.
// Main thread only; knows nothing of any window system.
class UIRenderer {
public:
    UIRenderer();
    ~UIRenderer();
    UIRenderer(const UIRenderer&) = delete;
    UIRenderer& operator=(const UIRenderer&) = delete;

    // The screen as shown for the orientation, in points (landscape swaps the sides).
    [[nodiscard]] static CGSize displaySize(UIInterfaceOrientation orientation);
    // From screen points to display points for the orientation.
    [[nodiscard]] static CGAffineTransform screenToDisplayTransform(UIInterfaceOrientation orientation);
    [[nodiscard]] static CGPoint screenPointFromDisplayPoint(CGPoint point, UIInterfaceOrientation orientation);

    // Whether the next frame may differ from the last one rendered: a view changed, an animation
    // runs (or just ended), or the orientation, keyboard, status bar or screen changed.
    [[nodiscard]] bool needsFrame() const;
    // Lays out pending views and draws the screen into the renderer's own surface (ARGB32, opaque,
    // display orientation, screen scale). The surface stays the renderer's and is valid until
    // the next call. Only what changed since the last frame is painted again (a layer that moved,
    // turned, faded or changed its look, a view redrawn), from the views' cached pictures; the
    // rest of the last frame stays.
    cairo_surface_t* renderFrame();
    // What the last renderFrame painted again, in screen points (rounded out to whole pixels);
    // the whole screen for a full frame, empty when nothing changed.
    [[nodiscard]] const std::vector<CGRect>& lastRepaintedRects() const { return repainted_; }

    // Makes CALayer::renderInContext draw through the renderer (views do it when made).
    static void installLayerDrawing();

    // A fresh picture of the whole screen, as renderFrame draws it.
    [[nodiscard]] static CGImageRef snapshotScreen();
    // A picture of one view and its subviews in the view's own bounds (its own position,
    // transform, opacity and hidden flag left out), transparent where nothing is drawn. Scale 0
    // means the screen's. Null for an empty view.
    [[nodiscard]] static CGImageRef snapshotView(const UIView& view, CGFloat scale = 0);
    // PNG files of the same; false when the picture cannot be made or written. Missing parent
    // folders are created.
    [[nodiscard]] static bool writeScreenPNG(const std::string& path);
    [[nodiscard]] static bool writeViewPNG(const UIView& view, const std::string& path, CGFloat scale = 0);

    // Draws the screen in screen points into a context whose user space is the portrait screen
    // with y downward.
    static void drawScreen(CGContextRef context);
    // Draws a layer tree into a context whose user space is the layer's superlayer's coordinates;
    // the view, when given, is the one owning the layer (its drawRect and subviews are drawn).
    static void drawLayer(CGContextRef context, const CALayer& layer, UIView* view);
    // Adds a rectangle with rounded corners (the radius capped at half the shorter side) to the
    // current path of the Cairo context.
    static void addRoundedRect(cairo_t* cr, CGRect rect, CGFloat radius);
    // Draws one line of text into the context (y downward), vertically centred in the
    // rectangle, starting at its left edge or centred in it. Answers the width drawn.
    static CGFloat drawTextLine(CGContextRef context, const std::u16string& text, const UIFontRef& font,
                                const CGColorRef& color, CGRect rect, bool centred);

private:
    struct Look {
        UIInterfaceOrientation orientation { UIInterfaceOrientationPortrait };
        bool keyboardVisible { false };
        bool statusBarHidden { false };
        CGSize screenSize {};
        CGFloat scale { 1 };
        bool menuVisible { false };
        friend bool operator==(const Look&, const Look&) = default;
    };
    [[nodiscard]] static Look currentLook();

    struct SurfaceDeleter {
        void operator()(cairo_surface_t* surface) const;
    };
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> frame_;
    // What each layer of the last frame looked like, to find what changed.
    struct Damage;
    std::unique_ptr<Damage> damage_;
    std::vector<CGRect> repainted_;
    std::uint64_t renderedGeneration_ { 0 };
    Look renderedLook_ {};
    bool animatedLastFrame_ { false };
    bool rendered_ { false };
};
