#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Host/HostMain.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "tests/support/TempDir.h"
#include "tests/uikit_controllers/ControllerTestSupport.h"

using ::testing::Contains;

namespace {

std::shared_ptr<EventLog> gLaunchLog;

// The delegate a main interface file makes: launching pushes one screen and shows the stack,
// as the application's own delegate does.
class LaunchingDelegate : public UIResponder, public UIApplicationDelegate, public UIInterfaceOwner {
public:
    bool applicationDidFinishLaunchingWithOptions(UIApplication&, const UILaunchOptions&) override
    {
        gLaunchLog->push_back(
            window_ && navController_ ? "launched with outlets" : "launched without outlets");
        navController_->pushViewControllerAnimated(
            std::make_shared<LoggingController>("First", gLaunchLog), true);
        window_->setRootViewController(navController_);
        window_->makeKeyAndVisible();
        return true;
    }
    UIWindowRef window() const override { return window_; }

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        table.outlet("window", window_);
        table.outlet("navController", navController_);
    }

private:
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UINavigationController> navController_;
};

class ApplicationMainTest : public ControllerTest { };

// The whole road: the platform's main loads the main interface file (before the delegate hears
// of the launch), the host runs a script that turns the device and warns of memory.
TEST_F(ApplicationMainTest, MainInterfaceLaunchesUnderTheHeadlessHost)
{
    if (UIClassRegistry::shared().classNamed("LaunchingDelegate") == nullptr) {
        UIClassRegistry::shared().registerClass(
            "LaunchingDelegate", "", [] { return std::make_shared<LaunchingDelegate>(); });
    }
    gLaunchLog = log;
    TempDir bundle;
    std::filesystem::create_directories(bundle / "Interface");
    std::ofstream(bundle / "Interface/Main.json") << R"({"owner": "UIApplication", "objects": [
        {"class": "LaunchingDelegate", "outlet": "delegate", "outlets": {"window": "w", "navController": "n"}},
        {"class": "UIWindow", "id": "w"}, {"class": "UINavigationController", "id": "n"}]})";
    std::ofstream(bundle / "Info.plist") << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>NSMainNibFile</key><string>Main</string></dict></plist>)";
    std::ofstream(bundle / "script.txt") << "rotate landscape\nmemoryWarning\nquit\n";
    BundleOverride env(bundle.path());

    std::ostringstream err;
    installHostForApplicationMain(err);
    std::string script = bundle / "script.txt";
    std::vector<std::string> args { "lexiphant", "--headless", "--device", "ipad", "--script", script };
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    EXPECT_EQ(UIApplicationMain(int(argv.size()), argv.data(), "", ""), 0) << err.str();
    EXPECT_EQ((*log)[0], "launched with outlets");
    EXPECT_THAT(*log, Contains("First didRotate from 1"));
    EXPECT_THAT(*log, Contains("First memoryWarning"));
    UIApplicationSetHost({});
}

TEST_F(ApplicationMainTest, BrokenMainInterfaceEndsTheRunWithItsMessage)
{
    TempDir bundle;
    std::filesystem::create_directories(bundle / "Interface");
    std::ofstream(bundle / "Interface/Main.json")
        << R"({"owner": "UIApplication", "objects": [{"class": "NoSuchDelegate"}]})";
    std::ofstream(bundle / "Info.plist") << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>NSMainNibFile</key><string>Main</string></dict></plist>)";
    BundleOverride env(bundle.path());
    std::ostringstream err;
    installHostForApplicationMain(err);
    std::vector<std::string> args { "lexiphant", "--headless" };
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    EXPECT_EQ(UIApplicationMain(int(argv.size()), argv.data(), "", ""), 1);
    EXPECT_THAT(err.str(),
        ::testing::HasSubstr("Main.json: element objects[0], key 'class': unknown class 'NoSuchDelegate'"));
    UIApplicationSetHost({});
}

} // namespace

namespace {

TEST_F(ApplicationMainTest, DatesMoveWithTheRunLoopClock)
{
    const double before = NSDate::date().timeIntervalSince1970();
    EXPECT_GT(before, 1.6e9) << "a wall-clock date";
    advance(90);
    EXPECT_DOUBLE_EQ(NSDate::date().timeIntervalSince1970() - before, 90);
}

} // namespace
