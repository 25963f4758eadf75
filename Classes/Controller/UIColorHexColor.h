#pragma once

#include <optional>
#include <string_view>

#include "Platform/UIKit/UIColor.h"

// Colours from hexadecimal text, as the screens' accent colour is stored: three, six or eight hex
// digits with or without "#"; three are doubled, six get full opacity, characters after the
// eighth are ignored.
namespace UIColorHexColor {

// Black for text of any other form, so a hand-edited setting never leaves a screen without a colour.
[[nodiscard]] UIColorRef colorWithHexString(std::string_view text);

// The red, green, blue and alpha bytes of a text colorWithHexString reads; nothing for any other
// text (a wrong length after removing "#", or a character that is not a hexadecimal digit).
struct Components {
    unsigned red, green, blue, alpha;
};
[[nodiscard]] std::optional<Components> parseHexColor(std::string_view text);

}
