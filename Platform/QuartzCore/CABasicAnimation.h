#pragma once

#include <optional>
#include <string>

#include "Platform/QuartzCore/CAAnimation.h"

// From one value to another. A missing fromValue starts at the model value (or the model value
// minus byValue); a missing toValue ends at the model value (or fromValue plus byValue).
class CABasicAnimation : public CAPropertyAnimation {
public:
    static std::shared_ptr<CABasicAnimation> animationWithKeyPath(const std::string& keyPath);
    [[nodiscard]] std::shared_ptr<CAAnimation> copy() const override;

    std::optional<CAValue> fromValue;
    std::optional<CAValue> toValue;
    std::optional<CAValue> byValue;

    CAValue valueAt(CGFloat fraction, const CAValue& modelValue) const override;
};
