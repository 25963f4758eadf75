#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Classes/Controller/PassController.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/Controller/SetPassController.h"
#include "Classes/Controller/UINavigationControllerIOS6.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/UIKit/UITextField.h"
#include "Classes/SettingsCommand.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "tests/screens_launch/LaunchTestSupport.h"
#include "tests/support/LogCapture.h"

namespace {

std::string screenName(const std::shared_ptr<UIViewController>& screen)
{
    if (dynamic_cast<SetPassController*>(screen.get()))
        return "SetPassController";
    if (dynamic_cast<PassController*>(screen.get()))
        return "PassController";
    if (dynamic_cast<StubStartScreen*>(screen.get()))
        return "StartViewController";
    return screen ? "another screen" : "no screen";
}

unsigned fileMode(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void chooseMasterPassword(SetPassController& screen, const std::u16string& password)
{
    screen.txtPass1()->setText(password);
    screen.txtPass2()->setText(password);
    screen.btnGoPressed();
}

TEST_F(LaunchTest, FirstScreenFollowsTheStoredMasterPasswordAndDefaultsAreWrittenOnlyWhenAbsent)
{
    struct Case {
        const char* name;
        const char* storedPassword; // null: absent
        bool clearRequested;
        const char* firstScreen;
        const char* passwordAfter; // null: absent
    };
    const Case cases[] = {
        { "first launch", nullptr, false, "SetPassController", nullptr },
        { "declined", "", false, "StartViewController", "" },
        { "set", "Secret 1", false, "PassController", "Secret 1" },
        { "set, clearing asked", "Secret 1", true, "SetPassController", nullptr },
        { "declined, clearing asked", "", true, "SetPassController", nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        closeApplication();
        UIApplication::sharedApplication().resetForTesting();
        NSUserDefaults::resetStandardUserDefaults();
        for (const char* key : { "maskPasswords", "customTemplate", "colorScheme", "openAll", "notifiedOpenAll",
                                 "masterPassword", "clearedMasterPass" })
            defaults().removeObjectForKey(key);
        if (c.storedPassword)
            defaults().setString(c.storedPassword, "masterPassword");
        if (c.clearRequested)
            defaults().setBool(true, "clearedMasterPass");
        ASSERT_TRUE(defaults().synchronize());

        auto app = relaunch();
        ASSERT_TRUE(app);
        EXPECT_EQ(screenName(topScreen()), c.firstScreen);
        EXPECT_EQ(app->navController()->viewControllers().size(), 1u);
        EXPECT_EQ(app->window()->rootViewController(), app->navController());
        EXPECT_TRUE(app->window()->isKeyWindow());
        EXPECT_EQ(app->templates().size(), 8u);

        // Read back from the file, as the next process would.
        NSUserDefaults::resetStandardUserDefaults();
        EXPECT_EQ(defaults().stringForKey("masterPassword").has_value(), c.passwordAfter != nullptr);
        if (c.passwordAfter) {
            EXPECT_EQ(defaults().stringForKey("masterPassword"), c.passwordAfter);
        }
        if (c.clearRequested) {
            EXPECT_FALSE(defaults().objectForKey("clearedMasterPass").isNull());
            EXPECT_FALSE(defaults().boolForKey("clearedMasterPass"));
        }
        EXPECT_TRUE(defaults().boolForKey("maskPasswords"));
        EXPECT_FALSE(defaults().objectForKey("customTemplate").isNull());
        EXPECT_FALSE(defaults().boolForKey("customTemplate"));
        EXPECT_EQ(defaults().stringForKey("colorScheme"), "4CAA1E");
        EXPECT_FALSE(defaults().objectForKey("openAll").isNull());
        EXPECT_FALSE(defaults().objectForKey("notifiedOpenAll").isNull());
    }

    // Values already there stay as the user set them.
    defaults().setBool(false, "maskPasswords");
    defaults().setString("ff8800", "colorScheme");
    defaults().setBool(true, "customTemplate");
    ASSERT_TRUE(defaults().synchronize());
    auto app = relaunch();
    EXPECT_FALSE(defaults().boolForKey("maskPasswords"));
    EXPECT_EQ(defaults().stringForKey("colorScheme"), "ff8800");
    EXPECT_EQ(app->templates()[2], u"") << "customTemplate starts it empty";
    EXPECT_EQ(LexiphantAppDelegate::sharedDelegate(), app.get());
}

TEST_F(LaunchTest, LaunchLogsInItsOrderAndTheLifeCycleSavesTheSettings)
{
    LogCapture log;
    auto app = launch();
    ASSERT_TRUE(app);
    const auto lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "didFinishLaunchingWithOptions");
    EXPECT_TRUE(log.contains("BUNDLE: " + NSBundle::mainBundle().bundlePath()));

    UIApplication& application = UIApplication::sharedApplication();
    defaults().setString("kept", "someKey");
    application.enterBackground();
    EXPECT_TRUE(log.contains("App did enter background!"));
    NSUserDefaults::resetStandardUserDefaults();
    EXPECT_EQ(defaults().stringForKey("someKey"), "kept") << "written out on entering the background";

    application.enterForeground();
    application.becomeActive();
    application.terminate();
    EXPECT_TRUE(log.contains("App will terminate!"));
    EXPECT_EQ(app->applicationSupportedInterfaceOrientationsForWindow(application, nullptr), 30u);
    EXPECT_FALSE(app->applicationHandleOpenURL(application, *NSURL::URLWithString("lexiphant://x")));
}

TEST_F(LaunchTest, OpenAllWarningIsShownOnceAfterEachSwitchingOn)
{
    LogCapture log;
    struct Step {
        const char* what;
        std::function<void()> act;
        bool warned;
        bool openAllAfter;
        bool notifiedAfter;
    };
    UIApplication& application = UIApplication::sharedApplication();
    auto switchOn = [] {
        std::ostringstream out, err;
        ASSERT_EQ(runSettingsCommand({ "set", "openAll", "yes" }, out, err), 0) << err.str();
        NSUserDefaults::resetStandardUserDefaults();
    };
    auto foreground = [&] {
        application.enterBackground();
        application.enterForeground();
        settle();
    };
    const Step steps[] = {
        { "first launch", [&] { launch(); }, false, false, false },
        { "switched on, back to the foreground", [&] { switchOn(); foreground(); }, true, true, false },
        { "answered OK", [&] { tapAlertButton(0); }, false, true, true },
        { "foreground again", foreground, false, true, true },
        { "next launch", [&] { relaunch(); }, false, true, true },
        { "switched on again, next launch", [&] { switchOn(); relaunch(); }, false, true, true },
        { "switched off and on, next launch", [&] {
             std::ostringstream out, err;
             runSettingsCommand({ "set", "openAll", "no" }, out, err);
             switchOn();
             relaunch();
         }, true, true, false },
        { "answered Disable it!", [&] { tapAlertButton(1); }, false, false, true },
        { "next launch resets the note", [&] { relaunch(); }, false, false, false },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        auto alert = UIAlertView::visibleAlert();
        EXPECT_EQ(alert != nullptr, step.warned);
        if (alert && step.warned) {
            EXPECT_EQ(alert->title(), "Open all file types");
            EXPECT_EQ(alert->message(),
                      "Use this feature on your own risk. We are not liable for any crashes or corrupted files.");
            EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
            EXPECT_EQ(alert->buttonTitleAtIndex(1), "Disable it!");
        }
        NSUserDefaults::resetStandardUserDefaults();
        EXPECT_EQ(defaults().boolForKey("openAll"), step.openAllAfter);
        EXPECT_EQ(defaults().boolForKey("notifiedOpenAll"), step.notifiedAfter);
    }
    EXPECT_TRUE(log.contains("Clicked button 0"));
    EXPECT_TRUE(log.contains("Clicked button 1"));
}

TEST_F(LaunchTest, SettingsFileWithThePasswordStaysPrivateThroughEverySave)
{
    // A file left readable by others (an older copy, a hand edit) holding a password.
    auto& files = NSFileManager::defaultManager();
    defaults().setString("Secret 1", "masterPassword");
    ASSERT_TRUE(defaults().synchronize());
    const std::string path = defaults().path();
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(files.fileExistsAtPath(path));

    auto app = launch();
    EXPECT_EQ(fileMode(path), 0600u) << "after launch";
    UIApplication::sharedApplication().enterBackground();
    EXPECT_EQ(fileMode(path), 0600u) << "after entering the background";
    UIApplication::sharedApplication().enterForeground();
    RatingPrompt::waitForCountingForTesting();
    EXPECT_EQ(fileMode(path), 0600u) << "after the foreground and the rating count";

    // A new password stored from the set-password screen.
    defaults().removeObjectForKey("masterPassword");
    ASSERT_TRUE(defaults().synchronize());
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    app = relaunch();
    auto screen = std::dynamic_pointer_cast<SetPassController>(topScreen());
    ASSERT_TRUE(screen);
    chooseMasterPassword(*screen, u"new one");
    EXPECT_EQ(fileMode(path), 0600u) << "after storing the password";
    EXPECT_NE(fileBytes(path).find("new one"), std::string::npos);
}

// A value of the wrong type or out of range reads as the key's default in the app and in
// `lexiphant settings get`, and stays in the file as it was.
TEST_F(LaunchTest, SettingsOfTheWrongKindReadAsTheirDefaults)
{
    struct Case {
        const char* key;
        PlistValue stored;
        const char* used; // as `settings get` shows it
    };
    const Case cases[] = {
        { "maskPasswords", PlistValue(std::string("x")), "yes" },
        { "maskPasswords", PlistValue(std::int64_t(7)), "yes" },
        { "maskPasswords", PlistValue(PlistValue::Array {}), "yes" },
        { "maskPasswords", PlistValue(std::string("NO")), "no" },
        { "maskPasswords", PlistValue(std::int64_t(0)), "no" },
        { "maskPasswords", PlistValue(false), "no" },
        { "colorScheme", PlistValue(std::string("green")), "4CAA1E" },
        { "colorScheme", PlistValue(std::int64_t(123456)), "4CAA1E" },
        { "colorScheme", PlistValue(std::string("ff8800")), "ff8800" },
        { "colorScheme", PlistValue(std::string("4CAA1E00zz")), "4CAA1E" },
        { "openAll", PlistValue(std::string("x")), "no" },
        { "openAll", PlistValue(2.5), "no" },
        { "customTemplate", PlistValue(std::string("maybe")), "no" },
        { "clearedMasterPass", PlistValue(std::string("x")), "no" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.used);
        defaults().setObject(c.stored, c.key);
        ASSERT_TRUE(defaults().synchronize());
        relaunch();
        const bool isFlag = std::string(c.key) != "colorScheme";
        if (isFlag)
            EXPECT_EQ(defaults().boolForKey(c.key), std::string(c.used) == "yes");
        else
            EXPECT_EQ(defaults().stringForKey(c.key), c.used);
        std::ostringstream out, err;
        EXPECT_EQ(runSettingsCommand({ "get", c.key }, out, err), 0) << err.str();
        EXPECT_EQ(out.str(), std::string(c.used) + "\n");
        NSUserDefaults::resetStandardUserDefaults();
        EXPECT_EQ(defaults().objectForKey(c.key), c.stored) << "the file keeps what it held";
    }
}

// Settings holding values that cannot be written back (edited by hand, another tool): the
// master password chosen at launch is still stored, and the file as it was is kept aside.
TEST_F(LaunchTest, SettingsWithValuesThatCannotBeWrittenBackStillStoreTheMasterPassword)
{
    const std::string path = defaults().path();
    const std::string original
        = "<plist><dict><key>maskPasswords</key><real>inf</real><key>kRatingPromptFirstUseDate</key>"
          "<real>nan</real><key>colorScheme</key><string>ff8800</string></dict></plist>";
    std::ofstream(path, std::ios::binary) << original;
    NSUserDefaults::resetStandardUserDefaults();

    launch();
    RatingPrompt::waitForCountingForTesting();
    auto screen = std::dynamic_pointer_cast<SetPassController>(topScreen());
    ASSERT_TRUE(screen);
    chooseMasterPassword(*screen, u"new one");
    settle();
    EXPECT_FALSE(UIAlertView::visibleAlert()) << UIAlertView::visibleAlert()->message();

    relaunch();
    EXPECT_EQ(screenName(topScreen()), "PassController");
    EXPECT_EQ(defaults().stringForKey("masterPassword"), "new one");
    EXPECT_EQ(defaults().stringForKey("colorScheme"), "ff8800");
    EXPECT_EQ(defaults().objectForKey("maskPasswords"), PlistValue(true)) << "written again as the default";
    EXPECT_EQ(fileBytes(path + ".corrupt"), original);
    EXPECT_EQ(fileMode(path + ".corrupt"), 0600u);
}

// Settings that cannot be read may hold a master password: the app stays locked (no password
// typed opens it), says why and where, and keeps the settings' place as it was.
TEST_F(LaunchTest, UnreadableSettingsKeepTheAppLocked)
{
    const std::string path = defaults().path();
    std::filesystem::remove(path);
    ASSERT_TRUE(std::filesystem::create_directories(path));
    NSUserDefaults::resetStandardUserDefaults();

    launch();
    EXPECT_EQ(screenName(topScreen()), "PassController");
    const auto alert = UIAlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message().rfind("Your settings could not be read (", 0), 0u) << alert->message();
    EXPECT_NE(alert->message().find("), so the app stays locked and nothing is stored in them. The file was kept as it "
                                    "was:\n"
                  + path),
              std::string::npos)
        << alert->message();
    tapAlertButton(0);
    for (const char* typed : { "", "NO PASSWORD", "Secret 1" }) {
        auto screen = std::dynamic_pointer_cast<PassController>(topScreen());
        ASSERT_TRUE(screen);
        screen->txtPass()->setText(utf8ToUtf16(typed));
        screen->btnGoPressed();
        settle();
        EXPECT_EQ(screenName(topScreen()), "PassController") << typed;
        if (UIAlertView::visibleAlert())
            tapAlertButton(0);
    }
    UIApplication::sharedApplication().enterBackground();
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::filesystem::remove(path);
}

// A store file that is not a database: one alert at launch says so and where the file is; the
// file stays byte for byte as it was.
TEST_F(LaunchTest, AnUnreadableStoreIsReportedOnceAtLaunchAndKeptAsItWas)
{
    auto& files = NSFileManager::defaultManager();
    ASSERT_TRUE(files.createDirectoryAtPath(files.documentsDirectory(), true));
    const std::string path = files.documentsDirectory() + "/data.sqlite3";
    const std::string bytes = "not a database, but maybe someone's only copy\n";
    std::ofstream(path, std::ios::binary) << bytes;
    defaults().setString("", "masterPassword");
    ASSERT_TRUE(defaults().synchronize());

    launch();
    const auto alert = UIAlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(),
        "Your stored connections could not be read (file is not a database), so none are listed and new ones "
        "cannot be stored. The file was kept as it was:\n"
            + path);
    tapAlertButton(0);
    UIApplication::sharedApplication().enterBackground();
    UIApplication::sharedApplication().enterForeground();
    settle();
    EXPECT_FALSE(UIAlertView::visibleAlert()) << "once, at launch";
    EXPECT_EQ(fileBytes(path), bytes);
}

