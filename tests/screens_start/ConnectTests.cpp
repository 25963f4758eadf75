#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <netinet/in.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Classes/Controller/BusyAlert.h"
#include "Classes/Controller/ConnectAlert.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "Platform/UIKit/UITextField.h"
#include "tests/screens_start/StartTestSupport.h"

#include "Platform/UIKit/UIModalChrome.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SftpTestServer.h"

namespace {

// A port on 127.0.0.1 that nothing listens on.
int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

std::string alertMessage()
{
    const auto alert = UIAlertView::visibleAlert();
    return alert ? alert->message() : std::string {};
}

class StartConnect : public StartScreenTest {
protected:
    FtpTestServer& ftp() { return FtpTestServer::shared(); }

    std::shared_ptr<BookmarkCell> visibleCell(int column, int row)
    {
        return std::dynamic_pointer_cast<BookmarkCell>(
            start->tblConns(column)->cellForRowAtIndexPath({ 0, row }));
    }
    // The first connection's cell (item 1): column 1 on a pad, row 1 on a phone.
    std::shared_ptr<BookmarkCell> firstConnectionCell()
    {
        return pad() ? visibleCell(1, 0) : visibleCell(0, 1);
    }
    void press(UIButton* button) { button->sendActionsForControlEvents(UIControlEventTouchUpInside); }

