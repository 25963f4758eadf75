#pragma once

#include <string>

#include "Platform/UIKit/UIImage.h"

// The start screen's mega button picture for an accent colour.
namespace MegaButtonImage {

// "LXPH_MegaButton_%@.png" filled with the colour value.
[[nodiscard]] std::string imageNameForColorScheme(const std::string& colorScheme);

// The bundle's picture of that name; for a colour without one (a user's own colorScheme) the
// same artwork drawn now in that colour, so every colour gets a button. A value that is no
// colour draws in the default accent colour.
[[nodiscard]] UIImageRef imageForColorScheme(const std::string& colorScheme);

}
