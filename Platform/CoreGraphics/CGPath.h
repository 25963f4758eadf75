#pragma once

#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGGeometry.h"

// A path of straight and cubic segments in user coordinates. Arcs and rounded corners are
// stored as cubic curves.
class CGPath {
public:
    enum class ElementType { MoveToPoint, AddLineToPoint, AddCurveToPoint, CloseSubpath };
    struct Element {
        ElementType type { ElementType::MoveToPoint };
        // MoveTo/LineTo use points[0]; a curve uses two control points and its end point.
        CGPoint points[3] {};
    };

    const std::vector<Element>& elements() const { return elements_; }
    bool isEmpty() const { return elements_.empty(); }
    // The current point (the zero point of an empty path).
    CGPoint currentPoint() const { return current_; }

    void moveTo(CGPoint point);
    void lineTo(CGPoint point);
    void curveTo(CGPoint control1, CGPoint control2, CGPoint end);
    void close();

private:
    std::vector<Element> elements_;
    CGPoint current_ {};
    CGPoint subpathStart_ {};
};

using CGPathRef = std::shared_ptr<const CGPath>;
using CGMutablePathRef = std::shared_ptr<CGPath>;

// Every function that adds takes an optional transform applied to the new points.
CGMutablePathRef CGPathCreateMutable();
CGMutablePathRef CGPathCreateMutableCopy(const CGPathRef& path);
CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform);
CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight, const CGAffineTransform* transform);

void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y);
void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y);
void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cp1x, CGFloat cp1y,
                           CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y);
void CGPathAddQuadCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cpx, CGFloat cpy,
                               CGFloat x, CGFloat y);
void CGPathCloseSubpath(const CGMutablePathRef& path);
// A closed rectangle, drawn from its origin along x first.
void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect);
void CGPathAddRects(const CGMutablePathRef& path, const CGAffineTransform* m, const CGRect* rects, std::size_t count);
// A rectangle whose corners are quarter ellipses of the given radii (clamped to half the sides).
void CGPathAddRoundedRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect, CGFloat cornerWidth,
                          CGFloat cornerHeight);
void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect);
// An arc around (x, y); angles in radians from the x axis toward y; clockwise means decreasing angles.
// A line joins the current point to the arc's start when the path is not empty.
void CGPathAddArc(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y, CGFloat radius,
                  CGFloat startAngle, CGFloat endAngle, bool clockwise);
void CGPathAddPath(const CGMutablePathRef& path, const CGAffineTransform* m, const CGPathRef& other);

bool CGPathIsEmpty(const CGPathRef& path);
CGPoint CGPathGetCurrentPoint(const CGPathRef& path);
// The box of all points including control points; null for an empty path.
CGRect CGPathGetBoundingBox(const CGPathRef& path);
// True, with the rectangle, when the path is exactly one closed axis-aligned rectangle.
bool CGPathIsRect(const CGPathRef& path, CGRect* rect);
