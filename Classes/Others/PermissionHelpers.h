#pragma once

// Small readers of permission values as listings and SFTP report them.

#include <cstdint>
#include <string>
#include <string_view>

namespace Connection {

// YES when a permission text starts with "d"; an empty text is no directory.
[[nodiscard]] bool isDirectory(std::string_view permissions);

// YES when any execute bit (owner 0x40, group 0x8, other 0x1) of a mode is set.
[[nodiscard]] bool isExecutable(std::uint64_t mode);

// "rwxr-xr--" style: the nine permission bits of a mode, owner first.
[[nodiscard]] std::string permissionsStringValue(std::uint64_t mode);

} // namespace Connection
