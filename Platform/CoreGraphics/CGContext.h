#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/Foundation/NSObject.h"

enum CGPathDrawingMode { kCGPathFill, kCGPathEOFill, kCGPathStroke, kCGPathFillStroke, kCGPathEOFillStroke };
enum CGLineCap { kCGLineCapButt, kCGLineCapRound, kCGLineCapSquare };
enum CGLineJoin { kCGLineJoinMiter, kCGLineJoinRound, kCGLineJoinBevel };

// A drawing context over a Cairo surface. User space is whatever the creator set up: the
// platform's interface contexts have their origin at the top left with y downward (scaled to
// points), bitmap contexts at the bottom left with y upward. Images drawn with
// CGContextDrawImage and glyphs appear upright when y runs upward, as on the device.
class CGContext {
public:
    // A context drawing into its own image surface of the given pixel size. scale maps points to
    // pixels; flipped puts the origin at the top left (interface contexts), otherwise bottom left.
    // Null when the size is empty or too large for a surface.
    [[nodiscard]] static std::unique_ptr<CGContext> createImageContext(CGSize size, CGFloat scale, bool opaque,
                                                                        bool flipped);
    // A context over a surface the caller keeps drawing into (the renderer's screen); user space
    // is the surface's pixel space, origin top left.
    explicit CGContext(cairo_surface_t* surface);
    ~CGContext();
    CGContext(const CGContext&) = delete;
    CGContext& operator=(const CGContext&) = delete;

    cairo_t* cairo() const { return cr_.get(); }
    cairo_surface_t* surface() const { return cairo_get_target(cr_.get()); }
    // Points to pixels of the context as made (1 for a context over a foreign surface).
    CGFloat scale() const { return scale_; }
    // A copy of what has been drawn so far; null when the target is not an image surface.
    [[nodiscard]] CGImageRef makeImage() const;

    // Graphics state beyond Cairo's own (which keeps the transform, clip and line settings).
    struct GState {
        CGColorRef fillColor;
        CGColorRef strokeColor;
        CGFloat alpha { 1 };
        // Device-space coverage from CGContextClipToMask (A8, surface size); null when none.
        std::shared_ptr<cairo_surface_t> mask;
        // The font chosen with CGContextSelectFont / CGContextSetFont (a CTFont) and its size.
        std::shared_ptr<const NSObject> font;
        CGFloat fontSize { 12 };
    };
    GState& state() { return states_.back(); }
    const GState& state() const { return states_.back(); }
    void saveState();
    void restoreState();

    // The text matrix (its translation is the text position); not part of the saved state.
    CGAffineTransform textMatrix { CGAffineTransformIdentity };

    // Paints what draw(cairo) produces through the mask clip, if one is set (global alpha is
    // folded into colours by the caller).
    template <class Draw>
    void paintMasked(Draw&& draw)
    {
        const bool masked = beginMask();
        draw(cr_.get());
        if (masked) {
            endMask();
        }
    }
    // Draws glyphs of a face at a size, in text space (y upward, origin at the text position),
    // in the colour; the global alpha applies.
    void showGlyphs(cairo_font_face_t* face, CGFloat size, const std::vector<cairo_glyph_t>& glyphs, const CGColor& color);

    void setSourceColor(const CGColor& color);

private:
    CGContext() = default;
    void setUp();
    bool beginMask();
    void endMask();

    struct CairoDeleter {
        void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    };
    std::unique_ptr<cairo_t, CairoDeleter> cr_;
    CGFloat scale_ { 1 };
    std::vector<GState> states_ { GState {} };
};

// A context is handed around as a plain pointer, as on the device; its maker owns it.
using CGContextRef = CGContext*;

void CGContextSaveGState(CGContextRef c);
void CGContextRestoreGState(CGContextRef c);

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);
void CGContextRotateCTM(CGContextRef c, CGFloat angle);
void CGContextConcatCTM(CGContextRef c, CGAffineTransform transform);
CGAffineTransform CGContextGetCTM(CGContextRef c);

void CGContextSetFillColorWithColor(CGContextRef c, const CGColorRef& color);
void CGContextSetStrokeColorWithColor(CGContextRef c, const CGColorRef& color);
void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
void CGContextSetGrayFillColor(CGContextRef c, CGFloat gray, CGFloat alpha);
void CGContextSetGrayStrokeColor(CGContextRef c, CGFloat gray, CGFloat alpha);
void CGContextSetAlpha(CGContextRef c, CGFloat alpha);
void CGContextSetLineWidth(CGContextRef c, CGFloat width);
void CGContextSetLineCap(CGContextRef c, CGLineCap cap);
void CGContextSetLineJoin(CGContextRef c, CGLineJoin join);
void CGContextSetShouldAntialias(CGContextRef c, bool antialias);

void CGContextBeginPath(CGContextRef c);
void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddCurveToPoint(CGContextRef c, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y);
void CGContextAddRect(CGContextRef c, CGRect rect);
void CGContextAddRects(CGContextRef c, const CGRect* rects, std::size_t count);
void CGContextAddEllipseInRect(CGContextRef c, CGRect rect);
void CGContextAddArc(CGContextRef c, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle, int clockwise);
void CGContextAddPath(CGContextRef c, const CGPathRef& path);
void CGContextClosePath(CGContextRef c);
bool CGContextIsPathEmpty(CGContextRef c);

// Filling and stroking consume the current path.
void CGContextFillPath(CGContextRef c);
void CGContextEOFillPath(CGContextRef c);
void CGContextStrokePath(CGContextRef c);
void CGContextDrawPath(CGContextRef c, CGPathDrawingMode mode);
void CGContextFillRect(CGContextRef c, CGRect rect);
void CGContextFillRects(CGContextRef c, const CGRect* rects, std::size_t count);
void CGContextStrokeRect(CGContextRef c, CGRect rect);
void CGContextStrokeRectWithWidth(CGContextRef c, CGRect rect, CGFloat width);
void CGContextFillEllipseInRect(CGContextRef c, CGRect rect);
void CGContextStrokeEllipseInRect(CGContextRef c, CGRect rect);
// Pairs of points, each pair one segment.
void CGContextStrokeLineSegments(CGContextRef c, const CGPoint* points, std::size_t count);
// Makes the rectangle transparent (inside the clip).
void CGContextClearRect(CGContextRef c, CGRect rect);

// Intersects the clip with the current path (consumed), a rectangle, or the alpha of an image
// mapped onto a rectangle the way CGContextDrawImage maps it.
void CGContextClip(CGContextRef c);
void CGContextEOClip(CGContextRef c);
void CGContextClipToRect(CGContextRef c, CGRect rect);
void CGContextClipToRects(CGContextRef c, const CGRect* rects, std::size_t count);
void CGContextClipToMask(CGContextRef c, CGRect rect, const CGImageRef& mask);
CGRect CGContextGetClipBoundingBox(CGContextRef c);

// Scales the image into the rectangle with its top row at the rectangle's maximum y.
void CGContextDrawImage(CGContextRef c, CGRect rect, const CGImageRef& image);

void CGContextSetTextPosition(CGContextRef c, CGFloat x, CGFloat y);
CGPoint CGContextGetTextPosition(CGContextRef c);
void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform matrix);
CGAffineTransform CGContextGetTextMatrix(CGContextRef c);

// The image drawn so far in a context made with CGContext::createImageContext.
CGImageRef CGBitmapContextCreateImage(CGContextRef c);
