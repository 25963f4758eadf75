#include "Classes/Controller/DirListController.h"

#include <algorithm>
#include <cassert>

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/AddPopover.h"
#include "Classes/Controller/RoundedButton.h"
#include "Classes/Controller/AlertPrompt.h"
#include "Classes/Controller/DirListCell.h"
#include "Classes/Controller/DirListText.h"
#include "Classes/Controller/DirectoryPopover.h"
#include "Classes/Controller/FailureReason.h"
#include "Classes/Controller/FileEntryScreen.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CAMediaTimingFunction.h"
#include "Platform/QuartzCore/CATransition.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UISwipeGestureRecognizer.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITextField.h"

namespace {

constexpr char kOpenAllKey[] = "openAll";
constexpr char kTitleFont[] = "LexitypeNeue-Bold";
constexpr char kGrey[] = "6d6d6d";
constexpr CGFloat kSpinnerSize = 37;
constexpr int kLastListedKind = 22;
// A tap on an entry whose name cannot be sent to the server.
constexpr char kLineBreakNameText[]
    = "'%name' cannot be opened: its name holds a line break, which cannot be sent to the server. "
      "Rename it with another program to open it here.";
constexpr char kControlCharacterNameText[]
    = "'%name' cannot be opened over FTP: its name holds a tab or another control character, which an "
      "FTP address cannot carry. Rename it (touch and hold its row) to open it here.";

bool onPad() { return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad; }

std::string nibNameForDevice(const std::string& name) { return onPad() ? name : name + "_iPhone"; }

void place(UIView* view, CGRect portrait, CGRect landscape, bool isPortrait)
{
    if (view != nullptr)
        view->setFrame(isPortrait ? portrait : landscape);
}

void styleButton(UIButton* button, CGFloat fontSize, UIColorRef background)
{
    RoundedButton::style(button, kTitleFont, fontSize, std::move(background));
}

// Ends the change-over without the layer's retained animation keeping the screen alive.
class ChangeOverDelegate : public CAAnimationDelegate {
public:
    explicit ChangeOverDelegate(std::weak_ptr<DirListController> screen) : screen_(std::move(screen)) { }
    void animationDidStop(const CAAnimation&, bool finished) override
    {
        if (auto screen = screen_.lock())
            screen->animationDidStop(finished);
    }

private:
    std::weak_ptr<DirListController> screen_;
};

}

DirListController::DirListController(const std::string&)
    : UIViewController(nibNameForDevice(kClassName))
    , dateFormatter_(std::make_unique<NSDateFormatter>())
{
    dateFormatter_->setDateStyle(NSDateFormatterShortStyle);
    dateFormatter_->setTimeStyle(NSDateFormatterShortStyle);
}

DirListController::~DirListController() = default;

std::shared_ptr<DirListController> DirListController::selfScreen()
{
    return std::dynamic_pointer_cast<DirListController>(shared_from_this());
}

void DirListController::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("tblDirectory", tblDirectory_);
    table.outlet("tblTemp", tblTemp_);
    table.outlet("activity", activity_);
    table.outlet("btnUp", btnUp_);
    table.outlet("btnAdd", btnAdd_);
    table.outlet("btnUpArrow", btnUpArrow_);
    table.outlet("btnHome", btnHome_);
    table.outlet("lblFolder", lblFolder_);
    table.outlet("progressView", progressView_);
    table.outlet("imgLine1", imgLine1_);
    table.outlet("imgLine2", imgLine2_);
    table.outlet("lblFile", lblFile_);
    table.outlet("lblDate", lblDate_);
    table.outlet("lblSize", lblSize_);
    table.action("btnUpPressed:", [this](UIResponder* sender) { btnUpPressed(sender); });
    table.action("btnHomePressed", [this] { btnHomePressed(); });
    table.action("btnAddPressed:", [this](UIResponder* sender) { btnAddPressed(sender); });
    table.action("actTouched", [this] { actTouched(); });
}

bool DirListController::isBusy() const { return activityOn_ || NetworkManager::sharedManager().isBusy(); }

// ---- Appearance --------------------------------------------------------------------------------

