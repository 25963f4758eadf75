#include "Classes/Controller/ScreenMaker.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UINavigationController.h"

namespace ScreenMaker {

std::shared_ptr<UIViewController> newScreenNamed(const std::string& className)
{
    const UIClassRegistry::ClassInfo* info = UIClassRegistry::shared().classNamed(className);
    if (info == nullptr || !info->make) {
        NSLogf("Cannot show the screen %s: no such class is registered", className.c_str());
        return nullptr;
    }
    auto controller = std::dynamic_pointer_cast<UIViewController>(info->make());
    if (!controller)
        NSLogf("Cannot show the screen %s: the class is not a view controller", className.c_str());
    return controller;
}

std::shared_ptr<UIViewController> pushScreenNamed(UINavigationController* navigation, const std::string& className,
                                                  bool animated)
{
    if (navigation == nullptr) {
        NSLogf("Cannot show the screen %s: no navigation controller", className.c_str());
        return nullptr;
    }
    auto controller = newScreenNamed(className);
    if (controller)
        navigation->pushViewControllerAnimated(controller, animated);
    return controller;
}

}
