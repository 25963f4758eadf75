#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/NetworkManagerDelegate.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/UIKit/UIActionSheetDelegate.h"
#include "Platform/UIKit/UIAlertViewDelegate.h"
#include "Platform/UIKit/UIPopoverControllerDelegate.h"
#include "Platform/UIKit/UITableViewDataSource.h"
#include "Platform/UIKit/UITableViewDelegate.h"
#include "Platform/UIKit/UIViewController.h"

class DirListCell;
class FileEntry;
class NSDateFormatter;
class UIActivityIndicatorView;
class UIButton;
class UIGestureRecognizer;
class UIImageView;
class UILabel;
class UIPopoverController;
class UIProgressView;
class UITableView;

// The current remote directory as a table, and the hub of the work on one server: folders are
// entered and left, files opened in the editor, entries renamed and deleted after a long press,
// folders and files added. The entries, the path and the path stack belong to the shared
// network manager; the screen keeps none of its own. Main thread only.
class DirListController : public UIViewController,
                          public UIAlertViewDelegate,
                          public NetworkManagerDelegate,
                          public UIPopoverControllerDelegate,
                          public UIActionSheetDelegate,
                          public UITableViewDataSource,
                          public UITableViewDelegate {
public:
    static constexpr char kClassName[] = "DirListController";
    static constexpr char kCellInterface[] = "DirListCell";
    // Files above this size are refused (exactly 10 MB still opens).
    static constexpr std::int64_t kLargestFile = 10485760;
    static constexpr int kActionRename = 0;
    static constexpr int kActionDelete = 1;
    static constexpr int kLongPressSheetTag = 100;
    static constexpr int kRenamePromptTag = 1;
    // The host of the cloud file-storage service whose paths the folder label shows whole.
    static constexpr char kCloudStorageHost[] = "webdav.cloud-storage.example";
    static constexpr double kChangeOverDuration = 0.5;

    // The name is ignored: the file is "DirListController" on a pad, "..._iPhone" else.
    explicit DirListController(const std::string& nibName = {});
    ~DirListController() override;

    // Outlets and fields.
    [[nodiscard]] UITableView* tblDirectory() const { return tblDirectory_; }
    [[nodiscard]] UITableView* tblTemp() const { return tblTemp_; }
    [[nodiscard]] UIActivityIndicatorView* activity() const { return activity_; }
    [[nodiscard]] const std::shared_ptr<UIPopoverController>& dirPopover() const { return dirPopover_; }
    [[nodiscard]] const std::shared_ptr<UIPopoverController>& addPopover() const { return addPopover_; }
    [[nodiscard]] UIButton* btnUp() const { return btnUp_; }
    [[nodiscard]] UIButton* btnAdd() const { return btnAdd_; }
    [[nodiscard]] UIButton* btnUpArrow() const { return btnUpArrow_; }
    [[nodiscard]] UIButton* btnHome() const { return btnHome_; }
    [[nodiscard]] UILabel* lblFolder() const { return lblFolder_; }
    [[nodiscard]] UIProgressView* progressView() const { return progressView_; }
    [[nodiscard]] UIImageView* imgLine1() const { return imgLine1_; }
    [[nodiscard]] UIImageView* imgLine2() const { return imgLine2_; }
    [[nodiscard]] UILabel* lblFile() const { return lblFile_; }
    [[nodiscard]] UILabel* lblDate() const { return lblDate_; }
    [[nodiscard]] UILabel* lblSize() const { return lblSize_; }
    [[nodiscard]] const std::shared_ptr<NetworkManager::Entries>& listDirEntries() const { return listDirEntries_; }
    void setListDirEntries(std::shared_ptr<NetworkManager::Entries> entries) { listDirEntries_ = std::move(entries); }
    [[nodiscard]] int tag() const { return tag_; }
    [[nodiscard]] bool goingUp() const { return goingUp_; }
    // The entry of the last long press, while it is still to be renamed or deleted.
    [[nodiscard]] const std::shared_ptr<FileEntry>& pressedEntry() const { return pressedEntry_; }
    // Whether a remote operation runs (or is about to): gestures, taps and the add popover wait.
    [[nodiscard]] bool isBusy() const;

    // UIViewController
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    void didRotateFromInterfaceOrientation(UIInterfaceOrientation fromOrientation) override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override;
    [[nodiscard]] unsigned supportedInterfaceOrientations() override;

    // UITableViewDataSource / UITableViewDelegate
    int tableViewNumberOfRowsInSection(UITableView* tableView, int section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* tableView,
                                                                    const NSIndexPath& indexPath) override;
    NSIndexPathOptional tableViewWillSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;
    void tableViewDidSelectRowAtIndexPath(UITableView* tableView, const NSIndexPath& indexPath) override;

    // ".." or the name of a sub-directory.
    void changeDir(const std::string& name);

    // Actions.
    void btnUpPressed(UIResponder* sender);
    void btnHomePressed();
    void btnAddPressed(UIResponder* sender);
    void swiped(UIGestureRecognizer& recognizer);
    void longPress(UIGestureRecognizer& recognizer);
    void actTouched() { }
    // 0 rename, 1 delete the entry of the last long press; other values do nothing.
    void segActionPressed(int action);

    // UIAlertViewDelegate
    void alertViewWillDismissWithButtonIndex(UIAlertView* alertView, int buttonIndex) override;
    // UIActionSheetDelegate
    void actionSheetDidDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex) override;

    // NetworkManagerDelegate
    void needsReload() override;
    void needsReloadWithResult(const ReloadResult& result) override;
    void uploadedFile(const std::string& name, int code) override;

    // The display of the listing (the argument of the platform form is ignored).
    void receivedFiles();
    void animationDidStop(bool finished);

    void startActivity();
    void stopActivity();

    // Sorts case-insensitively by name, folders first, and removes "." and "..", in place.
    static void sortAndPrune(NetworkManager::Entries& entries);

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    // What the screen started and waits to hear about, for the message of a failure (the
    // commands' results name themselves).
    enum class Pending { none, changeDir, enterLink };

    [[nodiscard]] std::shared_ptr<DirListController> selfScreen();
    void leaveServer();
    void goUp(bool atRoot);
    void openEntry(const std::shared_ptr<FileEntry>& entry);
    // A file's tap: opened when its kind is one the editor takes (or openAll is on); false when not.
    bool openFile(const std::shared_ptr<FileEntry>& entry);
    void changeDir(const std::string& name, Pending pending);
    // The entry of the last long press as the current listing holds it; none when it is gone.
    [[nodiscard]] std::shared_ptr<FileEntry> currentPressedEntry() const;
    [[nodiscard]] bool nameTaken(const std::string& name) const;
    void renamePressedEntry(const std::string& newName);
    void deletePressedEntry();
    void showSorry(const std::string& message);
    // The transfer code's text followed by the server's words, when it gave any.
    [[nodiscard]] static std::string reasonFor(int code, const std::string& reply);
    // The same for a listing, in the app's words where libcurl's speak of a file.
    [[nodiscard]] static std::string listingReasonFor(int code, const std::string& reply);
    void reportCommandFailure(const ReloadResult& result, int code, const std::string& reply);
    void reportRelistingFailure(const ReloadResult& result, const std::string& reply);
    void layoutForOrientation();
    void configureCell(DirListCell& cell, const FileEntry& entry);

    UITableView* tblDirectory_ { nullptr }; // outlets: the view tree owns them
    UITableView* tblTemp_ { nullptr };
    UIActivityIndicatorView* activity_ { nullptr };
    std::shared_ptr<UIPopoverController> dirPopover_;
    void pointDirPopoverAtPressedRow();
    std::shared_ptr<UIPopoverController> addPopover_;
    UIButton* btnUp_ { nullptr };
    UIButton* btnAdd_ { nullptr };
    UIButton* btnUpArrow_ { nullptr };
    UIButton* btnHome_ { nullptr };
    UILabel* lblFolder_ { nullptr };
    UIProgressView* progressView_ { nullptr };
    std::shared_ptr<NetworkManager::Entries> listDirEntries_;
    UIImageView* imgLine1_ { nullptr };
    UIImageView* imgLine2_ { nullptr };
    UILabel* lblFile_ { nullptr };
    UILabel* lblDate_ { nullptr };
    UILabel* lblSize_ { nullptr };
    int tag_ { 0 };
    bool goingUp_ { false };
    // The folder the tables show, so a listing of another one starts at its top.
    std::string shownDir_;

    std::shared_ptr<FileEntry> pressedEntry_;
    // Where the row was pressed (in the row) and the table that showed it, for the popover's arrow.
    CGPoint pressedInRow_ {};
    std::weak_ptr<UITableView> pressedTable_;
    bool activityOn_ { false };
    Pending pending_ { Pending::none };
    std::string pendingName_;
    // The link being tried as a folder (opened as a file when it is none), and its path.
    std::shared_ptr<FileEntry> pendingLink_;
    std::string pendingLinkPath_;
    // The paths of the links entered as folders so far.
    std::set<std::string> folderLinks_;
    std::shared_ptr<UIGestureRecognizer> swipe_;
    std::unique_ptr<NSDateFormatter> dateFormatter_;
    // Forwards the change-over's end without the layer's animation retaining the screen.
    std::shared_ptr<CAAnimationDelegate> changeOverDelegate_;
};

// Progress of a listing, in the transfer library's form: logs the four figures when there is a
// client (a directory screen) and always lets the transfer go on.
int listingProgressCallback(void* client, double dltotal, double dlnow, double ultotal, double ulnow);