    // The form for a new connection, opened from the mega button.
    std::shared_ptr<EditConnectionController> openNewForm()
    {
        press(visibleCell(0, 0)->btnConnect);
        settle();
        return form();
    }
    void fill(EditConnectionController& f, const std::string& name, const std::string& host,
        const std::string& port, const std::string& user, const std::string& password,
        const std::string& path)
    {
        f.txtName()->setText(utf8ToUtf16(name));
        f.txtHost()->setText(utf8ToUtf16(host));
        f.txtPort()->setText(utf8ToUtf16(port));
        f.txtUser()->setText(utf8ToUtf16(user));
        f.txtPass()->setText(utf8ToUtf16(password));
        f.txtPath()->setText(utf8ToUtf16(path));
    }
};

TEST_F(StartConnect, ConnectingFromACellStampsTheRecordOrTellsWhy)
{
    struct Case {
        const char* name;
        bool sftp;
        bool rightPassword;
        bool portOpen;
        const char* message; // empty: success
    };
    const Case cases[] = {
        { "ftp", false, true, true, "" },
        { "sftp", true, true, true, "" },
        { "wrong password", false, false, true, "Could not connect to server (67)!\nInvalid login!" },
        { "closed port", false, true, false, "Could not connect to server (7)!\nNo service!" },
    };
    for (const char* device : { "ipad", "iphone" }) {
        for (const Case& c : cases) {
            TearDown();
            SetUp();
            useDevice(device);
            const std::string label = std::string(device) + " " + c.name;
            std::int32_t id = 0;
            if (c.sftp) {
                SftpTestServer& sftp = SftpTestServer::shared();
                id = addConnection("site", true, "127.0.0.1", sftp.port(), sftp.user(), sftp.password(),
                    sftp.startPath(), 1);
            } else {
                id = addConnection("site", true, "127.0.0.1", c.portOpen ? ftp().port() : closedPort(),
                    ftp().user(), c.rightPassword ? ftp().password() : "wrong", "/", 0);
            }
            showStart();
            LogCapture log;
            const auto cell = firstConnectionCell();
            ASSERT_EQ(cell->btnBack->tag(), id) << label;
            press(cell->btnBack);
            // Connecting: no touches, no selection, the spinner turns; a second press is ignored.
            EXPECT_TRUE(start->connecting()) << label;
            EXPECT_TRUE(start->actConnect()->isAnimating());
            EXPECT_FALSE(start->contentView()->isUserInteractionEnabled());
            EXPECT_FALSE(start->tblConns(0)->allowsSelection());
            press(cell->btnBack);
            ASSERT_TRUE(waitForIdleNetwork()) << label;
            settle();
            EXPECT_FALSE(start->connecting());
            EXPECT_FALSE(start->actConnect()->isAnimating());
            EXPECT_TRUE(start->contentView()->isUserInteractionEnabled());
            EXPECT_TRUE(start->tblConns(0)->allowsSelection());
            const auto stored = store().getConnByID(id);
            ASSERT_TRUE(stored);
            if (*c.message == '\0') {
                const auto logLines = log.lines();
                EXPECT_EQ(std::count(logLines.begin(), logLines.end(), "connected with code 0"), 1) << label;
                EXPECT_EQ(StubDirListController::made, 1) << label << ": one connect, one directory screen";
                EXPECT_TRUE(std::dynamic_pointer_cast<StubDirListController>(navigation->topViewController()))
                    << label;
                EXPECT_GE(stored->lastUse(), std::int64_t(NSDate::date().timeIntervalSince1970()) - 60)
                    << label;
                EXPECT_FALSE(UIAlertView::visibleAlert()) << label;
            } else {
                EXPECT_EQ(alertMessage(), c.message) << label;
                EXPECT_EQ(UIAlertView::visibleAlert()->title(), "Error");
                EXPECT_EQ(UIAlertView::visibleAlert()->buttonTitleAtIndex(0), "OK");
                EXPECT_EQ(StubDirListController::made, 0) << label;
                EXPECT_EQ(stored->lastUse(), 1000) << label << ": a failed connect leaves the store alone";
                EXPECT_EQ(navigation->topViewController(), start);
            }
        }
    }
}

TEST_F(StartConnect, AConnectionDeletedMeanwhileOnlyReloads)
{
    const std::int32_t id = addConnection("gone", false);
    showStart();
    const auto cell = firstConnectionCell();
    ASSERT_TRUE(store().deleteConn(id));
    press(cell->btnBack);
    EXPECT_FALSE(start->connecting());
    EXPECT_FALSE(NetworkManager::sharedManager().isBusy());
    press(firstConnectionCell() ? firstConnectionCell()->btnEdit : cell->btnEdit);
    EXPECT_FALSE(start->presentedViewController());
    EXPECT_EQ(start->tblConns(1)->numberOfRowsInSection(0), 1);
    EXPECT_EQ(kindShown(*visibleCell(1, 0)), StartScreenGrid::ItemKind::logo);
}

TEST_F(StartConnect, WithoutADirectoryScreenAConnectLogsAndStays)
{
    // The name stands for something that is no screen (the registry keeps names for good).
    UIClassRegistry::shared().registerClass(
        StartViewController::kDirectoryScreenClassName, "UIView", [] { return std::make_shared<UIView>(); });
    addConnection("site", false, "127.0.0.1", ftp().port(), ftp().user(), ftp().password());
    showStart();
    LogCapture log;
    press(firstConnectionCell()->btnBack);
    ASSERT_TRUE(waitForIdleNetwork());
    settle();
    EXPECT_TRUE(log.contains("Cannot show the screen DirListController"));
    EXPECT_EQ(navigation->topViewController(), start);
    EXPECT_FALSE(start->connecting());
    EXPECT_FALSE(ScreenMaker::pushScreenNamed(navigation.get(), "NotRegisteredAnywhere", true));
    EXPECT_TRUE(log.contains("NotRegisteredAnywhere"));
}

class ConnectionForm : public StartConnect { };

TEST_F(ConnectionForm, ANewConnectionIsStoredBeforeItsConnectAndRemovedWhenItFails)
{
    struct Case {
        const char* device;
        bool rightPassword;
    };
    for (const Case c : { Case { "ipad", true }, Case { "ipad", false }, Case { "iphone", true },
             Case { "iphone", false } }) {
        TearDown();
        SetUp();
        useDevice(c.device);
        const std::int32_t other = addConnection("other", true);
        if (!ftp().exists("pub")) ftp().makeDir("pub");
        showStart();
        const auto f = openNewForm();
        ASSERT_TRUE(f) << c.device;
        EXPECT_EQ(f->lblTitle()->text(), u"CONNECT TO SERVER");
        EXPECT_EQ(f->btnConnect()->titleForState(UIControlStateNormal), u"CONNECT");
        EXPECT_TRUE(f->btnRemove()->isHidden());
        EXPECT_TRUE(f->btnBookmark()->isHidden());
        EXPECT_FALSE(f->btnBookmark2()->isHidden());
        EXPECT_TRUE(f->txtPass()->isSecureTextEntry());
        fill(*f, "new site", "127.0.0.1", std::to_string(ftp().port()), ftp().user(),
            c.rightPassword ? ftp().password() : "nope", "pub");
        press(f->btnConnect());
        EXPECT_TRUE(f->connecting());
        EXPECT_TRUE(f->actConnect()->isAnimating());
        // Stored before the connect, under the name typed.
        ASSERT_EQ(store().getBookmarks().size() + store().getLastConns().size(), 2u);
        // The start screen may not start a second operation meanwhile.
        const auto otherCell = firstConnectionCell();
        ASSERT_EQ(otherCell->btnBack->tag(), other);
        press(otherCell->btnBack);
        EXPECT_FALSE(start->connecting()) << c.device;
        EXPECT_EQ(NetworkManager::sharedManager().conn()->name(), "new site");
        // Refused aloud: the form's connect is not the start screen's own.
        EXPECT_EQ(alertMessage(), BusyAlert::message(BusyAlert::kConnectNotStarted));
        UIAlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
        ASSERT_TRUE(waitForIdleNetwork());
        settle();
        EXPECT_FALSE(f->connecting());
        ASSERT_TRUE(store().getConnByID(other)) << "the other record stays";
        const auto lastConns = store().getLastConns();
        if (c.rightPassword) {
            ASSERT_EQ(lastConns.size(), 1u);
            EXPECT_EQ(lastConns[0]->name(), "new site");
            EXPECT_EQ(lastConns[0]->startPath(), "/pub/");
            EXPECT_EQ(lastConns[0]->port(), ftp().port());
            EXPECT_FALSE(start->presentedViewController()) << "the form is closed";
            EXPECT_EQ(StubDirListController::made, 1);
            EXPECT_TRUE(std::dynamic_pointer_cast<StubDirListController>(navigation->topViewController()))
                << c.device;
        } else {
            EXPECT_TRUE(lastConns.empty()) << "the record added for the connect is gone again";
            EXPECT_EQ(alertMessage(), "Could not connect to server (67)!\nInvalid login!");
            EXPECT_EQ(start->presentedViewController(), f) << "the form stays open";
            EXPECT_EQ(f->txtName()->text(), u"new site");
            EXPECT_EQ(StubDirListController::made, 0);
        }
    }
}

TEST_F(ConnectionForm, CancelWhileConnectingStoresNothingAndPushesNothing)
{
    for (const bool rightPassword : { true, false }) {
        TearDown();
        SetUp();
        showStart();
        std::weak_ptr<EditConnectionController> weak = openNewForm();
        fill(*weak.lock(), "cancelled", "127.0.0.1", std::to_string(ftp().port()), ftp().user(),
            rightPassword ? ftp().password() : "nope", "");
        press(weak.lock()->btnConnect());
        ASSERT_EQ(store().getLastConns().size(), 1u);
        press(weak.lock()->btnCancel());
        // Gone at once, not when the result comes: a process ending meanwhile keeps nothing,
        // and the name is free again.
        EXPECT_TRUE(store().getLastConns().empty()) << rightPassword;
        EXPECT_TRUE(NetworkManager::sharedManager().isBusy());
        settle();
        EXPECT_FALSE(start->presentedViewController());
        ASSERT_TRUE(waitForIdleNetwork());
        settle();
        EXPECT_TRUE(store().getLastConns().empty()) << rightPassword;
        EXPECT_EQ(StubDirListController::made, 0);
        EXPECT_EQ(navigation->topViewController(), start);
        EXPECT_FALSE(UIAlertView::visibleAlert());
        EXPECT_EQ(start->tblConns(0)->numberOfRowsInSection(0), 1);
        settle();
        EXPECT_TRUE(weak.expired()) << "the form goes once its result has come";
    }
}

TEST_F(ConnectionForm, RefusedRecordsAreExplainedAndNotConnected)
{
    for (int i = 0; i <= ConnectionManager::kBookmarkLimit; ++i)
        addConnection("book " + std::to_string(i), true);
    addConnection("taken", false);
    showStart();
    struct Case {
        const char* name;
        const char* host;
        bool bookmark;
        const char* message;
        const char* port = "";
    };
    const Case cases[] = {
        { "", "host", false, "Please fill out the required fields!" },
        { "name", "", false, "Please fill out the required fields!" },
        { "taken", "host", false,
            "A connection with this name is stored already. Please choose another name!" },
        { "one more", "host", true, "No more bookmarks can be stored. Please delete one first!" },
        { "port zero", "host", false, "Please enter a port from 1 to 65535!", "0" },
        { "port too high", "host", false, "Please enter a port from 1 to 65535!", "65536" },
        { "port negative", "host", false, "Please enter a port from 1 to 65535!", "-21" },
    };
    for (const Case& c : cases) {
        resetModals();
        const auto f = openNewForm();
        ASSERT_TRUE(f);
        fill(*f, c.name, c.host, c.port, "", "", "");
        if (c.bookmark) press(f->btnBookmark2());
        press(f->btnConnect());
        EXPECT_EQ(alertMessage(), c.message) << c.name;
        EXPECT_FALSE(f->connecting()) << c.name;
        EXPECT_FALSE(NetworkManager::sharedManager().isBusy()) << c.name;
        EXPECT_NE(
            NetworkManager::sharedManager().delegate(), std::dynamic_pointer_cast<NetworkManagerDelegate>(f));
        f->dismissModalViewControllerAnimated(false);
        settle();
    }
    EXPECT_EQ(store().getLastConns().size(), 1u);
    EXPECT_EQ(store().getBookmarks().size(), std::size_t(ConnectionManager::kBookmarkLimit + 1));
}

TEST_F(ConnectionForm, ApplyWritesTheRecordBackWithoutConnecting)
{
    for (const char* device : { "ipad", "iphone" }) {
        TearDown();
        SetUp();
        useDevice(device);
        NSUserDefaults::standardUserDefaults().setBool(false, "maskPasswords");
        const std::int32_t id
            = addConnection("Old", true, "old.host", 2222, "olduser", "oldpw", "/old/", 1, 4242);
        showStart();
        press(firstConnectionCell()->btnEdit);
        settle();
        const auto f = form();
        ASSERT_TRUE(f);
        EXPECT_EQ(f->lblTitle()->text(), u"EDIT SERVER CONNECTION");
        EXPECT_EQ(f->btnConnect()->titleForState(UIControlStateNormal), u"APPLY");
        EXPECT_FALSE(f->btnRemove()->isHidden());
        EXPECT_FALSE(f->btnBookmark()->isHidden());
        EXPECT_TRUE(f->btnBookmark2()->isHidden());
        EXPECT_EQ(f->segType()->selectedSegmentIndex(), 1);
        EXPECT_EQ(f->txtPort()->text(), u"2222");
        EXPECT_EQ(f->txtPass()->text(), u"oldpw");
        EXPECT_FALSE(f->txtPass()->isSecureTextEntry());
        fill(*f, "New", "new.host", "2121abc", "newuser", "newpw", "docs");
        press(f->btnBookmark());
        f->segType()->setSelectedSegmentIndex(0);
        press(f->btnConnect());
        settle();
        EXPECT_FALSE(start->presentedViewController()) << device;
        EXPECT_FALSE(NetworkManager::sharedManager().isBusy());
        const auto stored = store().getConnByID(id);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->name(), "New");
        EXPECT_EQ(stored->host(), "new.host");
        EXPECT_EQ(stored->port(), 2121);
        EXPECT_EQ(stored->username(), "newuser");
        EXPECT_EQ(stored->password(), "newpw");
        EXPECT_EQ(stored->startPath(), "/docs/");
        EXPECT_EQ(stored->type(), 0);
        EXPECT_FALSE(stored->isBookmark());
        EXPECT_EQ(stored->lastUse(), 4242);
        // The start screen was reloaded: the cell now has the recent style.
        const auto cell = firstConnectionCell();
        EXPECT_EQ(cell->lblName->text().substr(0, 3), u"New");
        EXPECT_TRUE(
            cell->btnBack->backgroundColor()->isEqual(*UIColorHexColor::colorWithHexString("d9d9d9")));
    }
}

