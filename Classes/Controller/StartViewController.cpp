#include "Classes/Controller/StartViewController.h"

#include <algorithm>
#include <ctime>

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/BookmarkCell.h"
#include "Classes/Controller/BusyAlert.h"
#include "Classes/Controller/ConnectAlert.h"
#include "Classes/Controller/EditConnectionController.h"
#include "Classes/Controller/MegaButtonImage.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/Controller/UILabelVerticalAlign.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UINib.h"

using StartScreenGrid::ItemKind;

namespace {

constexpr char kMaskPasswordsKey[] = "maskPasswords";
constexpr char kToggleFontOn[] = "HelveticaNeue-Bold";
constexpr char kToggleFontOff[] = "HelveticaNeue";
constexpr CGFloat kToggleFontSize = 13;
constexpr CGFloat kToggleCornerRadius = 4;
constexpr char kToggleColor[] = "6d6d6d";
constexpr char kRecentColor[] = "d9d9d9";

bool onPad()
{
    return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
}

// The column tables' frames on a pad, per orientation.
constexpr CGRect kPortraitFrames[3]
    = { { { 28, 50 }, { 230, 934 } }, { { 268, 50 }, { 230, 934 } }, { { 508, 50 }, { 230, 934 } } };
constexpr CGRect kLandscapeFrames[4] = { { { 35, 55 }, { 231, 655 } }, { { 275, 55 }, { 231, 655 } },
    { { 515, 55 }, { 231, 655 } }, { { 755, 55 }, { 231, 655 } } };

void show(UIView* view, bool shown)
{
    if (view != nullptr) view->setHidden(!shown);
}

void setTag(UIView* view, int tag)
{
    if (view != nullptr) view->setTag(tag);
}

std::int64_t secondsSince1970()
{
    return std::int64_t(NSDate::date().timeIntervalSince1970());
}

} // namespace

StartViewController::StartViewController()
    : UIViewController(onPad() ? "StartView" : "StartView_iPhone")
{
}

StartViewController::~StartViewController()
{
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

void StartViewController::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("contentView", contentView_);
    table.outlet("actConnect", actConnect_);
    table.outlet("tblConns1", tables_[0]);
    table.outlet("tblConns2", tables_[1]);
    table.outlet("tblConns3", tables_[2]);
    table.outlet("tblConns4", tables_[3]);
    table.action("btnConnectPressed:", [this](UIResponder* sender) { btnConnectPressed(sender); });
    table.action("btnCellBackPressed:", [this](UIResponder* sender) { btnCellBackPressed(sender); });
    table.action("btnEditPressed:", [this](UIResponder* sender) { btnEditPressed(sender); });
    table.action("btnShowBooksPressed:", [this](UIResponder* sender) { btnShowBooksPressed(sender); });
    table.action("btnShowLastPressed:", [this](UIResponder* sender) { btnShowLastPressed(sender); });
}

void StartViewController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(
        kClassName, "UIViewController", [] { return std::make_shared<StartViewController>(); });
}

// ---- Life cycle and rotation ------------------------------------------------------------

void StartViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    showLast_ = true;
    showBooks_ = true;
    if (contentView_ != nullptr) contentView_->setUserInteractionEnabled(true);
}

void StartViewController::viewDidUnload()
{
    UIViewController::viewDidUnload();
    clearOutlets();
}

void StartViewController::clearOutlets()
{
    contentView_ = nullptr;
    actConnect_ = nullptr;
    tables_ = {};
}

void StartViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    NSNotificationCenter& center = NSNotificationCenter::defaultCenter();
    center.removeObserver(this, UIApplicationWillEnterForegroundNotification);
    center.addObserver(std::static_pointer_cast<StartViewController>(selfRef()),
        UIApplicationWillEnterForegroundNotification, nullptr,
        [](StartViewController& screen, const NSNotification&) { screen.willEnterForeground(); });
    orientation_ = UIApplication::sharedApplication().statusBarOrientation();
    didRotateFromInterfaceOrientation(orientation_);
    NSLog("Will Appear!!!!");
}

