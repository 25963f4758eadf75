#pragma once

#include <array>
#include <memory>
#include <string>

#include "Classes/Controller/StartScreenGrid.h"
#include "Classes/Others/NetworkManagerDelegate.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIViewController.h"

class BookmarkCell;
class QVConnection;
class UIActivityIndicatorView;
class UIButton;
class UINib;

// The first working screen: the mega button for a new connection, the stored bookmarks and
// recent connections, and on a pad the logo cell. A phone shows one table; a pad three columns
// in portrait and four in landscape, the items running across them row by row and the columns
// scrolling together. A connection's cell connects (then the directory screen comes) or opens
// the connection form on it. Main thread only.
class StartViewController : public UIViewController,
                            public UITableViewDataSource,
                            public UITableViewDelegate,
                            public NetworkManagerDelegate {
public:
    static constexpr char kClassName[] = "StartViewController";
    static constexpr char kDirectoryScreenClassName[] = "DirListController";
    static constexpr char kMakerURL[] = "http://www.lexiphant.com/";
    static constexpr CGFloat kPadRowHeight = 170;
    static constexpr CGFloat kPhoneRowHeight = 110;

    StartViewController();
    ~StartViewController() override;

    [[nodiscard]] UIView* contentView() const { return contentView_; }
    [[nodiscard]] UIActivityIndicatorView* actConnect() const { return actConnect_; }
    // Column c's table (0 to 3); null for one the interface lacks (the phone has only the first).
    [[nodiscard]] UITableView* tblConns(int column) const { return tables_[std::size_t(column)]; }
    [[nodiscard]] bool connecting() const { return connecting_; }
    [[nodiscard]] bool showBooks() const { return showBooks_; }
    [[nodiscard]] bool showLast() const { return showLast_; }
    [[nodiscard]] UIInterfaceOrientation layoutOrientation() const { return orientation_; }

    // The number of items: the mega button, the listed connections and the logo.
    [[nodiscard]] int itemCount();
    // Reloads the column tables left to right, so each raises its rows to its left neighbour's.
    void reloadTables();

    // Actions of the cells' buttons (the sender's tag is the connection's row id).
    void btnConnectPressed(UIResponder* sender);
    void btnCellBackPressed(UIResponder* sender);
    void btnEditPressed(UIResponder* sender);
    void btnShowBooksPressed(UIResponder* sender);
    void btnShowLastPressed(UIResponder* sender);
    void willEnterForeground();

    // UIViewController
    void viewDidLoad() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void willAnimateRotationToInterfaceOrientationDuration(
        UIInterfaceOrientation orientation, double duration) override;
    void didRotateFromInterfaceOrientation(UIInterfaceOrientation fromOrientation) override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override;
    [[nodiscard]] bool shouldAutorotate() override { return true; }
    [[nodiscard]] unsigned supportedInterfaceOrientations() override;

    // UITableViewDataSource
    int tableViewNumberOfRowsInSection(UITableView* tableView, int section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView* tableView, const NSIndexPath& indexPath) override;

    // UITableViewDelegate
    CGFloat tableViewHeightForRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;
    NSIndexPathOptional tableViewWillSelectRowAtIndexPath(
        UITableView* tableView, const NSIndexPath& indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;
    void scrollViewDidScroll(UIScrollView* scrollView) override;

    // NetworkManagerDelegate
    [[nodiscard]] bool respondsTo(Operation operation) const override;
    void finishedConnectingwithCode(int code) override;

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    [[nodiscard]] int columnOf(const UITableView* tableView) const;
    [[nodiscard]] int columnCount() const;
    // The item a row of a table shows.
    [[nodiscard]] int itemFor(const UITableView* tableView, int row) const;
    // The k-th listed connection, from the list the toggles choose.
    [[nodiscard]] std::shared_ptr<QVConnection> connectionAt(int k) const;
    [[nodiscard]] std::shared_ptr<BookmarkCell> dequeueCell(UITableView* tableView);
    void setUpMegaButtonCell(BookmarkCell& cell) const;
    void setUpConnectionCell(BookmarkCell& cell, int item) const;
    void setUpPlainCell(BookmarkCell& cell, StartScreenGrid::ItemKind kind) const;
    void setSelectionAllowed(bool allowed);
    // Back from connecting: touches, selection and the spinner as before.
    void endConnecting();
    void openForm(std::shared_ptr<QVConnection> record, int bookID, int tag);
    void clearOutlets();

    UIView* contentView_ { nullptr }; // outlets: the view tree owns them
    UIActivityIndicatorView* actConnect_ { nullptr };
    std::array<UITableView*, 4> tables_ {};
    std::shared_ptr<UINib> cellNib_; // read once, instantiated for every new cell
    bool connecting_ { false };
    // Set while one column's offset is being copied to the others, which report it back.
    bool syncingColumns_ { false };
    bool showBooks_ { false };
    bool showLast_ { false };
    UIInterfaceOrientation orientation_ { UIInterfaceOrientationPortrait };
};
