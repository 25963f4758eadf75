#pragma once

#include <memory>

#include "Platform/UIKit/NSIndexPath.h"

class UITableView;
class UITableViewCell;

// Where a table gets its rows. The row count and the cell are required; a table has one section
// unless the source says otherwise.
class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(UITableView* tableView) { return 1; }
    virtual int tableViewNumberOfRowsInSection(UITableView* tableView, int section) = 0;
    // A cell for the row, dequeued for reuse or made new. A source that answers none gets a blank
    // row: the table shows nothing there and asks again only once the row has left the screen.
    virtual std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* tableView,
                                                                            const NSIndexPath& indexPath)
        = 0;
};