void DirListController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    if (onPad()) {
        auto add = std::make_shared<AddPopover>();
        add->setParentController(selfScreen());
        addPopover_ = std::make_shared<UIPopoverController>(add);
        addPopover_->setPopoverContentSize(AddPopover::kContentSize);
    }
    if (!listDirEntries_)
        listDirEntries_ = std::make_shared<NetworkManager::Entries>();
    assert(listDirEntries_ != nullptr && "self.listDirEntries != nil");
    NetworkManager& manager = NetworkManager::sharedManager();
    manager.setDelegate(std::static_pointer_cast<NetworkManagerDelegate>(selfScreen()));
    startActivity();
    if (const auto connection = manager.conn())
        setTitle(connection->name());
    listDirEntries_ = manager.curDirListening();
    receivedFiles();
}

void DirListController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    NetworkManager::sharedManager().setDelegate(std::static_pointer_cast<NetworkManagerDelegate>(selfScreen()));
    const UIColorRef grey = UIColorHexColor::colorWithHexString(kGrey);
    const UIColorRef accent = AccentColor::accentColor();
    styleButton(btnUp_, 34, grey);
    styleButton(btnAdd_, 24, accent);
    styleButton(btnHome_, 28, grey);
    if (lblFolder_ != nullptr)
        lblFolder_->setTextColor(grey);
    if (progressView_ != nullptr)
        progressView_->setProgressTintColor(accent);
    // One swipe recogniser for the screen's life: a second one would only compete with the first.
    if (tblDirectory_ != nullptr && !swipe_) {
        std::weak_ptr<DirListController> weak = selfScreen();
        auto swipe = std::make_shared<UISwipeGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
            if (auto screen = weak.lock())
                screen->swiped(recognizer);
        });
        swipe->setDirection(UISwipeGestureRecognizerDirectionRight);
        tblDirectory_->addGestureRecognizer(swipe);
        swipe_ = swipe;
    }
    didRotateFromInterfaceOrientation(UIInterfaceOrientation(0));
}

void DirListController::viewDidUnload()
{
    UIViewController::viewDidUnload();
    tblDirectory_ = nullptr;
    tblTemp_ = nullptr;
    listDirEntries_.reset();
    activity_ = nullptr;
    addPopover_.reset();
    btnUp_ = nullptr;
    btnHome_ = nullptr;
    btnAdd_ = nullptr;
    btnUpArrow_ = nullptr;
    lblFolder_ = nullptr;
    imgLine1_ = nullptr;
    imgLine2_ = nullptr;
    lblFile_ = nullptr;
    lblDate_ = nullptr;
    lblSize_ = nullptr;
    progressView_ = nullptr;
    swipe_.reset();
}

void DirListController::layoutForOrientation()
{
    const bool portrait = UIInterfaceOrientationIsPortrait(interfaceOrientation());
    // Sideways the tables start as close below the column header's line as upright (the header
    // moves down 5 pt, not 21) and keep their foot, so no empty band opens above the first row.
    place(tblDirectory_, CGRectMake(29, 133, 715, 839), CGRectMake(36, 138, 950, 572), portrait);
    place(tblTemp_, CGRectMake(29, 133, 715, 839), CGRectMake(36, 138, 950, 572), portrait);
    place(imgLine1_, CGRectMake(30, 88, 709, 1), CGRectMake(36, 93, 950, 1), portrait);
    place(imgLine2_, CGRectMake(30, 126, 709, 1), CGRectMake(36, 131, 950, 1), portrait);
    place(btnAdd_, CGRectMake(605, 51, 133, 30), CGRectMake(852, 56, 133, 30), portrait);
    place(btnHome_, CGRectMake(108, 51, 41, 30), CGRectMake(114, 56, 41, 30), portrait);
    place(btnUp_, CGRectMake(45, 51, 50, 30), CGRectMake(51, 56, 50, 30), portrait);
    place(btnUpArrow_, CGRectMake(30, 51, 20, 30), CGRectMake(36, 56, 20, 30), portrait);
    place(lblFile_, CGRectMake(76, 93, 76, 31), CGRectMake(83, 97, 76, 31), portrait);
    place(lblDate_, CGRectMake(343, 93, 256, 31), CGRectMake(599, 97, 256, 31), portrait);
    place(lblSize_, CGRectMake(620, 93, 63, 31), CGRectMake(874, 97, 63, 31), portrait);
    place(lblFolder_, CGRectMake(159, 51, 400, 30), CGRectMake(165, 56, 400, 30), portrait);
}

