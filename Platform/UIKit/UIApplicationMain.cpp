#include "Platform/UIKit/UIApplicationMain.h"

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIApplicationDelegate.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// The main interface file's owner: stands for the application, whose one outlet is its delegate.
// The delegate is handed to the application only after the whole file loaded.
class ApplicationInterfaceOwner final : public UIResponder, public UIInterfaceOwner {
public:
    std::shared_ptr<UIApplicationDelegate> delegate;

protected:
    void declareConnections(UIConnectionTable& table) override { table.outlet("delegate", delegate); }
};

UIApplicationHost& installedHost()
{
    static UIApplicationHost host;
    return host;
}

} // namespace

std::string UIApplicationMainInterfaceFileName()
{
    const PlistValue& name = NSBundle::mainBundle().objectForInfoDictionaryKey(UIMainInterfaceFileKey);
    return name.isString() ? name.asString() : std::string {};
}

std::shared_ptr<UIApplicationDelegate> UIApplicationLoadMainInterface()
{
    const std::string name = UIApplicationMainInterfaceFileName();
    if (name.empty()) {
        return nullptr;
    }
    auto owner = std::make_shared<ApplicationInterfaceOwner>();
    for (const auto& object : UINib::loadNibNamed(name, owner.get())) {
        // The main window covers the device's screen, whichever device it is.
        if (auto* window = dynamic_cast<UIWindow*>(object.get())) {
            window->setFrame(UIScreen::mainScreen().bounds());
        }
    }
    return owner->delegate;
}

void UIApplicationSetHost(UIApplicationHost host)
{
    installedHost() = std::move(host);
}

int UIApplicationMain(
    int argc, char** argv, const std::string& principalClassName, const std::string& delegateClassName)
{
    const UIApplicationHost& host = installedHost();
    if (!host) {
        NSLog("UIApplicationMain: no host to run the application");
        return 1;
    }
    // The principal class is always the platform's own application.
    (void)principalClassName;
    auto makeDelegate = [delegateClassName]() -> std::shared_ptr<UIApplicationDelegate> {
        std::shared_ptr<UIApplicationDelegate> delegate = UIApplicationLoadMainInterface();
        if (!delegate && !delegateClassName.empty()) {
            const UIClassRegistry::ClassInfo* info = UIClassRegistry::shared().classNamed(delegateClassName);
            if (info == nullptr || !info->make) {
                throw NamedException(
                    UINibLoadingException, "no registered delegate class '" + delegateClassName + "'");
            }
            delegate = std::dynamic_pointer_cast<UIApplicationDelegate>(info->make());
            if (!delegate) {
                throw NamedException(
                    UINibLoadingException, "'" + delegateClassName + "' is not an application delegate");
            }
        }
        return delegate;
    };
    return host(argc, argv, makeDelegate);
}

void UIApplicationRegisterInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass("UIApplication", "", [] { return std::make_shared<ApplicationInterfaceOwner>(); });
}
