#include "Classes/Controller/EditConnectionController.h"

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/BusyAlert.h"
#include "Classes/Controller/ConnectAlert.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/Controller/StartViewController.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "Platform/UIKit/UITextField.h"

namespace {

constexpr char kMaskPasswordsKey[] = "maskPasswords";
constexpr char kBoldFont[] = "LexitypeNeue-Bold";
constexpr char kPlainFont[] = "Lexitype Neue";
constexpr char kGrey[] = "6d6d6d";
constexpr std::int32_t kDefaultPort = 21;
constexpr char kFtpPort[] = "21";
constexpr char kSftpPort[] = "22";

bool onPad()
{
    return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
}

void style(UIButton* button, UIColorRef background, const char* font, CGFloat size)
{
    if (button == nullptr) return;
    CALayer& layer = *button->layer();
    layer.setCornerRadius(4);
    layer.setMasksToBounds(true);
    layer.setBorderWidth(0);
    button->setBackgroundColor(std::move(background));
    button->titleLabel()->setFont(UIFont::fontWithName(font, size));
}

std::string textOf(const UITextField* field)
{
    return field != nullptr ? utf16ToUtf8(field->text()) : std::string {};
}

void setText(UITextField* field, const std::string& text)
{
    if (field != nullptr) field->setText(utf8ToUtf16(text));
}

std::int64_t secondsSince1970()
{
    return std::int64_t(NSDate::date().timeIntervalSince1970());
}

// Why the store did not take a new record; the connect is not made then.
std::string refusalMessage(std::int32_t answer)
{
    switch (answer) {
    case ConnectionManager::kRefusedNoName:
        return "Please fill out the required fields!";
    case ConnectionManager::kRefusedDuplicateName:
        return "A connection with this name is stored already. Please choose another name!";
    case ConnectionManager::kRefusedBookmarkLimit:
        return "No more bookmarks can be stored. Please delete one first!";
    default:
        return "The connection could not be stored!";
    }
}

// A write the store did not take, with SQLite's reason and what stays as it was.
std::string storeFailureMessage(const char* what, const char* kept)
{
    return std::string(what) + " (" + ConnectionManager::sharedManager().lastError() + ")! " + kept;
}

void showError(const std::string& message)
{
    std::make_shared<UIAlertView>("Error", message, std::weak_ptr<UIAlertViewDelegate> {}, "OK")->show();
}

} // namespace

EditConnectionController::EditConnectionController()
    : UIViewController(onPad() ? "EditConnectionController" : "EditConnectionController_iPhone")
{
}

EditConnectionController::~EditConnectionController() = default;

void EditConnectionController::declareConnections(UIConnectionTable& table)
{
    UIViewController::declareConnections(table);
    table.outlet("txtName", txtName_);
    table.outlet("txtHost", txtHost_);
    table.outlet("txtPort", txtPort_);
    table.outlet("txtUser", txtUser_);
    table.outlet("txtPass", txtPass_);
    table.outlet("txtPath", txtPath_);
    table.outlet("btnBack", btnBack_);
    table.outlet("btnBookmark", btnBookmark_);
    table.outlet("btnBookmark2", btnBookmark2_);
    table.outlet("btnCancel", btnCancel_);
    table.outlet("btnConnect", btnConnect_);
    table.outlet("btnRemove", btnRemove_);
    table.outlet("segType", segType_);
    table.outlet("imgDino", imgDino_);
    table.outlet("lblTitle", lblTitle_);
    table.outlet("actConnect", actConnect_);
    table.action("btnConnectPressed", [this] { btnConnectPressed(); });
    table.action("btnCancelPressed", [this] { btnCancelPressed(); });
    table.action("btnBackPressed", [this] { btnBackPressed(); });
    table.action("btnBookmarkPressed:", [this](UIResponder* sender) { btnBookmarkPressed(sender); });
    table.action("segTypeChanged", [this] { segTypeChanged(); });
    table.action("btnRemovePressed", [this] { btnRemovePressed(); });
}

void EditConnectionController::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(
        kClassName, "UIViewController", [] { return std::make_shared<EditConnectionController>(); });
}

// ---- Field rules ------------------------------------------------------------------------