// The Rename/Delete popover points at the pressed row where the table now shows it (a turn
// lays the table out anew), at the pressed place along the row.
void DirListController::pointDirPopoverAtPressedRow()
{
    const std::shared_ptr<UITableView> table = pressedTable_.lock();
    if (!dirPopover_ || !table || tag_ < 0) return;
    const CGRect row = table->rectForRowAtIndexPath(NSIndexPath::indexPathForRow(tag_, 0));
    const CGFloat x = std::clamp(pressedInRow_.x, CGFloat(0), std::max(CGFloat(0), row.size.width - 1));
    const CGFloat y = std::clamp(pressedInRow_.y, CGFloat(0), std::max(CGFloat(0), row.size.height - 1));
    dirPopover_->presentPopoverFromRectInView(CGRectMake(row.origin.x + x, row.origin.y + y, 1, 1), table.get(),
                                              UIPopoverArrowDirectionLeft, true);
}

void DirListController::didRotateFromInterfaceOrientation(UIInterfaceOrientation)
{
    if (onPad())
        layoutForOrientation();
    if (dirPopover_ && dirPopover_->isPopoverVisible())
        pointDirPopoverAtPressedRow();
    if (lblFolder_ != nullptr && lblFolder_->font())
        NSLogf("FONT SIZE: %f", double(lblFolder_->font()->pointSize()));
    if (tblDirectory_ != nullptr)
        tblDirectory_->reloadData();
}

bool DirListController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    return onPad() || !UIInterfaceOrientationIsLandscape(orientation);
}

unsigned DirListController::supportedInterfaceOrientations()
{
    return onPad() ? UIInterfaceOrientationMaskAll : UIInterfaceOrientationMaskPortrait;
}

// ---- The listing -------------------------------------------------------------------------------

void DirListController::sortAndPrune(NetworkManager::Entries& entries)
{
    // Each name is converted once, not at every comparison.
    struct Keyed {
        std::u16string name;
        std::shared_ptr<FileEntry> entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (auto& entry : entries) {
        if (entry->name() != "." && entry->name() != "..")
            keyed.push_back({ utf8ToUtf16(entry->name()), std::move(entry) });
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return caseInsensitiveCompare(std::u16string_view(a.name), std::u16string_view(b.name)) == NSOrderedAscending;
    });
    std::stable_partition(keyed.begin(), keyed.end(), [](const Keyed& k) { return k.entry->isDirectory(); });
    entries.clear();
    for (auto& k : keyed)
        entries.push_back(std::move(k.entry));
}

void DirListController::receivedFiles()
{
    stopActivity();
    NetworkManager& manager = NetworkManager::sharedManager();
    listDirEntries_ = manager.curDirListening();
    if (!listDirEntries_)
        listDirEntries_ = std::make_shared<NetworkManager::Entries>();
    sortAndPrune(*listDirEntries_);

    const std::string dir = manager.getWorkDir();
    for (const auto& entry : *listDirEntries_)
        if (entry->isLink() && folderLinks_.count(stringByAppendingPathComponent(dir, entry->name())) > 0)
            entry->setLinksToFolder(true);
    const auto connection = manager.conn();
    std::string folder = dir;
    if (!connection || connection->host() != kCloudStorageHost) {
        manager.naviStack().syncWithPath(dir);
        folder = manager.naviStack().getCurrentDir();
    }
    if (lblFolder_ != nullptr)
        lblFolder_->setText(utf8ToUtf16(DirListText::shownName(folder)));
    if (btnUp_ != nullptr)
        btnUp_->setTag(dir == "/" ? 1 : 0);
    // A folder entered or left starts at its top; the same folder listed again keeps its place.
    if (dir != shownDir_) {
        shownDir_ = dir;
        for (UITableView* table : { tblDirectory_, tblTemp_ })
            if (table != nullptr)
                table->setContentOffset(CGPointZero);
    }

    if (tblTemp_ == nullptr || tblDirectory_ == nullptr) {
        goingUp_ = false;
        if (tblDirectory_ != nullptr)
            tblDirectory_->reloadData();
        return;
    }
    tblTemp_->reloadData();
    auto transition = CATransition::animation();
    transition->type = kCATransitionMoveIn;
    transition->subtype = goingUp_ ? kCATransitionFromLeft : kCATransitionFromRight;
    transition->duration = kChangeOverDuration;
    transition->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
    if (!changeOverDelegate_)
        changeOverDelegate_ = std::make_shared<ChangeOverDelegate>(selfScreen());
    transition->delegate = changeOverDelegate_;
    tblTemp_->layer()->addAnimation(transition, "");
    goingUp_ = false;
    tblDirectory_->setHidden(true);
    tblTemp_->setHidden(false);
}

