#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Classes/Controller/BookmarkCell.h"
#include "Classes/Controller/EditConnectionController.h"
#include "Classes/Controller/StartViewController.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/uikit/UIKitTestSupport.h"
#include "tests/support/SnapshotFolder.h"

// What a cell shows, read from its outlets alone.
inline StartScreenGrid::ItemKind kindShown(const BookmarkCell& cell)
{
    using Kind = StartScreenGrid::ItemKind;
    if (!cell.btnConnect->isHidden()) return Kind::megaButton;
    if (!cell.imgDino->isHidden()) return Kind::logo;
    if (!cell.btnBack->isHidden()) return Kind::connection;
    return Kind::blank;
}

// Stands in for the directory screen, built apart from the start screen: counts how often it
// was asked for.
class StubDirListController : public UIViewController {
public:
    static inline int made = 0;
    StubDirListController() { ++made; }
};

// A fresh home (no settings, no store), the application's classes with a stub directory screen,
// and the start screen at the root of a navigation controller in a window of the device.
class StartScreenTest : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        resetModals();
        // A fresh home each time: tests run several cases, each from an empty store.
        home_ = std::make_unique<TempDir>();
        env_ = std::make_unique<ScopedEnv>("LEXIPHANT_HOME", home_->path());
        NSUserDefaults::resetStandardUserDefaults();
        ConnectionManager::resetSharedManagerForTesting();
        UIImage::clearNamedCache();
        registerLexiphantClasses();
        UIClassRegistry::shared().registerClass(StartViewController::kDirectoryScreenClassName,
            "UIViewController", [] { return std::make_shared<StubDirListController>(); });
        StubDirListController::made = 0;
        NSUserDefaults::standardUserDefaults().setBool(true, "maskPasswords");
        NSUserDefaults::standardUserDefaults().setString("4CAA1E", "colorScheme");
    }
    void TearDown() override
    {
        waitForIdleNetwork();
        NetworkManager::sharedManager().setDelegate({});
        if (window) window->setRootViewController(nullptr);
        window.reset();
        navigation.reset();
        start.reset();
        resetModals();
        ConnectionManager::resetSharedManagerForTesting();
        NSUserDefaults::resetStandardUserDefaults();
        env_.reset();
        home_.reset();
        UIKitTest::TearDown();
    }
    static void resetModals()
    {
        UIAlertView::resetForTesting();
        UIActionSheet::resetForTesting();
    }
    static void useDevice(const char* name)
    {
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(name));
    }
    static bool pad() { return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad; }

    // The start screen on screen, in the orientation.
    void showStart(UIInterfaceOrientation orientation = UIInterfaceOrientationPortrait)
    {
        UIApplication::sharedApplication().setStatusBarOrientation(orientation);
        window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window->makeKeyAndVisible();
        start = std::make_shared<StartViewController>();
        navigation = std::make_shared<UINavigationController>(start);
        window->setRootViewController(navigation);
        settle();
    }
    void settle() { advance(1.0); }

    ConnectionManager& store() { return ConnectionManager::sharedManager(); }
    // Stores a connection; answers its row id.
    std::int32_t addConnection(const std::string& name, bool bookmark, const std::string& host = "127.0.0.1",
        int port = 21, const std::string& user = "lexi", const std::string& password = "pw",
        const std::string& path = "/", int type = 0, std::int64_t lastUse = 1000)
    {
        auto record = std::make_shared<QVConnection>();
        record->setName(name);
        record->setHost(host);
        record->setPort(port);
        record->setUsername(user);
        record->setPassword(password);
        record->setIsBookmark(bookmark);
        record->setStartPath(path);
        record->setType(type);
        record->setLastUse(lastUse);
        const std::int32_t id = store().addConn(record);
        EXPECT_GT(id, 0) << name;
        return id;
    }

    // Runs the main loop until no remote operation is left (results delivered).
    static bool waitForIdleNetwork(double seconds = 60)
    {
        return RunLoop::main().runUntil([] { return !NetworkManager::sharedManager().isBusy(); }, seconds);
    }

    std::shared_ptr<EditConnectionController> form() const
    {
        return std::dynamic_pointer_cast<EditConnectionController>(start->presentedViewController());
    }

    static std::string snapshotPath(const std::string& name) { return snapshotFile("screens_start", name); }

    std::unique_ptr<TempDir> home_;
    std::unique_ptr<ScopedEnv> env_;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<StartViewController> start;
};