std::int32_t EditConnectionController::portValue(const std::u16string& text)
{
    if (text.empty()) return kDefaultPort;
    std::size_t at = 0;
    while (
        at < text.size() && (text[at] == u' ' || text[at] == u'\t' || text[at] == u'\n' || text[at] == u'\r'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 + (text[at] - u'0');
        if (value > INT32_MAX)
            return negative ? INT32_MIN : INT32_MAX; // as the platform's intValue saturates
    }
    return std::int32_t(negative ? -value : value);
}

bool EditConnectionController::portAccepted()
{
    // A port no server can listen on is refused here, not by the connect's "bad URL".
    const std::int32_t port = portValue(txtPort_ != nullptr ? txtPort_->text() : std::u16string {});
    if (port >= 1 && port <= 65535) return true;
    showError("Please enter a port from 1 to 65535!");
    return false;
}

std::string EditConnectionController::normalisedStartPath(const std::string& path)
{
    if (path.empty()) return "/";
    std::string result = path.front() == '/' ? path : "/" + path;
    if (result.back() != '/') result += '/';
    return result;
}

bool EditConnectionController::bookmarkChosen() const
{
    return btnBookmark_ != nullptr && !btnBookmark_->isHidden();
}

std::string EditConnectionController::startPathText() const
{
    return normalisedStartPath(textOf(txtPath_));
}

// ---- Life cycle -------------------------------------------------------------------------

void EditConnectionController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    keyboardHeights_
        = KeyboardAvoidance::keyboardHeightsForIdiom(UIDevice::currentDevice().userInterfaceIdiom());
    style(btnCancel_, UIColorHexColor::colorWithHexString(kGrey), kBoldFont, 26);
    style(btnBookmark_, UIColorHexColor::colorWithHexString(kGrey), kPlainFont, 12);
    style(btnBookmark2_, UIColorHexColor::colorWithHexString(kGrey), kPlainFont, 12);
    style(btnRemove_, UIColorHexColor::colorWithHexString(kGrey), kBoldFont, 26);
}

void EditConnectionController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    if (txtPass_ != nullptr)
        txtPass_->setSecureTextEntry(NSUserDefaults::standardUserDefaults().boolForKey(kMaskPasswordsKey));
    if (bookmark_) {
        setText(txtName_, bookmark_->name());
        setText(txtHost_, bookmark_->host());
        setText(txtPort_, std::to_string(bookmark_->port()));
        setText(txtUser_, bookmark_->username());
        setText(txtPass_, bookmark_->password());
        setText(txtPath_, bookmark_->startPath());
        if (lblTitle_ != nullptr) lblTitle_->setText(u"EDIT SERVER CONNECTION");
        if (btnConnect_ != nullptr) btnConnect_->setTitle(u"APPLY", UIControlStateNormal);
        if (btnRemove_ != nullptr) btnRemove_->setHidden(false);
        if (btnBookmark_ != nullptr) btnBookmark_->setHidden(!bookmark_->isBookmark());
        if (btnBookmark2_ != nullptr) btnBookmark2_->setHidden(bookmark_->isBookmark());
        if (segType_ != nullptr) segType_->setSelectedSegmentIndex(bookmark_->type() != 0 ? 1 : 0);
    } else {
        if (btnRemove_ != nullptr) btnRemove_->setHidden(true);
        if (txtName_ != nullptr) txtName_->setEnabled(true);
        if (btnBookmark_ != nullptr) btnBookmark_->setHidden(true);
        if (btnBookmark2_ != nullptr) btnBookmark2_->setHidden(false);
        if (lblTitle_ != nullptr) lblTitle_->setText(u"CONNECT TO SERVER");
        if (btnConnect_ != nullptr) btnConnect_->setTitle(u"CONNECT", UIControlStateNormal);
    }
    style(btnConnect_, AccentColor::accentColor(), kBoldFont, 24);
    if (imgDino_ != nullptr) imgDino_->setBackgroundColor(AccentColor::accentColor());
}

void EditConnectionController::viewDidUnload()
{
    UIViewController::viewDidUnload();
    clearOutlets();
    bookmark_.reset();
}

void EditConnectionController::clearOutlets()
{
    txtName_ = txtHost_ = txtPort_ = txtUser_ = txtPass_ = txtPath_ = nullptr;
    btnBack_ = btnBookmark_ = btnBookmark2_ = btnCancel_ = btnConnect_ = btnRemove_ = nullptr;
    segType_ = nullptr;
    imgDino_ = nullptr;
    lblTitle_ = nullptr;
    actConnect_ = nullptr;
}

bool EditConnectionController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation)
{
    return onPad() || !UIInterfaceOrientationIsLandscape(orientation);
}

unsigned EditConnectionController::supportedInterfaceOrientations()
{
    return onPad() ? UIInterfaceOrientationMaskAll : UIInterfaceOrientationMaskPortrait;
}

// ---- Actions ----------------------------------------------------------------------------

void EditConnectionController::btnConnectPressed()
{
    if (tag_ == kTagNew)
        connectNew();
    else if (tag_ == kTagEdit)
        applyEdit();
}

