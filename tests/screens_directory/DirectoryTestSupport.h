#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Classes/Controller/AddPopover.h"
#include "Classes/Controller/AlertPrompt.h"
#include "Classes/Controller/DirListCell.h"
#include "Classes/Controller/DirListController.h"
#include "Classes/Controller/DirectoryPopover.h"
#include "Classes/Controller/FileEntryScreen.h"
#include "Classes/FileTemplates.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITextField.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SftpTestServer.h"
#include "tests/support/TempDir.h"
#include "tests/uikit/UIKitTestSupport.h"
#include "tests/support/SnapshotFolder.h"

// Stands in for the editor screen, which is built apart: it keeps the entry it was given.
class StubEditor : public UIViewController, public FileEntryScreen {
public:
    void setFileEntry(std::shared_ptr<FileEntry> entry) override
    {
        given = true;
        fileEntry = std::move(entry);
    }
    bool given { false };
    std::shared_ptr<FileEntry> fileEntry;
};

enum class Remote { ftp, sftp, microsoft };

struct ScreenCase {
    Remote remote;
    const char* device; // "ipad" or "iphone"
};

inline std::string caseName(const testing::TestParamInfo<ScreenCase>& info)
{
    const char* remote = info.param.remote == Remote::ftp ? "Ftp" : info.param.remote == Remote::sftp ? "Sftp" : "Microsoft";
    return std::string(remote) + (std::string(info.param.device) == "ipad" ? "Pad" : "Phone");
}