void StartViewController::viewWillDisappear(bool animated)
{
    NSNotificationCenter::defaultCenter().removeObserver(this, UIApplicationWillEnterForegroundNotification);
    UIViewController::viewWillDisappear(animated);
}

void StartViewController::willEnterForeground()
{
    reloadTables();
}

void StartViewController::willAnimateRotationToInterfaceOrientationDuration(
    UIInterfaceOrientation orientation, double)
{
    orientation_ = orientation;
}

void StartViewController::didRotateFromInterfaceOrientation(UIInterfaceOrientation)
{
    if (onPad()) {
        const bool landscape = UIInterfaceOrientationIsLandscape(orientation_);
        for (int column = 0; column < 4; ++column) {
            UITableView* table = tables_[std::size_t(column)];
            if (table == nullptr) continue;
            if (landscape)
                table->setFrame(kLandscapeFrames[column]);
            else if (column < 3)
                table->setFrame(kPortraitFrames[column]);
            if (column == 3) table->setHidden(!landscape);
        }
    }
    reloadTables();
}

bool StartViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    return onPad() || !UIInterfaceOrientationIsLandscape(orientation);
}

unsigned StartViewController::supportedInterfaceOrientations()
{
    return onPad() ? UIInterfaceOrientationMaskAll : UIInterfaceOrientationMaskPortrait;
}

void StartViewController::reloadTables()
{
    for (UITableView* table : tables_)
        if (table != nullptr) table->reloadData();
    // A turn brings in a column that kept its own offset and leaves fewer rows below: every
    // column in use goes to the first one's offset, kept within the new end.
    UITableView* first = tables_[0];
    if (!onPad() || first == nullptr) return;
    const CGFloat end = std::max<CGFloat>(0, first->contentSize().height - first->bounds().size.height);
    const CGPoint offset = CGPointMake(first->contentOffset().x, std::clamp<CGFloat>(first->contentOffset().y, 0, end));
    syncingColumns_ = true;
    for (int column = 0; column < columnCount(); ++column) {
        UITableView* table = tables_[std::size_t(column)];
        if (table != nullptr && !(table->contentOffset() == offset)) table->setContentOffset(offset);
    }
    syncingColumns_ = false;
}

// ---- Items ------------------------------------------------------------------------------

int StartViewController::itemCount()
{
    ConnectionManager& store = ConnectionManager::sharedManager();
    // A cached read first brings the lists up to date after a write; the counts are then those
    // of the very lists the cells read their records from.
    (void)store.getConn(0);
    int items = 2;
    if (showBooks_) items += int(store.arrBookmarks().size());
    if (showLast_) items += int(store.arrLastConns().size());
    return items;
}

std::shared_ptr<QVConnection> StartViewController::connectionAt(int k) const
{
    ConnectionManager& store = ConnectionManager::sharedManager();
    if (showBooks_ && showLast_) return store.getConn(k);
    if (showLast_) return store.getLastConn(k);
    if (showBooks_) return store.getBookmark(k);
    return nullptr;
}

int StartViewController::columnOf(const UITableView* tableView) const
{
    for (int column = 0; column < 4; ++column)
        if (tables_[std::size_t(column)] == tableView) return column;
    return 0;
}

int StartViewController::columnCount() const
{
    return onPad() ? StartScreenGrid::columnCount(orientation_) : 1;
}

int StartViewController::itemFor(const UITableView* tableView, int row) const
{
    return StartScreenGrid::itemAt(row, columnOf(tableView), columnCount());
}

// ---- UITableViewDataSource --------------------------------------------------------------

int StartViewController::tableViewNumberOfRowsInSection(UITableView* tableView, int)
{
    const int items = itemCount();
    if (!onPad()) return items - 1; // no logo on a phone
    const int column = columnOf(tableView);
    UITableView* left = column > 0 ? tables_[std::size_t(column - 1)] : nullptr;
    const int rowsToTheLeft = left != nullptr ? left->numberOfRowsInSection(0) : 0;
    return StartScreenGrid::rowsInColumn(items, columnCount(), column, rowsToTheLeft);
}