void EditConnectionController::btnCancelPressed()
{
    // Cancel promises that nothing is stored: the record added for a connect still running goes
    // now, not when its result comes (the process may end before that), and the result then
    // changes nothing.
    if (connecting_) {
        closedWhileConnecting_ = true;
        if (!ConnectionManager::sharedManager().deleteConn(addedID_))
            showError(storeFailureMessage("The new connection could not be removed again",
                "It stays in the list; you can delete it with its edit button."));
        reloadStartView();
    }
    dismissModalViewControllerAnimated(true);
}

void EditConnectionController::btnBackPressed()
{
    for (UITextField* field : { txtName_, txtHost_, txtPort_, txtUser_, txtPass_, txtPath_ })
        if (field != nullptr) field->resignFirstResponder();
}

void EditConnectionController::btnBookmarkPressed(UIResponder* sender)
{
    const bool wasBookmark = sender != nullptr && sender == static_cast<UIResponder*>(btnBookmark_);
    if (btnBookmark_ != nullptr) btnBookmark_->setHidden(wasBookmark);
    if (btnBookmark2_ != nullptr) btnBookmark2_->setHidden(!wasBookmark);
}

void EditConnectionController::segTypeChanged()
{
    if (txtPort_ == nullptr || segType_ == nullptr || !txtPort_->text().empty()) return;
    setText(txtPort_, segType_->selectedSegmentIndex() == 1 ? kSftpPort : kFtpPort);
}

void EditConnectionController::connectNew()
{
    if (connecting_) return;
    if (textOf(txtName_).empty() || textOf(txtHost_).empty()) {
        showError("Please fill out the required fields!");
        return;
    }
    if (!portAccepted()) return;
    // Checked before anything is stored: the record must not stay behind a refused connect.
    if (NetworkManager::sharedManager().isBusy()) {
        BusyAlert::show(BusyAlert::kConnectNotStarted);
        return;
    }
    auto record = std::make_shared<QVConnection>();
    record->setName(textOf(txtName_));
    record->setHost(textOf(txtHost_));
    record->setPort(portValue(txtPort_ != nullptr ? txtPort_->text() : std::u16string {}));
    record->setUsername(textOf(txtUser_));
    record->setPassword(textOf(txtPass_));
    record->setIsBookmark(bookmarkChosen());
    record->setType(segType_ != nullptr ? segType_->selectedSegmentIndex() : 0);
    record->setStartPath(startPathText());
    record->setLastUse(secondsSince1970());

    const std::int32_t rowID = ConnectionManager::sharedManager().addConn(record);
    if (rowID <= 0) {
        NSLogf("The connection was not stored (%d)", rowID);
        showError(refusalMessage(rowID));
        return;
    }
    record->setIndex(rowID);
    addedID_ = rowID;
    closedWhileConnecting_ = false;

    NetworkManager& network = NetworkManager::sharedManager();
    network.setDelegate(std::dynamic_pointer_cast<NetworkManagerDelegate>(selfRef()));
    network.setConnection(record);
    connecting_ = true;
    if (actConnect_ != nullptr) actConnect_->startAnimating();
    // The form must hear the result even when Cancel closed it meanwhile.
    keepAlive_ = selfRef();
    if (!network.beginOperation(1, [] { NetworkManager::sharedManager().connect(); })) {
        ConnectionManager::sharedManager().deleteConn(rowID);
        connecting_ = false;
        if (actConnect_ != nullptr) actConnect_->stopAnimating();
        UIViewController::releaseLater(std::move(keepAlive_));
    }
}

void EditConnectionController::applyEdit()
{
    if (!bookmark_ || !portAccepted()) return;
    bookmark_->setName(textOf(txtName_));
    bookmark_->setHost(textOf(txtHost_));
    bookmark_->setPort(portValue(txtPort_ != nullptr ? txtPort_->text() : std::u16string {}));
    bookmark_->setUsername(textOf(txtUser_));
    bookmark_->setPassword(textOf(txtPass_));
    bookmark_->setIsBookmark(bookmarkChosen());
    bookmark_->setStartPath(startPathText());
    bookmark_->setType(segType_ != nullptr ? segType_->selectedSegmentIndex() : 0);
    if (!ConnectionManager::sharedManager().updateConn(bookmark_)) {
        // The form stays open with the user's edits, so APPLY can be tried again.
        showError(storeFailureMessage("The changes could not be stored",
            "The stored connection is unchanged; your changes are still in the form."));
        return;
    }
    reloadStartView();
    dismissModalViewControllerAnimated(true);
}

