#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/UIAlertViewDelegate.h"
#include "Platform/UIKit/UIApplicationDelegate.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UIResponder.h"

class NSUserDefaults;
class UINavigationController;

// The application's delegate, made by the main interface file with its window and navigation
// controller: registers the settings defaults, builds the new-file templates, chooses the first
// screen by the master password, warns once when opening all file types was switched on, tells
// the rating prompt of each use, and shuts the network down at termination. Main thread only.
class LexiphantAppDelegate : public UIResponder,
                             public UIApplicationDelegate,
                             public UIAlertViewDelegate,
                             public UIInterfaceOwner {
public:
    static constexpr char kClassName[] = "LexiphantAppDelegate";

    // The shared application's delegate, when it is this class (the new-file popover reads the
    // templates through it).
    [[nodiscard]] static LexiphantAppDelegate* sharedDelegate();

    // The class of the first screen for the stored master password: "SetPassController" when
    // none was ever stored, "PassController" for a non-empty one, "StartViewController" for "".
    [[nodiscard]] static std::string firstScreenClassName(const NSUserDefaults& defaults);

    [[nodiscard]] const std::shared_ptr<UINavigationController>& navController() const { return navController_; }
    void setNavController(std::shared_ptr<UINavigationController> controller) { navController_ = std::move(controller); }
    void setWindow(std::shared_ptr<UIWindow> window) { window_ = std::move(window); }

    // The eight new-file templates by index; element 2 is the user's custom template.
    [[nodiscard]] const std::vector<std::u16string>& templates() const { return templates_; }
    [[nodiscard]] std::vector<std::u16string>& templates() { return templates_; }
    void setTemplates(std::vector<std::u16string> templates) { templates_ = std::move(templates); }

    // The warning shown once after opening all file types was switched on.
    void notifyOpenAll();

    // UIApplicationDelegate
    bool applicationDidFinishLaunchingWithOptions(UIApplication& application, const UILaunchOptions& options) override;
    void applicationDidEnterBackground(UIApplication& application) override;
    void applicationWillEnterForeground(UIApplication& application) override;
    void applicationWillTerminate(UIApplication& application) override;
    bool applicationHandleOpenURL(UIApplication& application, const NSURL& url) override { return false; }
    unsigned applicationSupportedInterfaceOrientationsForWindow(UIApplication& application, UIWindow* window) override;
    [[nodiscard]] UIWindowRef window() const override { return window_; }

    // UIAlertViewDelegate
    void alertViewClickedButtonAtIndex(UIAlertView* alertView, int buttonIndex) override;

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    static void registerDefaults(NSUserDefaults& defaults);
    // An alert when the connection store could not be opened: why, and that its file is kept.
    static void reportUnreadableStore();
    static void reportUnreadableSettings();
    void checkOpenAll();

    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UINavigationController> navController_;
    std::vector<std::u16string> templates_;
};