std::shared_ptr<UITableViewCell> StartViewController::tableViewCellForRowAtIndexPath(
    UITableView* tableView, const NSIndexPath& indexPath)
{
    std::shared_ptr<BookmarkCell> cell = dequeueCell(tableView);
    if (!cell) return nullptr;
    cell->setBackgroundColor(UIColor::clearColor());
    cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
    const int items = itemCount();
    const int item = itemFor(tableView, indexPath.row);
    const ItemKind kind = StartScreenGrid::kindOf(item, items, onPad());
    if (kind == ItemKind::megaButton)
        setUpMegaButtonCell(*cell);
    else if (kind == ItemKind::connection)
        setUpConnectionCell(*cell, item);
    else
        setUpPlainCell(*cell, kind);
    return cell;
}

std::shared_ptr<BookmarkCell> StartViewController::dequeueCell(UITableView* tableView)
{
    if (auto reused = std::dynamic_pointer_cast<BookmarkCell>(
            tableView->dequeueReusableCellWithIdentifier(BookmarkCell::kReuseIdentifier)))
        return reused;
    try {
        if (!cellNib_) cellNib_ = UINib::nibWithNibName(onPad() ? "BookmarkCell" : "BookmarkCell_iPhone");
        for (const auto& object : cellNib_->instantiateWithOwner(this))
            if (auto cell = std::dynamic_pointer_cast<BookmarkCell>(object)) return cell;
    } catch (const std::exception& error) {
        NSLogf("Cannot make a connection cell: %s", error.what());
    }
    return nullptr;
}

void StartViewController::setUpPlainCell(BookmarkCell& cell, ItemKind kind) const
{
    for (UIView* view :
        std::initializer_list<UIView*> { cell.lblName, cell.lblHost, cell.lblUser, cell.lblPass,
            cell.lblUser2, cell.lblPass2, cell.btnBack, cell.btnEdit, cell.btnShowBooks, cell.btnShowLast,
            cell.btnConnect, cell.btnShowAll, cell.imgLine1, cell.imgLine2, cell.imgLine3, cell.imgLine4 })
        show(view, false);
    setTag(cell.btnBack, -1);
    setTag(cell.btnEdit, -1);
    show(cell.imgDino, kind == ItemKind::logo);
    if (kind == ItemKind::logo && cell.imgDino != nullptr)
        cell.imgDino->setBackgroundColor(AccentColor::accentColor());
}

void StartViewController::setUpMegaButtonCell(BookmarkCell& cell) const
{
    setUpPlainCell(cell, ItemKind::blank);
    if (cell.btnBack != nullptr) cell.btnBack->setBackgroundColor(UIColor::clearColor());
    show(cell.btnShowBooks, true);
    show(cell.btnShowLast, true);
    show(cell.btnConnect, true);
    if (cell.btnConnect != nullptr) {
        const std::string scheme = AccentColor::colorScheme();
        cell.btnConnect->setBackgroundImage(
            MegaButtonImage::imageForColorScheme(scheme), UIControlStateNormal);
        cell.btnConnect->setBackgroundColor(UIColor::colorWithWhite(0, 0));
        NSLogf("Set Mega Button image to %s", MegaButtonImage::imageNameForColorScheme(scheme).c_str());
    }
    const std::pair<UIButton*, bool> toggles[]
        = { { cell.btnShowBooks, showBooks_ }, { cell.btnShowLast, showLast_ } };
    for (const auto& [button, on] : toggles) {
        if (button == nullptr) continue;
        CALayer& layer = *button->layer();
        layer.setCornerRadius(kToggleCornerRadius);
        layer.setMasksToBounds(true);
        layer.setBorderWidth(0);
        button->setBackgroundColor(UIColorHexColor::colorWithHexString(kToggleColor));
        button->titleLabel()->setFont(
            UIFont::fontWithName(on ? kToggleFontOn : kToggleFontOff, kToggleFontSize));
    }
}

