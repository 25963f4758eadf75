#include "Platform/QuartzCore/CABasicAnimation.h"

namespace {

// a + sign * b for values of one kind; a transform concatenates (sign -1: the inverse step is
// not needed by callers, so b is applied as given).
CAValue offset(const CAValue& a, const CAValue& b, CGFloat sign)
{
    if (a.index() != b.index()) {
        return a;
    }
    return std::visit(
        [&](const auto& va) -> CAValue {
            using T = std::decay_t<decltype(va)>;
            const T& vb = std::get<T>(b);
            if constexpr (std::is_same_v<T, CGFloat>) {
                return va + sign * vb;
            } else if constexpr (std::is_same_v<T, CGPoint>) {
                return CGPoint { va.x + sign * vb.x, va.y + sign * vb.y };
            } else if constexpr (std::is_same_v<T, CGSize>) {
                return CGSize { va.width + sign * vb.width, va.height + sign * vb.height };
            } else if constexpr (std::is_same_v<T, CGRect>) {
                return CGRectMake(va.origin.x + sign * vb.origin.x, va.origin.y + sign * vb.origin.y,
                                  va.size.width + sign * vb.size.width, va.size.height + sign * vb.size.height);
            } else {
                return sign > 0 ? CATransform3DConcat(va, vb) : va;
            }
        },
        a);
}

}

std::shared_ptr<CABasicAnimation> CABasicAnimation::animationWithKeyPath(const std::string& keyPath)
{
    auto animation = std::make_shared<CABasicAnimation>();
    animation->keyPath = keyPath;
    return animation;
}

std::shared_ptr<CAAnimation> CABasicAnimation::copy() const { return std::make_shared<CABasicAnimation>(*this); }

CAValue CABasicAnimation::valueAt(CGFloat fraction, const CAValue& modelValue) const
{
    CAValue from = modelValue;
    CAValue to = modelValue;
    if (fromValue && toValue) {
        from = *fromValue;
        to = *toValue;
    } else if (fromValue && byValue) {
        from = *fromValue;
        to = offset(*fromValue, *byValue, 1);
    } else if (byValue && toValue) {
        from = offset(*toValue, *byValue, -1);
        to = *toValue;
    } else if (fromValue) {
        from = *fromValue;
    } else if (toValue) {
        to = *toValue;
    } else if (byValue) {
        to = offset(modelValue, *byValue, 1);
    }
    return CAValueInterpolate(from, to, fraction);
}
