#pragma once

#include <string>

#include "Platform/UIKit/UIColor.h"

// The screens' accent colour: the user's colorScheme setting, "4CAA1E" until launch wrote it.
namespace AccentColor {

inline constexpr char kColorSchemeKey[] = "colorScheme";
inline constexpr char kDefaultColorScheme[] = "4CAA1E";

[[nodiscard]] std::string colorScheme();
[[nodiscard]] UIColorRef accentColor();

}
