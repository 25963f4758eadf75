#include "Platform/CoreGraphics/CGAffineTransform.h"

#include <algorithm>
#include <cmath>

CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty) { return { 1, 0, 0, 1, tx, ty }; }
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy) { return { sx, 0, 0, sy, 0, 0 }; }

CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle)
{
    const CGFloat c = std::cos(angle);
    const CGFloat s = std::sin(angle);
    return { c, s, -s, c, 0, 0 };
}

CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2)
{
    return {
        t1.a * t2.a + t1.b * t2.c,
        t1.a * t2.b + t1.b * t2.d,
        t1.c * t2.a + t1.d * t2.c,
        t1.c * t2.b + t1.d * t2.d,
        t1.tx * t2.a + t1.ty * t2.c + t2.tx,
        t1.tx * t2.b + t1.ty * t2.d + t2.ty,
    };
}

CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty)
{
    return CGAffineTransformConcat(CGAffineTransformMakeTranslation(tx, ty), t);
}

CGAffineTransform CGAffineTransformScale(CGAffineTransform t, CGFloat sx, CGFloat sy)
{
    return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), t);
}

CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle)
{
    return CGAffineTransformConcat(CGAffineTransformMakeRotation(angle), t);
}

CGAffineTransform CGAffineTransformInvert(CGAffineTransform t)
{
    const CGFloat det = t.a * t.d - t.b * t.c;
    if (det == 0 || !std::isfinite(det)) {
        return t;
    }
    return {
        t.d / det,
        -t.b / det,
        -t.c / det,
        t.a / det,
        (t.c * t.ty - t.d * t.tx) / det,
        (t.b * t.tx - t.a * t.ty) / det,
    };
}

bool CGAffineTransformIsIdentity(CGAffineTransform t) { return t == CGAffineTransformIdentity; }
bool CGAffineTransformEqualToTransform(CGAffineTransform t1, CGAffineTransform t2) { return t1 == t2; }

CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t)
{
    return { t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty };
}

CGSize CGSizeApplyAffineTransform(CGSize s, CGAffineTransform t)
{
    return { t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height };
}

CGRect CGRectApplyAffineTransform(CGRect rect, CGAffineTransform t)
{
    if (CGRectIsNull(rect)) {
        return rect;
    }
    rect = CGRectStandardize(rect);
    const CGPoint corners[4] = {
        CGPointApplyAffineTransform(rect.origin, t),
        CGPointApplyAffineTransform({ CGRectGetMaxX(rect), rect.origin.y }, t),
        CGPointApplyAffineTransform({ rect.origin.x, CGRectGetMaxY(rect) }, t),
        CGPointApplyAffineTransform({ CGRectGetMaxX(rect), CGRectGetMaxY(rect) }, t),
    };
    CGFloat minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const CGPoint& c : corners) {
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y);
        maxY = std::max(maxY, c.y);
    }
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}
