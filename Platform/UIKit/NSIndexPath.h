#pragma once

#include <compare>
#include <optional>

// A row of a table: its section and its row within the section. Compared by value, in table
// order. Where the platform answers nil (no row, a vetoed selection), the interface answers an
// empty std::optional<NSIndexPath>.
struct NSIndexPath {
    int section { 0 };
    int row { 0 };

    [[nodiscard]] static constexpr NSIndexPath indexPathForRow(int row, int section) { return NSIndexPath { section, row }; }

    friend constexpr bool operator==(const NSIndexPath&, const NSIndexPath&) = default;
    friend constexpr auto operator<=>(const NSIndexPath&, const NSIndexPath&) = default;
};

using NSIndexPathOptional = std::optional<NSIndexPath>;
