#pragma once

#include <memory>
#include <string>

class UINavigationController;
class UIViewController;

// Screens are made by their class name through the interface-file class registry, so a screen
// can lead to one that is registered apart from it (the start screen).
namespace ScreenMaker {

// A new controller of the registered class; null, logged, when no such controller class is
// registered.
[[nodiscard]] std::shared_ptr<UIViewController> newScreenNamed(const std::string& className);

// Pushes a new controller of the class; when there is none (or no navigation controller) it
// logs and the screen stays as it is. Answers the pushed controller.
std::shared_ptr<UIViewController> pushScreenNamed(UINavigationController* navigation, const std::string& className,
                                                  bool animated);

}