// A directory screen on a real server: a window with a navigation controller whose root stands
// in for the start screen, the manager connected to the server's root, the screen pushed on top.
class DirectoryScreenTest : public UIKitTest, public testing::WithParamInterface<ScreenCase> {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        NSUserDefaults::resetStandardUserDefaults();
        UIImage::clearNamedCache();
        UIAlertView::resetForTesting();
        UIActionSheet::resetForTesting();
        registerLexiphantClasses();
        registerEditor(true);
        server().clearRoot();
    }
    void TearDown() override
    {
        if (window_)
            window_->setRootViewController(nullptr);
        UIAlertView::resetForTesting();
        UIActionSheet::resetForTesting();
        UIApplication::sharedApplication().setDelegate(nullptr);
        NetworkManager::sharedManager().setDelegate({});
        turn();
        NSUserDefaults::resetStandardUserDefaults();
        UIKitTest::TearDown();
    }

    [[nodiscard]] bool pad() const { return std::string(param().device) == "ipad"; }
    [[nodiscard]] const ScreenCase& param() const { return GetParam(); }

    TestServer& server() const
    {
        switch (GetParam().remote) {
        case Remote::ftp:
            return FtpTestServer::shared();
        case Remote::microsoft:
            return FtpTestServer::shared(FtpTestServer::microsoft());
        case Remote::sftp:
            break;
        }
        return SftpTestServer::shared();
    }

    // The editor's class in the registry, or none.
    void registerEditor(bool registered)
    {
        UIClassRegistry::shared().registerClass(
            FileEntryScreen::kEditorClassName, "UIViewController",
            registered ? UIClassRegistry::Factory([] { return std::make_shared<StubEditor>(); }) : UIClassRegistry::Factory {});
    }

    // Connects (as the FTP server's read-only account when asked), then shows the screen over
    // the start screen's stand-in.
    void open(bool readOnly = false)
    {
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(param().device));
        auto connection = std::make_shared<QVConnection>();
        connection->setName("Test site");
        connection->setHost(server().host());
        connection->setPort(server().port());
        connection->setUsername(server().user());
        connection->setPassword(server().password());
        connection->setType(param().remote == Remote::sftp ? 1 : 0);
        connection->setStartPath(server().startPath());
        if (readOnly) {
            const auto& ftp = dynamic_cast<const FtpTestServer&>(server());
            connection->setUsername(ftp.readOnlyUser());
            connection->setPassword(ftp.readOnlyPassword());
        }
        NetworkManager& manager = NetworkManager::sharedManager();
        manager.setConnection(connection);
        manager.setDelegate({});
        auto done = std::make_shared<std::atomic<bool>>(false);
        performInBackground([done] {
            NetworkManager::sharedManager().connect();
            done->store(true);
        });
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return done->load(); }, 30)) << "connect";
        ASSERT_EQ(manager.threadStatus(), 0);

        window_ = makeWindow(pad() ? CGRectMake(0, 0, 768, 1024) : CGRectMake(0, 0, 320, 480));
        start_ = std::make_shared<UIViewController>();
        navigation_ = std::make_shared<UINavigationController>(start_);
        window_->setRootViewController(navigation_);
        screen_ = std::make_shared<DirListController>();
        navigation_->pushViewControllerAnimated(screen_, true);
        settle();
    }

    // Lets slides, the change-over and alerts end.
    void settle()
    {
        advance(1);
        turn();
        advance(1);
        turn();
    }
    // Runs the loop until the screen is idle again after a background listing.
    void waitIdle()
    {
        EXPECT_TRUE(RunLoop::main().runUntil(
            [&] { return !screen_->isBusy() && NetworkManager::sharedManager().threadStatus() == 0; }, 30));
        settle();
    }

    [[nodiscard]] std::vector<std::string> shownNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : *screen_->listDirEntries())
            names.push_back(entry->name());
        return names;
    }
    [[nodiscard]] int rowOf(const std::string& name) const
    {
        const auto names = shownNames();
        const auto at = std::find(names.begin(), names.end(), name);
        return at == names.end() ? -1 : int(at - names.begin());
    }
    // The label at the start folder: the server's root over FTP, the account's folder over SFTP.
    [[nodiscard]] std::string startLabel() const
    {
        if (param().remote != Remote::sftp)
            return "/";
        std::string path = server().startPath();
        path.pop_back();
        return path.substr(path.rfind('/') + 1);
    }
    [[nodiscard]] int startTag() const { return param().remote == Remote::sftp ? 0 : 1; }
    [[nodiscard]] std::string folderLabel() const { return utf16ToUtf8(screen_->lblFolder()->text()); }

    [[nodiscard]] CGPoint centreOf(const UIView& view) const
    {
        const CGRect r = view.convertRectToView(view.bounds(), nullptr);
        return { r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2 };
    }
    [[nodiscard]] CGPoint rowPoint(UITableView& table, int row) const
    {
        auto cell = table.cellForRowAtIndexPath(NSIndexPath::indexPathForRow(row, 0));
        EXPECT_TRUE(cell) << "row " << row << " on screen";
        return cell ? centreOf(*cell) : CGPoint {};
    }
    void tapPoint(CGPoint p)
    {
        tap(p);
        turn();
    }
    void tapRow(const std::string& name)
    {
        const int row = rowOf(name);
        ASSERT_GE(row, 0) << name;
        tapPoint(rowPoint(*screen_->tblDirectory(), row));
    }
    void pressRow(UITableView& table, int row)
    {
        const CGPoint p = rowPoint(table, row);
        down(p);
        advance(0.7);
        up(p);
        turn();
        advance(0.5);
        turn();
    }
    void tapAlertButton(int index)
    {
        auto alert = UIAlertView::visibleAlert();
        ASSERT_TRUE(alert);
        const CGRect r = alert->screenRectForButtonAtIndex(index);
        tap({ r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2 });
        settle();
    }
    void tapSheetButton(const std::string& title)
    {
        auto sheets = UIActionSheet::visibleSheets();
        ASSERT_FALSE(sheets.empty()) << "a sheet for " << title;
        auto sheet = sheets.back();
        for (int i = 0; i < sheet->numberOfButtons(); ++i) {
            if (sheet->buttonTitleAtIndex(i) != title)
                continue;
            const auto p = sheet->screenPointForButtonAtIndex(i);
            ASSERT_TRUE(p) << title;
            tap(*p);
            settle();
            return;
        }
        FAIL() << "no button " << title;
    }
    // Types into the visible prompt and confirms it.
    void answerPrompt(const std::string& text)
    {
        auto prompt = std::dynamic_pointer_cast<AlertPrompt>(UIAlertView::visibleAlert());
        ASSERT_TRUE(prompt) << "a prompt is shown";
        prompt->textField()->setText(utf8ToUtf16(text));
        tapAlertButton(1);
    }
    // Long press, then rename or delete through the pad's popover or the phone's sheet.
    void chooseAfterPress(const std::string& name, int action)
    {
        const int row = rowOf(name);
        ASSERT_GE(row, 0) << name;
        if (pad() && screen_->dirPopover() && screen_->dirPopover()->isPopoverVisible()) {
            screen_->dirPopover()->dismissPopoverAnimated(false); // as a touch beside it does
            settle();
        }
        pressRow(*screen_->tblDirectory(), row);
        if (pad()) {
            ASSERT_TRUE(screen_->dirPopover() && screen_->dirPopover()->isPopoverVisible());
            auto popover = std::dynamic_pointer_cast<DirectoryPopover>(screen_->dirPopover()->contentViewController());
            ASSERT_TRUE(popover);
            action == DirListController::kActionRename ? popover->btnRenamePressed() : popover->btnDeletePressed();
            settle();
            EXPECT_FALSE(screen_->dirPopover()->isPopoverVisible()) << "the choice takes the popover away";
        } else {
            tapSheetButton(action == DirListController::kActionRename ? "Rename" : "Delete");
        }
    }
    [[nodiscard]] std::shared_ptr<StubEditor> shownEditor() const
    {
        return std::dynamic_pointer_cast<StubEditor>(navigation_->topViewController());
    }
    [[nodiscard]] std::string alertText() const
    {
        auto alert = UIAlertView::visibleAlert();
        return alert ? alert->title() + ": " + alert->message() : "";
    }
    void snapshot(const std::string& name)
    {
        settle();
        EXPECT_TRUE(UIRenderer::writeScreenPNG(snapshotFile("screens_directory", name))) << name;
    }

    TempDir home_;
    ScopedEnv env_ { "LEXIPHANT_HOME", home_.path() };
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UIViewController> start_;
    std::shared_ptr<UINavigationController> navigation_;
    std::shared_ptr<DirListController> screen_;
};
