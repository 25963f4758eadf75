#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/UIKit/Forward.h"

// The bundle's Info.plist names the main interface file under this key.
inline constexpr char UIMainInterfaceFileKey[] = "NSMainNibFile";

// The main interface file the bundle names, empty when it names none.
std::string UIApplicationMainInterfaceFileName();

// Loads the main interface file, whose owner is the application (class "UIApplication" in the
// file): it makes the application delegate (a UIResponder that is also a UIApplicationDelegate)
// through the file's outlet "delegate", and whatever the delegate's own outlets hold (its window,
// its navigation controller); its windows take the screen's bounds. Answers the delegate; null when the
// bundle names no main interface file or the file binds no delegate. A broken file raises the loader's
// NamedException.
std::shared_ptr<UIApplicationDelegate> UIApplicationLoadMainInterface();

// What runs the application once its delegate can be made (the desktop host or the headless
// one): given the process arguments and the maker of the delegate, which it calls when the
// device is chosen and before launching. Answers the exit code.
using UIApplicationHost = std::function<int(
    int argc, char** argv, const std::function<std::shared_ptr<UIApplicationDelegate>()>& makeDelegate)>;
void UIApplicationSetHost(UIApplicationHost host);

// The application's main: the delegate comes from the class named (registered with the class
// registry), else from the main interface file; the host installed runs it. Answers the host's
// exit code, or 1 when no host is installed.
int UIApplicationMain(
    int argc, char** argv, const std::string& principalClassName, const std::string& delegateClassName);

// Registers the main interface file's owner class "UIApplication".
void UIApplicationRegisterInterfaceClass(UIClassRegistry& registry);
