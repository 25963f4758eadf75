#include "Platform/CoreGraphics/CGGeometry.h"

#include <algorithm>
#include <cmath>

bool CGPointEqualToPoint(CGPoint a, CGPoint b) { return a == b; }
bool CGSizeEqualToSize(CGSize a, CGSize b) { return a == b; }

bool CGRectIsNull(CGRect rect)
{
    return std::isinf(rect.origin.x) && rect.origin.x > 0 && std::isinf(rect.origin.y) && rect.origin.y > 0;
}

bool CGRectIsEmpty(CGRect rect)
{
    return CGRectIsNull(rect) || rect.size.width == 0 || rect.size.height == 0;
}

bool CGRectIsInfinite(CGRect rect) { return rect == CGRectInfinite; }

bool CGRectEqualToRect(CGRect a, CGRect b)
{
    if (CGRectIsNull(a) || CGRectIsNull(b)) {
        return CGRectIsNull(a) && CGRectIsNull(b);
    }
    return CGRectStandardize(a) == CGRectStandardize(b);
}

CGRect CGRectStandardize(CGRect rect)
{
    if (CGRectIsNull(rect)) {
        return rect;
    }
    if (rect.size.width < 0) {
        rect.origin.x += rect.size.width;
        rect.size.width = -rect.size.width;
    }
    if (rect.size.height < 0) {
        rect.origin.y += rect.size.height;
        rect.size.height = -rect.size.height;
    }
    return rect;
}

CGFloat CGRectGetMinX(CGRect rect) { return CGRectStandardize(rect).origin.x; }
CGFloat CGRectGetMinY(CGRect rect) { return CGRectStandardize(rect).origin.y; }
CGFloat CGRectGetWidth(CGRect rect) { return std::fabs(rect.size.width); }
CGFloat CGRectGetHeight(CGRect rect) { return std::fabs(rect.size.height); }
CGFloat CGRectGetMidX(CGRect rect) { return CGRectGetMinX(rect) + CGRectGetWidth(rect) / 2; }
CGFloat CGRectGetMidY(CGRect rect) { return CGRectGetMinY(rect) + CGRectGetHeight(rect) / 2; }
CGFloat CGRectGetMaxX(CGRect rect) { return CGRectGetMinX(rect) + CGRectGetWidth(rect); }
CGFloat CGRectGetMaxY(CGRect rect) { return CGRectGetMinY(rect) + CGRectGetHeight(rect); }

CGRect CGRectInset(CGRect rect, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(rect)) {
        return rect;
    }
    rect = CGRectStandardize(rect);
    rect.origin.x += dx;
    rect.origin.y += dy;
    rect.size.width -= 2 * dx;
    rect.size.height -= 2 * dy;
    if (rect.size.width < 0 || rect.size.height < 0) {
        return CGRectNull;
    }
    return rect;
}

CGRect CGRectOffset(CGRect rect, CGFloat dx, CGFloat dy)
{
    if (CGRectIsNull(rect)) {
        return rect;
    }
    rect = CGRectStandardize(rect);
    rect.origin.x += dx;
    rect.origin.y += dy;
    return rect;
}

CGRect CGRectIntegral(CGRect rect)
{
    if (CGRectIsNull(rect)) {
        return rect;
    }
    rect = CGRectStandardize(rect);
    const CGFloat minX = std::floor(rect.origin.x);
    const CGFloat minY = std::floor(rect.origin.y);
    const CGFloat maxX = std::ceil(rect.origin.x + rect.size.width);
    const CGFloat maxY = std::ceil(rect.origin.y + rect.size.height);
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

bool CGRectContainsPoint(CGRect rect, CGPoint point)
{
    if (CGRectIsNull(rect)) {
        return false;
    }
    rect = CGRectStandardize(rect);
    return point.x >= rect.origin.x && point.x < rect.origin.x + rect.size.width && point.y >= rect.origin.y
        && point.y < rect.origin.y + rect.size.height;
}

bool CGRectContainsRect(CGRect outer, CGRect inner)
{
    if (CGRectIsNull(outer) || CGRectIsNull(inner)) {
        return false;
    }
    outer = CGRectStandardize(outer);
    inner = CGRectStandardize(inner);
    return inner.origin.x >= outer.origin.x && inner.origin.y >= outer.origin.y
        && CGRectGetMaxX(inner) <= CGRectGetMaxX(outer) && CGRectGetMaxY(inner) <= CGRectGetMaxY(outer);
}

CGRect CGRectIntersection(CGRect a, CGRect b)
{
    if (CGRectIsNull(a) || CGRectIsNull(b)) {
        return CGRectNull;
    }
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    const CGFloat minX = std::max(a.origin.x, b.origin.x);
    const CGFloat minY = std::max(a.origin.y, b.origin.y);
    const CGFloat maxX = std::min(CGRectGetMaxX(a), CGRectGetMaxX(b));
    const CGFloat maxY = std::min(CGRectGetMaxY(a), CGRectGetMaxY(b));
    if (maxX < minX || maxY < minY) {
        return CGRectNull;
    }
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

bool CGRectIntersectsRect(CGRect a, CGRect b)
{
    return !CGRectIsEmpty(CGRectIntersection(a, b));
}

CGRect CGRectUnion(CGRect a, CGRect b)
{
    if (CGRectIsNull(a)) {
        return CGRectStandardize(b);
    }
    if (CGRectIsNull(b)) {
        return CGRectStandardize(a);
    }
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    const CGFloat minX = std::min(a.origin.x, b.origin.x);
    const CGFloat minY = std::min(a.origin.y, b.origin.y);
    const CGFloat maxX = std::max(CGRectGetMaxX(a), CGRectGetMaxX(b));
    const CGFloat maxY = std::max(CGRectGetMaxY(a), CGRectGetMaxY(b));
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}
