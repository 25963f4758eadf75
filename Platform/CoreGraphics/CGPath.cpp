#include "Platform/CoreGraphics/CGPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

CGPoint apply(const CGAffineTransform* m, CGPoint p) { return m ? CGPointApplyAffineTransform(p, *m) : p; }

// Cubic handle length for a quarter ellipse.
constexpr CGFloat kKappa = 0.5522847498307936;

}

void CGPath::moveTo(CGPoint point)
{
    elements_.push_back({ ElementType::MoveToPoint, { point } });
    current_ = subpathStart_ = point;
}

void CGPath::lineTo(CGPoint point)
{
    if (elements_.empty()) {
        moveTo(current_);
    }
    elements_.push_back({ ElementType::AddLineToPoint, { point } });
    current_ = point;
}

void CGPath::curveTo(CGPoint control1, CGPoint control2, CGPoint end)
{
    if (elements_.empty()) {
        moveTo(current_);
    }
    elements_.push_back({ ElementType::AddCurveToPoint, { control1, control2, end } });
    current_ = end;
}

void CGPath::close()
{
    if (elements_.empty() || elements_.back().type == ElementType::CloseSubpath) {
        return;
    }
    elements_.push_back({ ElementType::CloseSubpath, {} });
    current_ = subpathStart_;
}

CGMutablePathRef CGPathCreateMutable() { return std::make_shared<CGPath>(); }

CGMutablePathRef CGPathCreateMutableCopy(const CGPathRef& path)
{
    return path ? std::make_shared<CGPath>(*path) : CGPathCreateMutable();
}

CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform)
{
    auto path = CGPathCreateMutable();
    CGPathAddRect(path, transform, rect);
    return path;
}

CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight, const CGAffineTransform* transform)
{
    auto path = CGPathCreateMutable();
    CGPathAddRoundedRect(path, transform, rect, cornerWidth, cornerHeight);
    return path;
}

void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y)
{
    if (path) {
        path->moveTo(apply(m, { x, y }));
    }
}

void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y)
{
    if (path) {
        path->lineTo(apply(m, { x, y }));
    }
}

void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cp1x, CGFloat cp1y,
                           CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y)
{
    if (path) {
        path->curveTo(apply(m, { cp1x, cp1y }), apply(m, { cp2x, cp2y }), apply(m, { x, y }));
    }
}

void CGPathAddQuadCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cpx, CGFloat cpy,
                               CGFloat x, CGFloat y)
{
    if (!path) {
        return;
    }
    // Raise the quadratic to a cubic (in untransformed space; affine maps keep the shape).
    const CGPoint p0 = m ? CGPointApplyAffineTransform(path->currentPoint(), CGAffineTransformInvert(*m)) : path->currentPoint();
    const CGPoint c1 { p0.x + 2.0 / 3.0 * (cpx - p0.x), p0.y + 2.0 / 3.0 * (cpy - p0.y) };
    const CGPoint c2 { x + 2.0 / 3.0 * (cpx - x), y + 2.0 / 3.0 * (cpy - y) };
    path->curveTo(apply(m, c1), apply(m, c2), apply(m, { x, y }));
}

void CGPathCloseSubpath(const CGMutablePathRef& path)
{
    if (path) {
        path->close();
    }
}

void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect)
{
    if (!path || CGRectIsNull(rect)) {
        return;
    }
    const CGFloat x = rect.origin.x, y = rect.origin.y, w = rect.size.width, h = rect.size.height;
    path->moveTo(apply(m, { x, y }));
    path->lineTo(apply(m, { x + w, y }));
    path->lineTo(apply(m, { x + w, y + h }));
    path->lineTo(apply(m, { x, y + h }));
    path->close();
}

void CGPathAddRects(const CGMutablePathRef& path, const CGAffineTransform* m, const CGRect* rects, std::size_t count)
{
    for (std::size_t i = 0; rects && i < count; ++i) {
        CGPathAddRect(path, m, rects[i]);
    }
}

void CGPathAddRoundedRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect, CGFloat cornerWidth,
                          CGFloat cornerHeight)
{
    if (!path || CGRectIsNull(rect)) {
        return;
    }
    rect = CGRectStandardize(rect);
    const CGFloat rx = std::clamp(cornerWidth, 0.0, rect.size.width / 2);
    const CGFloat ry = std::clamp(cornerHeight, 0.0, rect.size.height / 2);
    if (rx <= 0 || ry <= 0) {
        CGPathAddRect(path, m, rect);
        return;
    }
    const CGFloat minX = CGRectGetMinX(rect), maxX = CGRectGetMaxX(rect);
    const CGFloat minY = CGRectGetMinY(rect), maxY = CGRectGetMaxY(rect);
    const CGFloat kx = rx * kKappa, ky = ry * kKappa;
    path->moveTo(apply(m, { minX + rx, minY }));
    path->lineTo(apply(m, { maxX - rx, minY }));
    path->curveTo(apply(m, { maxX - rx + kx, minY }), apply(m, { maxX, minY + ry - ky }), apply(m, { maxX, minY + ry }));
    path->lineTo(apply(m, { maxX, maxY - ry }));
    path->curveTo(apply(m, { maxX, maxY - ry + ky }), apply(m, { maxX - rx + kx, maxY }), apply(m, { maxX - rx, maxY }));
    path->lineTo(apply(m, { minX + rx, maxY }));
    path->curveTo(apply(m, { minX + rx - kx, maxY }), apply(m, { minX, maxY - ry + ky }), apply(m, { minX, maxY - ry }));
    path->lineTo(apply(m, { minX, minY + ry }));
    path->curveTo(apply(m, { minX, minY + ry - ky }), apply(m, { minX + rx - kx, minY }), apply(m, { minX + rx, minY }));
    path->close();
}

