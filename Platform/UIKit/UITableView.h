#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/NSIndexPath.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITableViewDataSource.h"
#include "Platform/UIKit/UITableViewDelegate.h"

class UIClassRegistry;

enum UITableViewStyle : int {
    UITableViewStylePlain = 0,
    UITableViewStyleGrouped = 1,
};

// A vertical list of rows in the plain style. The row counts and heights are read from the data
// source and the delegate at reloadData (or the first layout) and kept until the next reload, so
// a source that changes its array in between is still asked only for rows it counted. Only the
// rows on screen hold cells: rows scrolled away give their cells back to a pool per reuse
// identifier, from which dequeueReusableCellWithIdentifier hands them out again. A touch that
// lifts on a row without scrolling selects it (through will-select, which may veto). Separator
// lines run across the full width at the foot of every row and, as the plain style does, on
// below the last row at the default row pitch. The data source and the delegate (also the
// scroll-view delegate) are not owned.
class UITableView : public UIScrollView {
public:
    static constexpr CGFloat kDefaultRowHeight = 44;

    explicit UITableView(CGRect frame = CGRectZero, UITableViewStyle style = UITableViewStylePlain);
    ~UITableView() override;

    [[nodiscard]] UITableViewStyle style() const { return style_; }

    [[nodiscard]] std::shared_ptr<UITableViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(std::weak_ptr<UITableViewDataSource> dataSource);
    [[nodiscard]] std::shared_ptr<UITableViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<UITableViewDelegate> delegate);

    // Data.
    void reloadData();
    // The cached counts (read at reloadData, or now when the table has never loaded).
    [[nodiscard]] int numberOfSections();
    [[nodiscard]] int numberOfRowsInSection(int section);

    // Geometry.
    [[nodiscard]] CGFloat rowHeight() const { return rowHeight_; }
    void setRowHeight(CGFloat height);
    [[nodiscard]] CGRect rectForRowAtIndexPath(const NSIndexPath& indexPath);
    [[nodiscard]] NSIndexPathOptional indexPathForRowAtPoint(CGPoint point);

    // Separators.
    [[nodiscard]] UITableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
    void setSeparatorStyle(UITableViewCellSeparatorStyle style);
    [[nodiscard]] const UIColorRef& separatorColor() const { return separatorColor_; }
    void setSeparatorColor(UIColorRef color);

    // Cells.
    [[nodiscard]] UITableViewCellRef dequeueReusableCellWithIdentifier(const std::string& identifier);
    // The cell on screen for the row; none for a row off screen or left blank.
    [[nodiscard]] UITableViewCellRef cellForRowAtIndexPath(const NSIndexPath& indexPath) const;
    [[nodiscard]] NSIndexPathOptional indexPathForCell(const UITableViewCell* cell) const;
    // The cells on screen, top to bottom.
    [[nodiscard]] std::vector<UITableViewCellRef> visibleCells() const;
    [[nodiscard]] std::vector<NSIndexPath> indexPathsForVisibleRows() const;

    // Selection. Code selects and deselects without asking or telling the delegate.
    [[nodiscard]] bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool allows);
    [[nodiscard]] NSIndexPathOptional indexPathForSelectedRow() const { return selected_; }
    void selectRowAtIndexPath(const NSIndexPathOptional& indexPath, bool animated);
    void deselectRowAtIndexPath(const NSIndexPath& indexPath, bool animated);

    // Number of cells made through the data source since the last reload (for tests of reuse).
    [[nodiscard]] int cellsRequested() const { return cellsRequested_; }

    void layoutSubviews() override;
    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

    // Registers UITableView for interface files.
    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void contentOffsetDidChange() override;

private:
    class SeparatorFiller;

    void loadCounts();
    void ensureLoaded();
    // Puts cells on the rows now on screen and recycles the others.
    void tileRows();
    void recycle(const UITableViewCellRef& cell);
    void recycleAll();
    void applySeparator(UITableViewCell& cell) const;
    void placeFiller();
    void selectRowByUser(const NSIndexPath& indexPath);
    [[nodiscard]] int rowAtContentY(CGFloat y) const;
    [[nodiscard]] int totalRows() const { return int(rowTops_.size()) - 1; }

    UITableViewStyle style_ { UITableViewStylePlain };
    std::weak_ptr<UITableViewDataSource> dataSource_;
    std::weak_ptr<UITableViewDelegate> delegate_;
    CGFloat rowHeight_ { kDefaultRowHeight };
    UITableViewCellSeparatorStyle separatorStyle_ { UITableViewCellSeparatorStyleSingleLine };
    UIColorRef separatorColor_;
    bool allowsSelection_ { true };

    // The one section's cached rows: the top of every row and, last, the content's foot.
    bool loaded_ { false };
    int sections_ { 0 };
    std::vector<CGFloat> rowTops_ { 0 };

    // Rows on screen and their cells (none for a blank row).
    std::map<int, UITableViewCellRef> visible_;
    std::map<std::string, std::vector<UITableViewCellRef>> reusePool_;
    std::shared_ptr<SeparatorFiller> filler_;
    NSIndexPathOptional selected_;
    bool tiling_ { false };
    bool tileAgain_ { false };
    int cellsRequested_ { 0 };

    // The touch that may select a row: the row it went down on.
    NSIndexPathOptional touchRow_;
};
