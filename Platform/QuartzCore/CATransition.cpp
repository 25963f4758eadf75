#include "Platform/QuartzCore/CATransition.h"

std::shared_ptr<CATransition> CATransition::animation() { return std::make_shared<CATransition>(); }
std::shared_ptr<CAAnimation> CATransition::copy() const { return std::make_shared<CATransition>(*this); }