void DirListController::animationDidStop(bool)
{
    if (tblTemp_ != nullptr)
        tblTemp_->setHidden(true);
    if (tblDirectory_ != nullptr) {
        tblDirectory_->setHidden(false);
        tblDirectory_->reloadData();
    }
}

// ---- Table -------------------------------------------------------------------------------------

int DirListController::tableViewNumberOfRowsInSection(UITableView*, int)
{
    return listDirEntries_ ? int(listDirEntries_->size()) : 0;
}

void DirListController::configureCell(DirListCell& cell, const FileEntry& entry)
{
    cell.setBackgroundColor(UIColor::clearColor());
    if (onPad()) {
        const bool portrait = UIInterfaceOrientationIsPortrait(interfaceOrientation());
        place(&cell, CGRectMake(0, 0, 705, 40), CGRectMake(0, 0, 950, 40), portrait);
        place(cell.lblFile(), CGRectMake(49, 8, 258, 21), CGRectMake(49, 8, 506, 21), portrait);
        place(cell.lblDate(), CGRectMake(315, 8, 271, 21), CGRectMake(563, 9, 276, 21), portrait);
        place(cell.lblSize(), CGRectMake(594, 8, 112, 21), CGRectMake(838, 9, 112, 21), portrait);
        if (cell.lblSize() != nullptr)
            cell.lblSize()->setText(utf8ToUtf16(entry.stringForFileSize()));
        if (cell.lblDate() != nullptr)
            cell.lblDate()->setText(entry.date() ? dateFormatter_->stringFromDate16(*entry.date()) : std::u16string {});
    }
    if (cell.lblFile() != nullptr)
        cell.lblFile()->setText(utf8ToUtf16(DirListText::shownName(entry.name())));
    if (cell.imgIcon() != nullptr)
        cell.imgIcon()->setImage(UIImage::imageNamed(DirListCell::iconNameFor(entry)));
}

std::shared_ptr<UITableViewCell> DirListController::tableViewCellForRowAtIndexPath(UITableView* tableView,
                                                                                   const NSIndexPath& indexPath)
{
    auto cell = std::dynamic_pointer_cast<DirListCell>(tableView->dequeueReusableCellWithIdentifier(DirListCell::kReuseIdentifier));
    if (!cell) {
        std::weak_ptr<DirListController> weak = selfScreen();
        for (const auto& object : UINib::loadNibNamed(nibNameForDevice(kCellInterface), this)) {
            auto loaded = std::dynamic_pointer_cast<DirListCell>(object);
            if (!loaded)
                continue;
            loaded->addGestureRecognizer(std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
                if (auto screen = weak.lock())
                    screen->longPress(recognizer);
            }));
            cell = loaded;
        }
    }
    if (!cell || !listDirEntries_ || indexPath.row < 0 || indexPath.row >= int(listDirEntries_->size()))
        return nullptr;
    configureCell(*cell, *(*listDirEntries_)[std::size_t(indexPath.row)]);
    return cell;
}

NSIndexPathOptional DirListController::tableViewWillSelectRowAtIndexPath(UITableView*, const NSIndexPath& indexPath)
{
    if (isBusy()) {
        NSLog("No way, mister.");
        return std::nullopt;
    }
    return indexPath;
}

