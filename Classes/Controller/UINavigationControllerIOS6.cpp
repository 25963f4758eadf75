#include "Classes/Controller/UINavigationControllerIOS6.h"

#include "Platform/UIKit/UIClassRegistry.h"

bool UINavigationControllerIOS6::shouldAutorotate()
{
    const auto top = topViewController();
    return top ? top->shouldAutorotate() : true;
}

unsigned UINavigationControllerIOS6::supportedInterfaceOrientations()
{
    const auto top = topViewController();
    return top ? top->supportedInterfaceOrientations() : UIInterfaceOrientationMaskAll;
}

void UINavigationControllerIOS6::registerInterfaceClass(UIClassRegistry& registry)
{
    // Takes over the platform's name and keeps whatever keys the platform gave it.
    const UIClassRegistry::ClassInfo* platform = registry.classNamed("UINavigationController");
    auto properties = platform != nullptr ? platform->properties : std::map<std::string, UIPropertySetter> {};
    const std::string superclass = platform != nullptr ? platform->superclass : "UIViewController";
    registry.registerClass("UINavigationController", superclass, [] { return std::make_shared<UINavigationControllerIOS6>(); },
                           std::move(properties));
}
