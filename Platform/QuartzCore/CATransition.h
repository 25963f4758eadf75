#pragma once

#include <string>

#include "Platform/QuartzCore/CAAnimation.h"

inline constexpr char kCATransitionFade[] = "fade";
inline constexpr char kCATransitionMoveIn[] = "moveIn";
inline constexpr char kCATransitionPush[] = "push";
inline constexpr char kCATransitionReveal[] = "reveal";
inline constexpr char kCATransitionFromRight[] = "fromRight";
inline constexpr char kCATransitionFromLeft[] = "fromLeft";
inline constexpr char kCATransitionFromTop[] = "fromTop";
inline constexpr char kCATransitionFromBottom[] = "fromBottom";

// A change of the whole layer's look: the layer's new content comes in over (or pushes away)
// a picture of how it looked when the transition was added.
class CATransition : public CAAnimation {
public:
    static std::shared_ptr<CATransition> animation();
    [[nodiscard]] std::shared_ptr<CAAnimation> copy() const override;

    std::string type { kCATransitionFade };
    std::string subtype;
};