// A home whose settings cannot be written: the set-password screen says the password was not
// stored and stays, and no unsaved password is left to be stored later.
TEST_F(LaunchTest, AMasterPasswordThatCannotBeStoredIsReportedAndTheScreenStays)
{
    // The settings' folder leads where nothing can be made: no settings yet, and none can be
    // stored (a settings file that cannot be read keeps the app locked instead).
    const std::string path = defaults().path();
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder.parent_path());
    std::filesystem::create_symlink("/proc/lexiphant-nowhere/Preferences", folder);
    NSUserDefaults::resetStandardUserDefaults();
    launch();
    auto screen = std::dynamic_pointer_cast<SetPassController>(topScreen());
    ASSERT_TRUE(screen);
    chooseMasterPassword(*screen, u"new one");
    settle();
    const auto alert = UIAlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Error");
    EXPECT_EQ(alert->message(),
        "Your master password could not be saved, so it would not be asked for at the next launch. No password "
        "is set; you can try again.\nSettings file: "
            + path);
    EXPECT_EQ(topScreen(), screen);
    EXPECT_TRUE(defaults().objectForKey("masterPassword").isNull());
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove(folder);
}

TEST_F(LaunchTest, RatingPromptCountsTheLaunchAndEveryReturnToTheForeground)
{
    auto app = launch();
    UIApplication& application = UIApplication::sharedApplication();
    // Straight back to the foreground while the launch's count may still run.
    application.enterBackground();
    application.enterForeground();
    RatingPrompt::waitForCountingForTesting();
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 2);
    for (int i = 0; i < 3; ++i) {
        application.enterBackground();
        application.enterForeground();
    }
    RatingPrompt::waitForCountingForTesting();
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 5);

    // An open rating alert goes, unanswered, when the application resigns active.
    application.becomeActive();
    RatingPrompt::sharedInstance()->showRatingAlert();
    settle();
    ASSERT_TRUE(RatingPrompt::sharedInstance()->ratingAlert()->isVisible());
    application.resignActive();
    EXPECT_FALSE(RatingPrompt::sharedInstance()->ratingAlert()->isVisible());
    EXPECT_FALSE(defaults().boolForKey("kRatingPromptDeclinedToRate"));
}

