#pragma once

#include <any>
#include <map>
#include <memory>
#include <string>

#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIInterfaceOrientation.h"

class NSURL;

using UILaunchOptions = std::map<std::string, std::any>;

// What the application tells its delegate about its life; every operation is optional.
class UIApplicationDelegate {
public:
    virtual ~UIApplicationDelegate() = default;

    virtual bool applicationDidFinishLaunchingWithOptions(UIApplication& application, const UILaunchOptions& options)
    {
        return true;
    }
    virtual void applicationDidBecomeActive(UIApplication& application) { }
    virtual void applicationWillResignActive(UIApplication& application) { }
    virtual void applicationDidEnterBackground(UIApplication& application) { }
    virtual void applicationWillEnterForeground(UIApplication& application) { }
    virtual void applicationWillTerminate(UIApplication& application) { }
    virtual bool applicationHandleOpenURL(UIApplication& application, const NSURL& url) { return false; }
    virtual unsigned applicationSupportedInterfaceOrientationsForWindow(UIApplication& application, UIWindow* window)
    {
        return UIInterfaceOrientationMaskAll;
    }
    // The delegate's main window, when it has one.
    [[nodiscard]] virtual UIWindowRef window() const { return nullptr; }
};
