#pragma once

#include "Platform/UIKit/UINavigationController.h"

// The application's navigation controller: its rotation answers are those of the screen on top,
// so each screen decides how it may turn. Registered under the platform's class name, so the
// main interface file makes this one.
class UINavigationControllerIOS6 : public UINavigationController {
public:
    // The top screen's answer; YES without one.
    [[nodiscard]] bool shouldAutorotate() override;
    // The top screen's answer; every orientation (30) without one.
    [[nodiscard]] unsigned supportedInterfaceOrientations() override;

    static void registerInterfaceClass(UIClassRegistry& registry);
};