TEST_F(ConnectionForm, DeleteAsksFirstAndOnlyYesDeletes)
{
    for (const char* device : { "ipad", "iphone" }) {
        TearDown();
        SetUp();
        useDevice(device);
        const std::int32_t id = addConnection("doomed", false);
        showStart();
        press(firstConnectionCell()->btnEdit);
        settle();
        const auto f = form();
        ASSERT_TRUE(f);
        for (const bool yes : { false, true }) {
            press(f->btnRemove());
            const auto sheets = UIActionSheet::visibleSheets();
            ASSERT_EQ(sheets.size(), 1u) << device;
            const auto sheet = sheets.back();
            EXPECT_EQ(sheet->title(), "Do you really want to delete this connection?");
            EXPECT_EQ(sheet->buttonTitleAtIndex(sheet->destructiveButtonIndex()), "Yes.");
            EXPECT_EQ(sheet->buttonTitleAtIndex(sheet->firstOtherButtonIndex()), "No!");
            EXPECT_EQ(sheet->cancelButtonIndex(), -1);
            sheet->dismissWithClickedButtonIndex(
                yes ? sheet->destructiveButtonIndex() : sheet->firstOtherButtonIndex(), false);
            settle();
            EXPECT_EQ(bool(store().getConnByID(id)), !yes) << device;
            EXPECT_EQ(bool(start->presentedViewController()), !yes) << device;
        }
        EXPECT_EQ(kindShown(*visibleCell(pad() ? 1 : 0, 0)),
            pad() ? StartScreenGrid::ItemKind::logo : StartScreenGrid::ItemKind::megaButton);
    }
}

