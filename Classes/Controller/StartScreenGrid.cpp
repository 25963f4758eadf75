#include "Classes/Controller/StartScreenGrid.h"

#include <algorithm>

namespace StartScreenGrid {

int columnCount(UIInterfaceOrientation orientation)
{
    return UIInterfaceOrientationIsLandscape(orientation) ? 4 : 3;
}

int ownItemCount(int items, int columns, int column)
{
    switch (column) {
    case 0:
        return (items - 1) / columns + 1;
    case 1:
        return (items + columns - 2) / columns;
    case 2:
        return (items + columns - 3) / columns;
    default:
        return items / 4;
    }
}

int rowsInColumn(int items, int columns, int column, int rowsToTheLeft)
{
    if (column >= columns) return 0;
    const int own = ownItemCount(items, columns, column);
    return column == 0 ? own : std::max(own, rowsToTheLeft);
}

ItemKind kindOf(int item, int items, bool pad)
{
    if (pad && item == items - 1) return ItemKind::logo;
    if (pad && item >= items) return ItemKind::blank;
    return item == 0 ? ItemKind::megaButton : ItemKind::connection;
}

} // namespace StartScreenGrid
