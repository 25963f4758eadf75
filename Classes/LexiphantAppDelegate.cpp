#include "Classes/LexiphantAppDelegate.h"

#include "Classes/AppSettings.h"
#include "Classes/Controller/RatingPrompt.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/FileTemplates.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/NetworkManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

using AppSettings::kClearedMasterPassKey;
using AppSettings::kNotifiedOpenAllKey;
using AppSettings::kOpenAllKey;
constexpr char kMasterPassword[] = "masterPassword";

constexpr int kDisableOpenAllButton = 1;

}

LexiphantAppDelegate* LexiphantAppDelegate::sharedDelegate()
{
    return dynamic_cast<LexiphantAppDelegate*>(UIApplication::sharedApplication().delegate().get());
}

std::string LexiphantAppDelegate::firstScreenClassName(const NSUserDefaults& defaults)
{
    // Settings that could not be read may hold a master password: the app stays locked, as no
    // typed password matches, rather than offering to set one.
    if (!defaults.readError().empty())
        return "PassController";
    const PlistValue stored = defaults.objectForKey(kMasterPassword);
    if (stored.isNull())
        return "SetPassController";
    const auto password = defaults.stringForKey(kMasterPassword);
    return password && password->empty() ? "StartViewController" : "PassController";
}

void LexiphantAppDelegate::declareConnections(UIConnectionTable& table)
{
    table.outlet("window", window_);
    table.outlet("navController", navController_);
}

void LexiphantAppDelegate::registerDefaults(NSUserDefaults& defaults)
{
    AppSettings::registerWith(defaults);
    // Written only when absent, each saved at once, so the platform's settings show them. A
    // value of the wrong kind stays in the file as the user left it and reads as the default.
    for (const AppSettings::Setting& setting : AppSettings::all()) {
        if (!setting.writtenAtLaunch || defaults.hasStoredValueForKey(setting.key))
            continue;
        defaults.setObject(setting.defaultValue, setting.key);
        defaults.synchronize();
    }
}

void LexiphantAppDelegate::reportUnreadableSettings()
{
    const NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    const std::string error = defaults.readError();
    if (error.empty())
        return;
    const std::string message = "Your settings could not be read (" + error
        + "), so the app stays locked and nothing is stored in them. The file was kept as it was:\n"
        + defaults.path();
    std::make_shared<UIAlertView>("Error", message, std::weak_ptr<UIAlertViewDelegate> {}, "OK")->show();
}

void LexiphantAppDelegate::reportUnreadableStore()
{
    const ConnectionManager& store = ConnectionManager::sharedManager();
    if (store.isOpen())
        return;
    const std::string message = NSFileManager::defaultManager().fileExistsAtPath(store.path())
        ? "Your stored connections could not be read (" + store.openError()
            + "), so none are listed and new ones cannot be stored. The file was kept as it was:\n"
            + store.path()
        : "New connections cannot be stored: the file for them could not be created (" + store.openError()
            + "):\n" + store.path();
    std::make_shared<UIAlertView>("Error", message, std::weak_ptr<UIAlertViewDelegate> {}, "OK")->show();
}

bool LexiphantAppDelegate::applicationDidFinishLaunchingWithOptions(UIApplication& application, const UILaunchOptions& options)
{
    NSLog("didFinishLaunchingWithOptions");
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    registerDefaults(defaults);

    templates_ = FileTemplates::buildTemplates(defaults.boolForKey(FileTemplates::kCustomTemplateKey));

    if (defaults.boolForKey(kClearedMasterPassKey)) {
        defaults.setBool(false, kClearedMasterPassKey);
        defaults.removeObjectForKey(kMasterPassword);
        defaults.synchronize();
    }

    // The first screen asks for the password itself.
    ScreenMaker::pushScreenNamed(navController_.get(), firstScreenClassName(defaults), true);
    if (window_) {
        window_->setRootViewController(navController_);
        window_->makeKeyAndVisible();
    } else {
        NSLog("The main interface file gave the application delegate no window");
    }

    // Once, over the first screen, rather than an empty list that says nothing.
    reportUnreadableSettings();
    reportUnreadableStore();

    NSLogf("BUNDLE: %s", NSBundle::mainBundle().bundlePath().c_str());
    checkOpenAll();
    defaults.synchronize();
    RatingPrompt::appLaunched(true);
    return true;
}

void LexiphantAppDelegate::applicationDidEnterBackground(UIApplication& application)
{
    NSLog("App did enter background!");
    NSUserDefaults::standardUserDefaults().synchronize();
}

void LexiphantAppDelegate::applicationWillEnterForeground(UIApplication& application)
{
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    defaults.synchronize();
    checkOpenAll();
    defaults.synchronize();
    RatingPrompt::appEnteredForeground(true);
}

void LexiphantAppDelegate::applicationWillTerminate(UIApplication& application)
{
    NSLog("App will terminate!");
    ConnectionManager::sharedManager().terminate();
    NetworkManager::sharedManager().terminate();
}

unsigned LexiphantAppDelegate::applicationSupportedInterfaceOrientationsForWindow(UIApplication& application, UIWindow* window)
{
    return UIInterfaceOrientationMaskAll;
}

void LexiphantAppDelegate::checkOpenAll()
{
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    if (defaults.boolForKey(kOpenAllKey)) {
        if (!defaults.boolForKey(kNotifiedOpenAllKey))
            notifyOpenAll();
    } else {
        defaults.setBool(false, kNotifiedOpenAllKey);
    }
}

void LexiphantAppDelegate::notifyOpenAll()
{
    std::shared_ptr<UIAlertViewDelegate> self = std::dynamic_pointer_cast<LexiphantAppDelegate>(shared_from_this());
    std::make_shared<UIAlertView>("Open all file types",
                                  "Use this feature on your own risk. We are not liable for any crashes or corrupted files.",
                                  self, "OK", std::vector<std::string> { "Disable it!" })
        ->show();
}

void LexiphantAppDelegate::alertViewClickedButtonAtIndex(UIAlertView* alertView, int buttonIndex)
{
    NSLogf("Clicked button %d", buttonIndex);
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    if (buttonIndex == kDisableOpenAllButton) {
        defaults.setBool(false, kOpenAllKey);
        defaults.synchronize();
    }
    defaults.setBool(true, kNotifiedOpenAllKey);
    defaults.synchronize();
}

void LexiphantAppDelegate::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "", [] { return std::make_shared<LexiphantAppDelegate>(); });
}