void StartViewController::setUpConnectionCell(BookmarkCell& cell, int item) const
{
    for (UIView* view : std::initializer_list<UIView*> { cell.btnShowBooks, cell.btnShowLast, cell.btnConnect,
             cell.btnShowAll, cell.imgLine1, cell.imgLine2, cell.imgLine3, cell.imgLine4, cell.imgDino })
        show(view, false);
    for (UIView* view : std::initializer_list<UIView*> { cell.lblName, cell.lblHost, cell.lblUser,
             cell.lblPass, cell.lblUser2, cell.lblPass2, cell.btnBack, cell.btnEdit })
        show(view, true);

    const std::shared_ptr<QVConnection> record = connectionAt(item - 1);
    // A record that vanished between the count and the fetch: the cell must not act on a row
    // id of an earlier use.
    if (!record) {
        setTag(cell.btnBack, -1);
        setTag(cell.btnEdit, -1);
        return;
    }
    UIColorRef background;
    UIColorRef text;
    if (showBooks_ && record->isBookmark()) {
        background = AccentColor::accentColor();
        text = UIColor::colorWithWhite(1.0, 1.0);
    } else if (showLast_ && !record->isBookmark()) {
        background = UIColorHexColor::colorWithHexString(kRecentColor);
        text = UIColor::colorWithWhite(0.0, 1.0);
    } else {
        return;
    }
    if (cell.btnBack != nullptr) cell.btnBack->setBackgroundColor(background);
    for (UILabel* label :
        { cell.lblHost, cell.lblName, cell.lblUser, cell.lblUser2, cell.lblPass, cell.lblPass2 })
        if (label != nullptr) label->setTextColor(text);

    if (cell.lblHost != nullptr) cell.lblHost->setText(utf8ToUtf16(record->host()));
    if (cell.lblName != nullptr) cell.lblName->setText(utf8ToUtf16(record->name()));
    if (cell.lblUser != nullptr) cell.lblUser->setText(utf8ToUtf16(record->username()));
    if (cell.lblPass != nullptr) {
        const std::u16string password = utf8ToUtf16(record->password());
        const bool mask = NSUserDefaults::standardUserDefaults().boolForKey(kMaskPasswordsKey);
        cell.lblPass->setText(mask ? std::u16string(password.size(), u'*') : password);
    }
    if (!onPad() && cell.lblName != nullptr) UILabelVerticalAlign::alignTop(*cell.lblName);
    cell.setTag(record->index());
    setTag(cell.btnBack, record->index());
    setTag(cell.btnEdit, record->index());
}

// ---- UITableViewDelegate ----------------------------------------------------------------

CGFloat StartViewController::tableViewHeightForRowAtIndexPath(UITableView*, const NSIndexPath&)
{
    return onPad() ? kPadRowHeight : kPhoneRowHeight;
}

NSIndexPathOptional StartViewController::tableViewWillSelectRowAtIndexPath(
    UITableView* tableView, const NSIndexPath& indexPath)
{
    if (tableView == tables_[0] && indexPath.row == 0) return std::nullopt;
    return indexPath;
}

void StartViewController::tableViewDidSelectRowAtIndexPath(
    UITableView* tableView, const NSIndexPath& indexPath)
{
    if (!onPad()) return;
    if (itemFor(tableView, indexPath.row) != itemCount() - 1) return;
    if (const auto url = NSURL::URLWithString(kMakerURL)) UIApplication::sharedApplication().openURL(*url);
}

void StartViewController::scrollViewDidScroll(UIScrollView* scrollView)
{
    // Every move of a column (drag, spring-back, deceleration, wheel, a set offset) moves the
    // others, or the rows stop lining up; the copies report back and are not copied again.
    if (!onPad() || scrollView == nullptr || syncingColumns_) return;
    const int columns = columnCount();
    const auto* scrolled = std::find(tables_.begin(), tables_.begin() + columns, scrollView);
    if (scrolled == tables_.begin() + columns) return;
    syncingColumns_ = true;
    const CGPoint offset = scrollView->contentOffset();
    for (int column = 0; column < columns; ++column) {
        UITableView* table = tables_[std::size_t(column)];
        if (table != nullptr && table != *scrolled && !(table->contentOffset() == offset)) table->setContentOffset(offset);
    }
    syncingColumns_ = false;
}