void DirListController::tableViewDidSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath)
{
    if (!listDirEntries_ || indexPath.row < 0 || indexPath.row >= int(listDirEntries_->size()) || isBusy())
        return;
    const std::shared_ptr<FileEntry> entry = (*listDirEntries_)[std::size_t(indexPath.row)];
    if (entry->size() > kLargestFile) {
        std::make_shared<UIAlertView>(DirListText::kSorryTitle, "He can't download files bigger than 10MB.",
                                      std::weak_ptr<UIAlertViewDelegate> {}, "OK")
            ->show();
        return;
    }
    if (!NetworkManager::sharedManager().canCarryName(entry->name())) {
        // Any request for it would be refused or name another entry: say so now.
        tableView->deselectRowAtIndexPath(indexPath, true);
        const bool lineBreak = entry->name().find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
        showSorry(DirListText::format(lineBreak ? kLineBreakNameText : kControlCharacterNameText, DirListText::shownName(entry->name()), 0, ""));
        return;
    }
    if (entry->isDirectory()) {
        changeDir(entry->name());
        return;
    }
    if (entry->isLink()) {
        // A link may lead to a folder or a file; only the server knows: entered when it can be.
        pendingLink_ = entry;
        pendingLinkPath_ = stringByAppendingPathComponent(NetworkManager::sharedManager().getWorkDir(), entry->name());
        changeDir(entry->name(), Pending::enterLink);
        return;
    }
    if (!openFile(entry))
        tableView->deselectRowAtIndexPath(indexPath, true);
}

bool DirListController::openFile(const std::shared_ptr<FileEntry>& entry)
{
    if (entry->extType() < 1 || entry->extType() > kLastListedKind) {
        if (!NSUserDefaults::standardUserDefaults().boolForKey(kOpenAllKey))
            return false;
        entry->setUnsupported(true);
    }
    openEntry(entry);
    return true;
}

void DirListController::openEntry(const std::shared_ptr<FileEntry>& entry)
{
    auto editor = ScreenMaker::newScreenNamed(FileEntryScreen::kEditorClassName);
    if (!editor || navigationController() == nullptr)
        return;
    if (auto* screen = dynamic_cast<FileEntryScreen*>(editor.get()))
        screen->setFileEntry(entry);
    else
        NSLogf("The screen %s takes no file", FileEntryScreen::kEditorClassName);
    navigationController()->pushViewControllerAnimated(editor, true);
}

// ---- Folders -----------------------------------------------------------------------------------

void DirListController::changeDir(const std::string& name)
{
    changeDir(name, Pending::changeDir);
}

void DirListController::changeDir(const std::string& name, Pending pending)
{
    startActivity();
    pending_ = pending;
    pendingName_ = name;
    // Marked busy here, on the main thread, so nothing else starts before the worker runs.
    if (!NetworkManager::sharedManager().beginOperation(
            2, [name] { (void)NetworkManager::sharedManager().changeWorkDir(name); })) {
        pending_ = Pending::none;
        stopActivity();
    }
}

void DirListController::leaveServer()
{
    NetworkManager::sharedManager().disconnect();
    if (navigationController() != nullptr)
        navigationController()->popViewControllerAnimated(true);
}

void DirListController::goUp(bool atRoot)
{
    if (atRoot) {
        leaveServer();
        return;
    }
    goingUp_ = true;
    changeDir("..");
}

void DirListController::btnUpPressed(UIResponder* sender)
{
    if (isBusy())
        return;
    const auto* button = dynamic_cast<const UIView*>(sender);
    goUp(button != nullptr && button->tag() == 1);
}

void DirListController::swiped(UIGestureRecognizer& recognizer)
{
    const auto* swipe = dynamic_cast<const UISwipeGestureRecognizer*>(&recognizer);
    if (swipe == nullptr || swipe->direction() != UISwipeGestureRecognizerDirectionRight || isBusy())
        return;
    goUp(btnUp_ != nullptr && btnUp_->tag() == 1);
}

void DirListController::btnHomePressed()
{
    if (isBusy())
        return;
    leaveServer();
}