// Another operation holds the network manager (the form's cancelled connect waiting for its
// time-out, say): a connect from the start screen or the form is refused with an alert, and
// nothing is stored for it.
TEST_F(ConnectionForm, AnotherOperationRefusesAConnectAloud)
{
    addConnection("site", false, "127.0.0.1", ftp().port(), ftp().user(), ftp().password());
    showStart();
    std::atomic<bool> release { false };
    ASSERT_TRUE(NetworkManager::sharedManager().beginOperation(2, [&release] {
        while (!release)
            ::usleep(1000);
    }));
    const std::string busy = BusyAlert::message(BusyAlert::kConnectNotStarted);
    EXPECT_EQ(busy,
        "Another server operation is still running, so the connection was not opened. Please try again "
        "when it has ended.");
    press(firstConnectionCell()->btnBack);
    EXPECT_FALSE(start->connecting());
    EXPECT_EQ(alertMessage(), busy);
    UIAlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);

    const auto f = openNewForm();
    ASSERT_TRUE(f);
    fill(*f, "typed", "127.0.0.1", std::to_string(ftp().port()), ftp().user(), ftp().password(), "");
    press(f->btnConnect());
    EXPECT_FALSE(f->connecting());
    EXPECT_EQ(alertMessage(), busy);
    settle();
    EXPECT_TRUE(UIRenderer::writeScreenPNG(snapshotPath("form-connect-busy")));
    EXPECT_EQ(store().getLastConns().size(), 1u) << "nothing stored for the refused connect";
    EXPECT_EQ(start->presentedViewController(), f);
    EXPECT_EQ(f->txtName()->text(), u"typed");
    release = true;
    ASSERT_TRUE(waitForIdleNetwork());
}

