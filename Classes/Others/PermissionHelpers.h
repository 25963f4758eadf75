#pragma once

// Small readers of permission values as listings and SFTP report them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Connection {

// YES when a permission text starts with "d"; an empty text is no directory.
[[nodiscard]] bool isDirectory(std::string_view permissions);

// YES when any execute bit (owner 0x40, group 0x8, other 0x1) of a mode is set.
[[nodiscard]] bool isExecutable(std::uint64_t mode);

// The mode bits of a long-listing permission text, special bits included: "s"/"t" are set-id
// or sticky with execute, "S"/"T" without it ("-rwsr-x--T" gives 05750). nullopt for anything
// that is not ten such characters. The one reader of permission texts for every listing.
[[nodiscard]] std::optional<unsigned> modeOfPermissions(std::string_view text);

// "rwxr-xr--" style: the nine permission bits of a mode, owner first.
[[nodiscard]] std::string permissionsStringValue(std::uint64_t mode);

} // namespace Connection