TEST_F(LaunchTest, ScreenOfAnUnregisteredClassIsLoggedAndNothingMoves)
{
    auto app = launch();
    const auto before = app->navController()->viewControllers();
    LogCapture log;
    EXPECT_FALSE(ScreenMaker::pushScreenNamed(app->navController().get(), "NoSuchScreen", true));
    EXPECT_TRUE(log.contains("NoSuchScreen"));
    EXPECT_EQ(app->navController()->viewControllers(), before);
}

// The navigation controller answers as its top screen; the password screens turn any way on a
// pad and stay upright on a phone.
TEST_F(LaunchTest, RotationRulesFollowTheTopScreen)
{
    struct Case {
        const char* device;
        unsigned mask;
        bool allowed[5]; // by orientation 1..4
    };
    const Case cases[] = {
        { "ipad", 30, { false, true, true, true, true } },
        { "iphone", 2, { false, true, true, false, false } },
    };
    for (const Case& c : cases) {
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(c.device));
        for (auto screen : { std::shared_ptr<MasterPasswordScreen>(std::make_shared<PassController>()),
                             std::shared_ptr<MasterPasswordScreen>(std::make_shared<SetPassController>()) }) {
            EXPECT_EQ(screen->supportedInterfaceOrientations(), c.mask) << c.device;
            for (int o = 1; o <= 4; ++o)
                EXPECT_EQ(screen->shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation(o)), c.allowed[o])
                    << c.device << " orientation " << o;
        }
    }
    auto app = launch(); // an iPhone now
    auto navigation = app->navController();
    ASSERT_TRUE(dynamic_cast<UINavigationControllerIOS6*>(navigation.get())) << "the main interface file makes ours";
    EXPECT_EQ(navigation->supportedInterfaceOrientations(), 2u) << "the set-password screen on top";
    EXPECT_TRUE(navigation->shouldAutorotate());
    UINavigationControllerIOS6 empty;
    EXPECT_EQ(empty.supportedInterfaceOrientations(), 30u);
    EXPECT_TRUE(empty.shouldAutorotate());
}

}