void DirListController::btnAddPressed(UIResponder* sender)
{
    if (isBusy())
        return;
    if (onPad()) {
        const auto* button = dynamic_cast<const UIView*>(sender);
        if (!addPopover_ || button == nullptr)
            return;
        // Anchored in the button itself, so the arrow follows it when a turn moves it.
        const CGRect b = button->bounds();
        addPopover_->presentPopoverFromRectInView(CGRectMake(CGRectGetMidX(b), CGRectGetMidY(b), 1, 1),
                                                  const_cast<UIView*>(button), UIPopoverArrowDirectionUp, true);
        return;
    }
    if (navigationController() != nullptr)
        navigationController()->pushViewControllerAnimated(std::make_shared<AddPopover>(), true);
}

// ---- Rename and delete -------------------------------------------------------------------------

void DirListController::longPress(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateBegan || isBusy())
        return;
    auto* cell = dynamic_cast<UITableViewCell*>(recognizer.view());
    if (cell == nullptr)
        return;
    // The row is looked up in the table that shows the cell (the second one during a change-over).
    UITableView* table = nullptr;
    for (UIView* up = cell->superview(); up != nullptr && table == nullptr; up = up->superview())
        table = dynamic_cast<UITableView*>(up);
    const NSIndexPathOptional indexPath = table != nullptr ? table->indexPathForCell(cell) : std::nullopt;
    if (!indexPath || !listDirEntries_ || indexPath->row >= int(listDirEntries_->size()))
        return;
    tag_ = indexPath->row;
    pressedEntry_ = (*listDirEntries_)[std::size_t(tag_)];

    if (onPad()) {
        auto popover = std::make_shared<DirectoryPopover>();
        popover->setParentControl(selfScreen());
        if (!dirPopover_)
            dirPopover_ = std::make_shared<UIPopoverController>(popover);
        else
            dirPopover_->setContentViewController(popover);
        dirPopover_->setDelegate(std::static_pointer_cast<UIPopoverControllerDelegate>(selfScreen()));
        dirPopover_->setPopoverContentSize(DirectoryPopover::kContentSize);
        pressedInRow_ = recognizer.locationInView(cell);
        pressedTable_ = std::static_pointer_cast<UITableView>(table->shared_from_this());
        pointDirPopoverAtPressedRow();
        return;
    }
    auto sheet = std::make_shared<UIActionSheet>("", std::static_pointer_cast<UIActionSheetDelegate>(selfScreen()),
                                                 "Cancel", "Delete", std::vector<std::string> { "Rename" });
    sheet->setTag(kLongPressSheetTag);
    sheet->showInView(view().get());
}

std::shared_ptr<FileEntry> DirListController::currentPressedEntry() const
{
    if (!pressedEntry_ || !listDirEntries_)
        return nullptr;
    for (const auto& entry : *listDirEntries_)
        if (entry->name() == pressedEntry_->name() && entry->isDirectory() == pressedEntry_->isDirectory())
            return entry;
    return nullptr;
}

bool DirListController::nameTaken(const std::string& name) const
{
    return listDirEntries_
        && std::any_of(listDirEntries_->begin(), listDirEntries_->end(),
                       [&name](const auto& entry) { return entry->name() == name; });
}

void DirListController::segActionPressed(int action)
{
    if (action != kActionRename && action != kActionDelete)
        return;
    // The popover's choice is made: leaving it up beside the question would offer a second one.
    if (dirPopover_)
        dirPopover_->dismissPopoverAnimated(true);
    const auto entry = currentPressedEntry();
    if (!entry) {
        NSLog("The entry pressed is no longer listed");
        return;
    }
    if (action == kActionDelete) {
        auto sheet = std::make_shared<UIActionSheet>("Do you really want to delete '" + DirListText::shownName(entry->name()) + "'?",
                                                     std::static_pointer_cast<UIActionSheetDelegate>(selfScreen()), "",
                                                     "Yes.", std::vector<std::string> { "No!" });
        sheet->showInView(view().get());
        return;
    }
    auto prompt = std::make_shared<AlertPrompt>("Enter new name:", "\n",
                                                std::static_pointer_cast<UIAlertViewDelegate>(selfScreen()), "Cancel", "OK");
    prompt->setTag(kRenamePromptTag);
    prompt->textField()->setText(utf8ToUtf16(entry->name()));
    prompt->show();
}

