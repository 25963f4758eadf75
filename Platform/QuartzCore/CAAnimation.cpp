#include "Platform/QuartzCore/CAAnimation.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

CGFloat lerp(CGFloat a, CGFloat b, CGFloat t) { return a + (b - a) * t; }

struct Decomposed {
    CGFloat tx, ty, sx, sy, angle;
};

Decomposed decompose(const CATransform3D& m)
{
    const CGFloat sx = std::hypot(m.m11, m.m12);
    const CGFloat angle = std::atan2(m.m12, m.m11);
    const CGFloat det = m.m11 * m.m22 - m.m12 * m.m21;
    const CGFloat sy = sx != 0 ? det / sx : std::hypot(m.m21, m.m22);
    return { m.m41, m.m42, sx, sy, angle };
}

CATransform3D recompose(const Decomposed& d)
{
    const CGFloat c = std::cos(d.angle), s = std::sin(d.angle);
    CATransform3D t;
    t.m11 = d.sx * c;
    t.m12 = d.sx * s;
    t.m21 = -d.sy * s;
    t.m22 = d.sy * c;
    t.m41 = d.tx;
    t.m42 = d.ty;
    return t;
}

CATransform3D interpolateTransform(const CATransform3D& a, const CATransform3D& b, CGFloat t)
{
    if (CATransform3DIsAffine(a) && CATransform3DIsAffine(b)) {
        // Interpolating the parts keeps rotations and scales whole on the way.
        const Decomposed da = decompose(a), db = decompose(b);
        CGFloat angleB = db.angle;
        while (angleB - da.angle > M_PI) angleB -= 2 * M_PI;
        while (angleB - da.angle < -M_PI) angleB += 2 * M_PI;
        return recompose({ lerp(da.tx, db.tx, t), lerp(da.ty, db.ty, t), lerp(da.sx, db.sx, t), lerp(da.sy, db.sy, t),
                           lerp(da.angle, angleB, t) });
    }
    const CGFloat* pa = &a.m11;
    const CGFloat* pb = &b.m11;
    CATransform3D r;
    CGFloat* pr = &r.m11;
    for (int i = 0; i < 16; ++i) {
        pr[i] = lerp(pa[i], pb[i], t);
    }
    return r;
}

}

CAValue CAValueInterpolate(const CAValue& a, const CAValue& b, CGFloat t)
{
    if (a.index() != b.index()) {
        return b;
    }
    return std::visit(
        [&](const auto& va) -> CAValue {
            using T = std::decay_t<decltype(va)>;
            const T& vb = std::get<T>(b);
            if constexpr (std::is_same_v<T, CGFloat>) {
                return lerp(va, vb, t);
            } else if constexpr (std::is_same_v<T, CGPoint>) {
                return CGPoint { lerp(va.x, vb.x, t), lerp(va.y, vb.y, t) };
            } else if constexpr (std::is_same_v<T, CGSize>) {
                return CGSize { lerp(va.width, vb.width, t), lerp(va.height, vb.height, t) };
            } else if constexpr (std::is_same_v<T, CGRect>) {
                return CGRectMake(lerp(va.origin.x, vb.origin.x, t), lerp(va.origin.y, vb.origin.y, t),
                                  lerp(va.size.width, vb.size.width, t), lerp(va.size.height, vb.size.height, t));
            } else {
                return interpolateTransform(va, vb, t);
            }
        },
        a);
}

bool CAAnimation::repeatsForever() const
{
    return std::isinf(repeatCount) || repeatCount >= FLT_MAX;
}

CGFloat CAAnimation::activeDuration() const
{
    if (repeatsForever()) {
        return std::numeric_limits<CGFloat>::infinity();
    }
    return effectiveDuration() * (repeatCount > 0 ? repeatCount : 1);
}

std::optional<CGFloat> CAAnimation::progressAt(CGFloat now) const
{
    const CGFloat local = now - beginTime;
    const CGFloat active = activeDuration();
    const bool fillsBackwards = fillMode == kCAFillModeBackwards || fillMode == kCAFillModeBoth;
    const bool fillsForwards = fillMode == kCAFillModeForwards || fillMode == kCAFillModeBoth;
    CGFloat fraction = 0;
    if (local < 0) {
        if (!fillsBackwards) {
            return std::nullopt;
        }
        fraction = 0;
    } else if (local >= active) {
        if (!fillsForwards) {
            return std::nullopt;
        }
        // The end of the last iteration (a partial last iteration stops where it is).
        const CGFloat iterations = repeatCount > 0 ? repeatCount : 1;
        const CGFloat partial = iterations - std::floor(iterations);
        fraction = partial > 0 ? partial : 1;
    } else {
        const CGFloat d = effectiveDuration();
        fraction = std::fmod(local, d) / d;
    }
    return timingFunction ? timingFunction->evaluate(fraction) : fraction;
}