void EditConnectionController::btnRemovePressed()
{
    if (tag_ != kTagEdit) return;
    auto sheet = std::make_shared<UIActionSheet>("Do you really want to delete this connection?",
        std::dynamic_pointer_cast<UIActionSheetDelegate>(selfRef()), "", "Yes.",
        std::vector<std::string> { "No!" });
    sheet->showInView(isViewLoaded() ? view().get() : nullptr);
}

void EditConnectionController::reloadStartView() const
{
    if (auto start = startView_.lock()) start->reloadTables();
}

// ---- UIActionSheetDelegate --------------------------------------------------------------

void EditConnectionController::actionSheetDidDismissWithButtonIndex(
    UIActionSheet* actionSheet, int buttonIndex)
{
    if (actionSheet == nullptr || buttonIndex != actionSheet->destructiveButtonIndex()) return;
    if (!ConnectionManager::sharedManager().deleteConn(bookID_)) {
        showError(storeFailureMessage("The connection could not be deleted", "It is still stored."));
        return;
    }
    reloadStartView();
    dismissModalViewControllerAnimated(true);
}

// ---- NetworkManagerDelegate -------------------------------------------------------------

bool EditConnectionController::respondsTo(Operation operation) const
{
    return operation == Operation::finishedConnectingwithCode;
}

void EditConnectionController::finishedConnectingwithCode(int code)
{
    if (actConnect_ != nullptr) actConnect_->stopAnimating();
    connecting_ = false;
    NSLogf("EDIT connected with code %d", code);
    std::shared_ptr<UIViewController> alive = std::move(keepAlive_);
    if (alive) UIViewController::releaseLater(alive);

    ConnectionManager& store = ConnectionManager::sharedManager();
    if (closedWhileConnecting_) {
        // Cancel took the record out already; no screen is pushed behind the user's back.
        closedWhileConnecting_ = false;
        return;
    }
    if (code != 0) {
        // By the row id the store gave, not the manager's record, which another screen may
        // have replaced meanwhile.
        store.deleteConn(addedID_);
        ConnectAlert::showForCode(code);
        return;
    }
    // The stack the start screen (which presented the form) lies in.
    UINavigationController* navigation = nullptr;
    if (UIViewController* presenter = presentingViewController()) {
        navigation = dynamic_cast<UINavigationController*>(presenter);
        if (navigation == nullptr) navigation = presenter->navigationController();
    }
    if (navigation == nullptr)
        if (auto start = startView_.lock()) navigation = start->navigationController();
    if (std::shared_ptr<QVConnection> record = NetworkManager::sharedManager().conn()) {
        record->setLastUse(secondsSince1970());
        store.updateConn(record);
    }
    dismissModalViewControllerAnimated(true);
    ScreenMaker::pushScreenNamed(navigation, StartViewController::kDirectoryScreenClassName, true);
}

// ---- UITextFieldDelegate ----------------------------------------------------------------

void EditConnectionController::textFieldDidBeginEditing(UITextField* textField)
{
    if (textField == nullptr || !isViewLoaded()) return;
    // With the last field focused the buttons come up too: the form can be sent at once. From
    // any field, a button is shown whole or not at all.
    KeyboardAvoidance::Showing showing;
    const std::vector<const UIView*> buttons { btnCancel_, btnConnect_, btnRemove_ };
    if (textField == txtPath_) showing.alsoAbove = buttons;
    showing.notCut = buttons;
    showing.header = imgDino_;
    animatedDistance_ = KeyboardAvoidance::shiftDistanceForField(*textField, *view(), keyboardHeights_, *textField, showing);
    KeyboardAvoidance::moveView(*view(), animatedDistance_);
}

void EditConnectionController::willAnimateRotationToInterfaceOrientationDuration(UIInterfaceOrientation orientation,
                                                                                   double duration)
{
    UIViewController::willAnimateRotationToInterfaceOrientationDuration(orientation, duration);
    // The turn has put the form back in its place for the new orientation; the focused field
    // keeps the keyboard, so the form moves up again for the new keyboard.
    animatedDistance_ = 0;
    for (UITextField* field : { txtName_, txtHost_, txtPort_, txtUser_, txtPass_, txtPath_ })
        if (field != nullptr && field->isFirstResponder()) textFieldDidBeginEditing(field);
}

void EditConnectionController::textFieldDidEndEditing(UITextField*)
{
    if (isViewLoaded()) KeyboardAvoidance::moveView(*view(), -animatedDistance_);
}

bool EditConnectionController::textFieldShouldReturn(UITextField* textField)
{
    if (textField != nullptr) textField->resignFirstResponder();
    return true;
}