void DirListController::actionSheetDidDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex)
{
    if (actionSheet->tag() == kLongPressSheetTag) {
        if (buttonIndex == actionSheet->destructiveButtonIndex())
            segActionPressed(kActionDelete);
        else if (buttonIndex != actionSheet->cancelButtonIndex() && buttonIndex >= 0)
            segActionPressed(kActionRename);
        return;
    }
    if (buttonIndex != actionSheet->destructiveButtonIndex())
        return;
    deletePressedEntry();
    if (onPad() && dirPopover_)
        dirPopover_->dismissPopoverAnimated(true);
}

void DirListController::alertViewWillDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex)
{
    if (alertView->tag() != kRenamePromptTag || buttonIndex == alertView->cancelButtonIndex())
        return;
    const auto* prompt = dynamic_cast<const AlertPrompt*>(alertView);
    if (prompt == nullptr)
        return;
    renamePressedEntry(utf16ToUtf8(prompt->enteredText()));
    if (dirPopover_)
        dirPopover_->dismissPopoverAnimated(true);
}

void DirListController::renamePressedEntry(const std::string& newName)
{
    const auto entry = currentPressedEntry();
    if (!entry) {
        NSLog("The entry pressed is no longer listed");
        return;
    }
    // Renaming onto another entry of the folder would silently replace it.
    if (newName != entry->name() && nameTaken(newName)) {
        showSorry("'" + newName + "' already exists in this folder. Please choose another name.");
        return;
    }
    pressedEntry_.reset();
    NetworkManager& manager = NetworkManager::sharedManager();
    (void)manager.renameFile(entry->name(), newName);
}

void DirListController::deletePressedEntry()
{
    const auto entry = currentPressedEntry();
    if (!entry) {
        NSLog("The entry pressed is no longer listed");
        return;
    }
    pressedEntry_.reset();
    NetworkManager& manager = NetworkManager::sharedManager();
    if (entry->isDirectory())
        (void)manager.deleteFolder(entry->name());
    else
        (void)manager.deleteFile(entry->name());
}

// ---- NetworkManagerDelegate --------------------------------------------------------------------

// ---- Busy overlay ------------------------------------------------------------------------------

void DirListController::startActivity()
{
    activityOn_ = true;
    if (activity_ != nullptr) {
        if (onPad()) {
            activity_->setFrame(UIInterfaceOrientationIsPortrait(interfaceOrientation())
                                    ? CGRectMake(365, 484, kSpinnerSize, kSpinnerSize)
                                    : CGRectMake(493, 356, kSpinnerSize, kSpinnerSize));
        } else if (isViewLoaded()) {
            const CGRect bounds = view()->bounds();
            activity_->setFrame(CGRectMake((bounds.size.width - kSpinnerSize) / 2,
                                           (bounds.size.height - kSpinnerSize) / 2, kSpinnerSize, kSpinnerSize));
        }
    }
    if (btnHome_ != nullptr && btnHome_->superview() != nullptr) {
        UIView* container = btnHome_->superview();
        container->setBackgroundColor(UIColor::blackColor());
        container->setAlpha(0.5);
        container->setUserInteractionEnabled(false);
    }
    if (activity_ != nullptr) {
        activity_->setHidden(false);
        activity_->startAnimating();
    }
}

void DirListController::stopActivity()
{
    activityOn_ = false;
    if (btnHome_ != nullptr && btnHome_->superview() != nullptr) {
        UIView* container = btnHome_->superview();
        container->setAlpha(1.0);
        container->setUserInteractionEnabled(true);
    }
    if (activity_ != nullptr) {
        activity_->setFrame(CGRectMake(0, 0, kSpinnerSize, kSpinnerSize));
        activity_->setHidden(true);
        activity_->stopAnimating();
    }
}

void DirListController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "UIViewController", [] { return std::make_shared<DirListController>(); });
}

int listingProgressCallback(void* client, double dltotal, double dlnow, double ultotal, double ulnow)
{
    if (client != nullptr)
        NSLogf("prog: %f, %f, %f, %f", dltotal, dlnow, ultotal, ulnow);
    return 0;
}
