#pragma once

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/NSIndexPath.h"
#include "Platform/UIKit/UIScrollViewDelegate.h"

class UITableView;
class UITableViewCell;

// What a table asks and tells its delegate, which is also its scroll-view delegate. Every
// operation is optional; each default body is what the table does for a delegate that does not
// implement the operation, so "responds" needs no separate query here.
class UITableViewDelegate : public UIScrollViewDelegate {
public:
    // Not implemented: every row is the table's rowHeight high. Heights are asked at reloadData
    // and kept until the next.
    virtual CGFloat tableViewHeightForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath);
    // Not implemented: the touched row is selected. An answer of none vetoes the selection; another
    // path selects that row instead.
    virtual NSIndexPathOptional tableViewWillSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath)
    {
        return indexPath;
    }
    virtual void tableViewDidSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) { }
    // Not implemented: the old selection is deselected.
    virtual NSIndexPathOptional tableViewWillDeselectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath)
    {
        return indexPath;
    }
    virtual void tableViewDidDeselectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) { }
    // Just before a cell comes on screen for the row.
    virtual void tableViewWillDisplayCellForRowAtIndexPath(UITableView* tableView, UITableViewCell* cell,
                                                           const NSIndexPath& indexPath)
    {
    }
};
