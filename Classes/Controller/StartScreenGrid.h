#pragma once

#include "Platform/UIKit/UIInterfaceOrientation.h"

// Where the start screen's items go: the mega button first, then one item per listed connection,
// then (on a pad) the logo, laid out row by row across the pad's columns; blank cells fill the
// last row.
namespace StartScreenGrid {

enum class ItemKind { megaButton, connection, logo, blank };

// Three columns in portrait, four in landscape.
[[nodiscard]] int columnCount(UIInterfaceOrientation orientation);

// The number of items of a column of its own: ceil((items - column) / columns), written per
// column as the screen counts it.
[[nodiscard]] int ownItemCount(int items, int columns, int column);

// The rows of a column table: its own count, raised to the rows of the table to its left
// (rowsToTheLeft, ignored for column 0), so all columns are equally long; a column beyond the
// column count (the fourth in portrait) has none.
[[nodiscard]] int rowsInColumn(int items, int columns, int column, int rowsToTheLeft);

[[nodiscard]] constexpr int itemAt(int row, int column, int columns)
{
    return row * columns + column;
}

// The kind of an item of a list of `items`; the logo and blank cells exist on a pad only.
[[nodiscard]] ItemKind kindOf(int item, int items, bool pad);

} // namespace StartScreenGrid
