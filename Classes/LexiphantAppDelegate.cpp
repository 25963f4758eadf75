#include "Classes/LexiphantAppDelegate.h"

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/RatingPrompt.h"
#include "Classes/Controller/ScreenMaker.h"
#include "Classes/FileTemplates.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/NetworkManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

constexpr char kMaskPasswords[] = "maskPasswords";
constexpr char kOpenAll[] = "openAll";
constexpr char kNotifiedOpenAll[] = "notifiedOpenAll";
constexpr char kMasterPassword[] = "masterPassword";
constexpr char kClearedMasterPass[] = "clearedMasterPass";

constexpr int kDisableOpenAllButton = 1;

}

LexiphantAppDelegate* LexiphantAppDelegate::sharedDelegate()
{
    return dynamic_cast<LexiphantAppDelegate*>(UIApplication::sharedApplication().delegate().get());
}

std::string LexiphantAppDelegate::firstScreenClassName(const NSUserDefaults& defaults)
{
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
    // Written only when absent, each saved at once, so the platform's settings show them.
    const auto writeWhenAbsent = [&defaults](const char* key, const PlistValue& value) {
        if (!defaults.objectForKey(key).isNull())
            return;
        defaults.setObject(value, key);
        defaults.synchronize();
    };
    writeWhenAbsent(kMaskPasswords, PlistValue(true));
    writeWhenAbsent(FileTemplates::kCustomTemplateKey, PlistValue(false));
    writeWhenAbsent(AccentColor::kColorSchemeKey, PlistValue(std::string(AccentColor::kDefaultColorScheme)));
    writeWhenAbsent(kOpenAll, PlistValue(false));
    writeWhenAbsent(kNotifiedOpenAll, PlistValue(false));
}

bool LexiphantAppDelegate::applicationDidFinishLaunchingWithOptions(UIApplication& application, const UILaunchOptions& options)
{
    NSLog("didFinishLaunchingWithOptions");
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    registerDefaults(defaults);

    templates_ = FileTemplates::buildTemplates(defaults.boolForKey(FileTemplates::kCustomTemplateKey));

    if (defaults.boolForKey(kClearedMasterPass)) {
        defaults.setBool(false, kClearedMasterPass);
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
    if (defaults.boolForKey(kOpenAll)) {
        if (!defaults.boolForKey(kNotifiedOpenAll))
            notifyOpenAll();
    } else {
        defaults.setBool(false, kNotifiedOpenAll);
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
        defaults.setBool(false, kOpenAll);
        defaults.synchronize();
    }
    defaults.setBool(true, kNotifiedOpenAll);
    defaults.synchronize();
}

void LexiphantAppDelegate::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass(kClassName, "", [] { return std::make_shared<LexiphantAppDelegate>(); });
}