// The store refuses the write (another process holds the database): APPLY and delete say so and
// keep the form open with what the user typed; the stored record stays as it was.
TEST_F(ConnectionForm, StoreFailuresOnApplyAndDeleteKeepTheFormAndTheEdits)
{
    for (const char* device : { "ipad", "iphone" }) {
        TearDown();
        SetUp();
        useDevice(device);
        const std::int32_t id = addConnection("Old", true, "old.host");
        showStart();
        press(firstConnectionCell()->btnEdit);
        settle();
        const auto f = form();
        ASSERT_TRUE(f);
        sqlite3* locker = nullptr;
        ASSERT_EQ(sqlite3_open(store().path().c_str(), &locker), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        fill(*f, "New", "new.host", "", "", "", "");
        struct Case {
            const char* what;
            std::function<void()> act;
            const char* message;
        };
        const Case cases[] = {
            { "apply", [&] { press(f->btnConnect()); },
                "The changes could not be stored (database is locked)! The stored connection is unchanged; "
                "your changes are still in the form." },
            { "delete",
                [&] {
                    press(f->btnRemove());
                    const auto sheet = UIActionSheet::visibleSheets().back();
                    sheet->dismissWithClickedButtonIndex(sheet->destructiveButtonIndex(), false);
                },
                "The connection could not be deleted (database is locked)! It is still stored." },
        };
        for (const Case& c : cases) {
            c.act();
            settle();
            EXPECT_EQ(alertMessage(), c.message) << c.what;
            EXPECT_EQ(UIAlertView::visibleAlert()->title(), "Error");
            EXPECT_TRUE(UIRenderer::writeScreenPNG(
                snapshotPath(std::string("form-") + c.what + "-refused-" + device)));
            UIAlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
            EXPECT_EQ(start->presentedViewController(), f) << c.what << ": the form stays open";
            EXPECT_EQ(f->txtName()->text(), u"New") << c.what;
            EXPECT_EQ(f->txtHost()->text(), u"new.host") << c.what;
        }
        ASSERT_EQ(sqlite3_exec(locker, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(locker);
        ASSERT_TRUE(store().getConnByID(id));
        EXPECT_EQ(store().getConnByID(id)->name(), "Old");
        // Once the store takes writes again, the same APPLY stores the edits and closes the form.
        press(f->btnConnect());
        settle();
        EXPECT_FALSE(start->presentedViewController());
        EXPECT_EQ(store().getConnByID(id)->name(), "New");
    }
}

TEST_F(ConnectionForm, FieldRules)
{
    const std::pair<const char16_t*, int> ports[] = { { u"", 21 }, { u"2121abc", 2121 }, { u"abc", 0 },
        { u"  22", 22 }, { u"+990", 990 }, { u"-5", -5 }, { u"99999999999", INT32_MAX } };
    for (const auto& [text, port] : ports)
        EXPECT_EQ(EditConnectionController::portValue(text), port) << utf16ToUtf8(text);
    const std::pair<const char*, const char*> paths[] = { { "", "/" }, { "www", "/www/" },
        { "/www", "/www/" }, { "www/", "/www/" }, { "/", "/" }, { "/docs/", "/docs/" }, { "a/b", "/a/b/" } };
    for (const auto& [path, normalised] : paths)
        EXPECT_EQ(EditConnectionController::normalisedStartPath(path), normalised) << path;

    showStart();
    const auto f = openNewForm();
    struct Step {
        const char16_t* port;
        int segment;
        const char16_t* after;
    };
    for (const Step s : { Step { u"", 1, u"22" }, Step { u"", 0, u"21" }, Step { u"2222", 1, u"2222" } }) {
        f->txtPort()->setText(s.port);
        f->segType()->setSelectedSegmentIndex(s.segment);
        f->segType()->sendActionsForControlEvents(UIControlEventValueChanged);
        EXPECT_EQ(f->txtPort()->text(), s.after);
    }
}

// The form moves up along the turned screen (never sideways) by the fraction's shift, further
// where that leaves the focused field (or, from Path, the buttons) under the keyboard or a
// button cut in two by it, never leaving the header cut by the status bar where it need not,
// and comes back exactly to its place when the keyboard hides.
TEST_F(ConnectionForm, FocusedFieldShowsAboveTheKeyboardInEveryOrientation)
{
    enum Field { Name, Host, Port, User, Pass, Path };
    struct Case {
        const char* device;
        UIInterfaceOrientation orientation;
        std::array<CGFloat, 6> shifts; // by field
    };
    constexpr auto portrait = UIInterfaceOrientationPortrait;
    constexpr auto upsideDown = UIInterfaceOrientationPortraitUpsideDown;
    constexpr auto left = UIInterfaceOrientationLandscapeLeft;
    constexpr auto right = UIInterfaceOrientationLandscapeRight;
    // Path on a phone and on a turned pad: the fraction's 133 and 206 leave the buttons under
    // the keyboard; 214 and 252 bring them up. On an upright pad the buttons straddle the
    // keyboard's top from Name and Host; on a phone Host's and Port's small shifts would cut the
    // header at the status bar, and a turned pad's Port too.
    const Case cases[] = {
        { "iphone", portrait, { 0, 0, 0, 73, 103, 214 } },
        { "ipad", portrait, { 36, 36, 56, 89, 122, 154 } },
        { "ipad", upsideDown, { 36, 36, 56, 89, 122, 154 } },
        { "ipad", left, { 0, 32, 54, 119, 163, 252 } },
        { "ipad", right, { 0, 32, 54, 119, 163, 252 } },
    };
    for (const Case& c : cases) {
        for (const Field which : { Name, Host, Port, User, Pass, Path }) {
            SCOPED_TRACE(std::string(c.device) + " orientation " + std::to_string(c.orientation) + " field "
                         + std::to_string(which));
            TearDown();
            SetUp();
            useDevice(c.device);
            showStart(c.orientation);
            const auto f = openNewForm();
            ASSERT_TRUE(f);
            UITextField* const fields[] = { f->txtName(), f->txtHost(), f->txtPort(), f->txtUser(), f->txtPass(), f->txtPath() };
            UITextField* field = fields[which];
            const CGRect rest = UIModalChrome::interfaceRectOfView(*f->view(), f->view()->bounds());
            const CGPoint restCentre = f->view()->center();
            ASSERT_TRUE(field->becomeFirstResponder());
            settle();
            EXPECT_EQ(f->animatedDistance(), c.shifts[which]);
            const CGRect moved = UIModalChrome::interfaceRectOfView(*f->view(), f->view()->bounds());
            EXPECT_EQ(moved.origin.x, rest.origin.x) << "up, not sideways";
            EXPECT_EQ(moved.origin.y, rest.origin.y - c.shifts[which]);
            const CGFloat keyboardTop = UIModalChrome::keyboardTopInInterface();
            std::vector<UIView*> shown { field };
            if (which == Path)
                shown = { field, f->btnCancel(), f->btnConnect() };
            for (UIView* view : shown) {
                const CGRect r = UIModalChrome::interfaceRectOfView(*view, view->bounds());
                EXPECT_LE(CGRectGetMaxY(r), keyboardTop);
                EXPECT_GE(r.origin.y, UIApplication::kStatusBarHeight);
            }
            for (UIView* button : { static_cast<UIView*>(f->btnCancel()), static_cast<UIView*>(f->btnConnect()) }) {
                const CGRect r = UIModalChrome::interfaceRectOfView(*button, button->bounds());
                EXPECT_TRUE(CGRectGetMaxY(r) <= keyboardTop || r.origin.y >= keyboardTop) << "a button cut in two";
            }
            const CGRect header = UIModalChrome::interfaceRectOfView(*f->imgDino(), f->imgDino()->bounds());
            EXPECT_TRUE(header.origin.y >= UIApplication::kStatusBarHeight || CGRectGetMaxY(header) <= UIApplication::kStatusBarHeight)
                << "the header cut by the status bar";
            field->resignFirstResponder();
            settle();
            EXPECT_EQ(f->view()->center(), restCentre);
        }
    }
}

// A pad turned while a field has the keyboard: the form moves up again for the new keyboard and
// still comes back to its place.
TEST_F(ConnectionForm, TurningWithTheKeyboardUpKeepsTheFieldShowing)
{
    useDevice("ipad");
    showStart();
    const auto f = openNewForm();
    ASSERT_TRUE(f);
    f->txtPath()->becomeFirstResponder();
    settle();
    ASSERT_TRUE(UIViewControllerAttemptRotationToOrientation(UIInterfaceOrientationLandscapeRight));
    settle();
    EXPECT_EQ(f->animatedDistance(), 252);
    const CGRect connect = UIModalChrome::interfaceRectOfView(*f->btnConnect(), f->btnConnect()->bounds());
    EXPECT_LE(CGRectGetMaxY(connect), UIModalChrome::keyboardTopInInterface());
    f->txtPath()->resignFirstResponder();
    settle();
    const CGRect back = UIModalChrome::interfaceRectOfView(*f->view(), f->view()->bounds());
    EXPECT_EQ(back.origin, CGPointMake((1024 - back.size.width) / 2, (768 - back.size.height) / 2)) << "centred again";
}

TEST_F(ConnectionForm, Snapshots)
{
    for (const char* device : { "ipad", "iphone" }) {
        for (const bool edit : { false, true }) {
            TearDown();
            SetUp();
            useDevice(device);
            addConnection(
                "Company web site", true, "www.example.com", 21, "webmaster", "secret", "/htdocs/", 0, 9000);
            showStart();
            if (edit)
                press(firstConnectionCell()->btnEdit);
            else
                press(visibleCell(0, 0)->btnConnect);
            settle();
            ASSERT_TRUE(form());
            ASSERT_TRUE(UIRenderer::writeScreenPNG(
                snapshotPath(std::string("form-") + (edit ? "edit-" : "new-") + device)));
        }
        // With the keyboard up from the first field: the buttons whole, the header uncut.
        form()->txtName()->becomeFirstResponder();
        settle();
        ASSERT_TRUE(UIRenderer::writeScreenPNG(snapshotPath(std::string("form-keyboard-") + device)));
    }
}

} // namespace

namespace {

TEST(ConnectAlertText, KnownCodesGetOurWordsOthersTheLibrarysText)
{
    EXPECT_EQ(
        ConnectAlert::messageForCode(6), "Could not connect to server (6)!\nInvalid or unreachable host!");
    EXPECT_EQ(ConnectAlert::messageForCode(7), "Could not connect to server (7)!\nNo service!");
    EXPECT_EQ(ConnectAlert::messageForCode(67), "Could not connect to server (67)!\nInvalid login!");
    EXPECT_EQ(ConnectAlert::messageForCode(28),
        "Could not connect to server (28)!\n" + NetworkManager::sharedManager().getErrorMessage(28));
    EXPECT_FALSE(NetworkManager::sharedManager().getErrorMessage(28).empty());
}

} // namespace