// ---- Actions ----------------------------------------------------------------------------

void StartViewController::btnShowBooksPressed(UIResponder*)
{
    showBooks_ = !showBooks_;
    reloadTables();
}

void StartViewController::btnShowLastPressed(UIResponder*)
{
    showLast_ = !showLast_;
    reloadTables();
}

void StartViewController::setSelectionAllowed(bool allowed)
{
    for (UITableView* table : tables_)
        if (table != nullptr) table->setAllowsSelection(allowed);
}

void StartViewController::btnCellBackPressed(UIResponder* sender)
{
    const auto* button = dynamic_cast<const UIView*>(sender);
    if (button == nullptr || button->tag() < 0 || connecting_) return;
    std::shared_ptr<QVConnection> record = ConnectionManager::sharedManager().getConnByID(button->tag());
    if (!record) {
        // Deleted since the cell was made: show the lists as they are now.
        NSLogf("Connection %d is no longer stored", button->tag());
        reloadTables();
        return;
    }
    NetworkManager& network = NetworkManager::sharedManager();
    if (network.isBusy()) {
        // Not this screen's connect (that one is ignored above, with its spinner turning).
        BusyAlert::show(BusyAlert::kConnectNotStarted);
        return;
    }
    network.setConnection(record);
    network.setDelegate(std::dynamic_pointer_cast<NetworkManagerDelegate>(selfRef()));
    setSelectionAllowed(false);
    connecting_ = true;
    if (actConnect_ != nullptr) actConnect_->startAnimating();
    if (contentView_ != nullptr) contentView_->setUserInteractionEnabled(false);
    if (!network.beginOperation(1, [] { NetworkManager::sharedManager().connect(); }))
        endConnecting();
}

void StartViewController::endConnecting()
{
    if (actConnect_ != nullptr) actConnect_->stopAnimating();
    if (contentView_ != nullptr) contentView_->setUserInteractionEnabled(true);
    setSelectionAllowed(true);
    connecting_ = false;
}

// ---- NetworkManagerDelegate -------------------------------------------------------------

bool StartViewController::respondsTo(Operation operation) const
{
    return operation == Operation::finishedConnectingwithCode;
}

void StartViewController::finishedConnectingwithCode(int code)
{
    endConnecting();
    NSLogf("connected with code %d", code);
    if (code != 0) {
        ConnectAlert::showForCode(code);
        return;
    }
    if (std::shared_ptr<QVConnection> record = NetworkManager::sharedManager().conn()) {
        record->setLastUse(secondsSince1970());
        ConnectionManager::sharedManager().updateConn(record);
    }
    ScreenMaker::pushScreenNamed(navigationController(), kDirectoryScreenClassName, true);
}

// ---- The connection form ----------------------------------------------------------------

void StartViewController::btnConnectPressed(UIResponder*)
{
    openForm(nullptr, 0, EditConnectionController::kTagNew);
}

void StartViewController::btnEditPressed(UIResponder* sender)
{
    const auto* button = dynamic_cast<const UIView*>(sender);
    if (button == nullptr || button->tag() < 0) return;
    std::shared_ptr<QVConnection> record = ConnectionManager::sharedManager().getConnByID(button->tag());
    if (!record) {
        NSLogf("Connection %d is no longer stored", button->tag());
        reloadTables();
        return;
    }
    openForm(std::move(record), button->tag(), EditConnectionController::kTagEdit);
}

void StartViewController::openForm(std::shared_ptr<QVConnection> record, int bookID, int tag)
{
    auto form = std::make_shared<EditConnectionController>();
    form->setModalTransitionStyle(UIModalTransitionStyleCoverVertical);
    form->setModalPresentationStyle(UIModalPresentationFormSheet);
    form->setStartView(std::static_pointer_cast<StartViewController>(selfRef()));
    form->setBookmark(std::move(record));
    form->setBookID(bookID);
    form->setTag(tag);
    presentModalViewControllerAnimated(form, true);
}