void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect)
{
    if (!path || CGRectIsNull(rect)) {
        return;
    }
    rect = CGRectStandardize(rect);
    CGPathAddRoundedRect(path, m, rect, rect.size.width / 2, rect.size.height / 2);
}

void CGPathAddArc(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y, CGFloat radius,
                  CGFloat startAngle, CGFloat endAngle, bool clockwise)
{
    if (!path) {
        return;
    }
    constexpr CGFloat twoPi = 2 * std::numbers::pi;
    CGFloat sweep = endAngle - startAngle;
    if (clockwise) {
        if (sweep > 0) {
            sweep = std::fmod(sweep, twoPi) - twoPi;
        }
        sweep = std::max(sweep, -twoPi);
    } else {
        if (sweep < 0) {
            sweep = std::fmod(sweep, twoPi) + twoPi;
        }
        sweep = std::min(sweep, twoPi);
    }
    const CGPoint start { x + radius * std::cos(startAngle), y + radius * std::sin(startAngle) };
    if (path->isEmpty()) {
        path->moveTo(apply(m, start));
    } else {
        path->lineTo(apply(m, start));
    }
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2) - 1e-9)));
    const CGFloat step = sweep / pieces;
    const CGFloat handle = 4.0 / 3.0 * std::tan(step / 4) * radius;
    CGFloat a = startAngle;
    for (int i = 0; i < pieces; ++i) {
        const CGFloat b = a + step;
        const CGPoint p0 { x + radius * std::cos(a), y + radius * std::sin(a) };
        const CGPoint p3 { x + radius * std::cos(b), y + radius * std::sin(b) };
        const CGPoint c1 { p0.x - handle * std::sin(a), p0.y + handle * std::cos(a) };
        const CGPoint c2 { p3.x + handle * std::sin(b), p3.y - handle * std::cos(b) };
        path->curveTo(apply(m, c1), apply(m, c2), apply(m, p3));
        a = b;
    }
}

void CGPathAddPath(const CGMutablePathRef& path, const CGAffineTransform* m, const CGPathRef& other)
{
    if (!path || !other) {
        return;
    }
    for (const CGPath::Element& e : other->elements()) {
        switch (e.type) {
        case CGPath::ElementType::MoveToPoint: path->moveTo(apply(m, e.points[0])); break;
        case CGPath::ElementType::AddLineToPoint: path->lineTo(apply(m, e.points[0])); break;
        case CGPath::ElementType::AddCurveToPoint:
            path->curveTo(apply(m, e.points[0]), apply(m, e.points[1]), apply(m, e.points[2]));
            break;
        case CGPath::ElementType::CloseSubpath: path->close(); break;
        }
    }
}

bool CGPathIsEmpty(const CGPathRef& path) { return !path || path->isEmpty(); }
CGPoint CGPathGetCurrentPoint(const CGPathRef& path) { return path ? path->currentPoint() : CGPointZero; }

CGRect CGPathGetBoundingBox(const CGPathRef& path)
{
    if (CGPathIsEmpty(path)) {
        return CGRectNull;
    }
    CGFloat minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const CGPath::Element& e : path->elements()) {
        const int count = e.type == CGPath::ElementType::AddCurveToPoint ? 3 : e.type == CGPath::ElementType::CloseSubpath ? 0 : 1;
        for (int i = 0; i < count; ++i) {
            minX = std::min(minX, e.points[i].x);
            minY = std::min(minY, e.points[i].y);
            maxX = std::max(maxX, e.points[i].x);
            maxY = std::max(maxY, e.points[i].y);
        }
    }
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

bool CGPathIsRect(const CGPathRef& path, CGRect* rect)
{
    if (!path) {
        return false;
    }
    const auto& e = path->elements();
    using T = CGPath::ElementType;
    if (e.size() != 5 || e[0].type != T::MoveToPoint || e[4].type != T::CloseSubpath) {
        return false;
    }
    for (int i = 1; i < 4; ++i) {
        if (e[i].type != T::AddLineToPoint) {
            return false;
        }
    }
    const CGPoint p0 = e[0].points[0], p1 = e[1].points[0], p2 = e[2].points[0], p3 = e[3].points[0];
    const bool xFirst = p0.y == p1.y && p1.x == p2.x && p2.y == p3.y && p3.x == p0.x;
    const bool yFirst = p0.x == p1.x && p1.y == p2.y && p2.x == p3.x && p3.y == p0.y;
    if (!xFirst && !yFirst) {
        return false;
    }
    if (rect) {
        *rect = CGRectStandardize(CGRectMake(p0.x, p0.y, p2.x - p0.x, p2.y - p0.y));
    }
    return true;
}
