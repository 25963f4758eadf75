#pragma once

#include <functional>
#include <memory>
#include <ostream>

#include "Host/BundleCheck.h"
#include "Host/HostOptions.h"
#include "Platform/UIKit/UIApplicationDelegate.h"

class ScriptDriver;

// Runs the application under the host the options ask for: the desktop window, or without one
// when asked to (--headless) or when no display can be opened. A script runs first; without a
// window it runs on a clock that only its waits move, so a run is repeatable, and the program
// ends after it. Without a window or a script the application runs until SIGINT or SIGTERM.
// The extender adds script commands of later screens. Answers the exit code: 0, or 1 when the
// script failed (the error, naming file and line, goes to err).
int runHost(const HostOptions& options, std::shared_ptr<UIApplicationDelegate> delegate, std::ostream& err,
            const std::function<void(ScriptDriver&)>& extendScript = {});
// The same with a delegate made once the device is chosen (the main interface file depends on
// it); a maker that fails (a broken interface file) ends the run with code 1 and its message.
using HostDelegateMaker = std::function<std::shared_ptr<UIApplicationDelegate>()>;
int runHost(const HostOptions& options, const HostDelegateMaker& makeDelegate, std::ostream& err,
            const std::function<void(ScriptDriver&)>& extendScript = {});

// Makes the host what UIApplicationMain runs the application with: the options come from the
// process arguments. A bundle without its main interface file or what the application needs
// ends the run with code 1 and a message naming the folder, before any user data is touched;
// the host's test scene runs only when --test-scene asks for it.
void installHostForApplicationMain(std::ostream& err, std::function<void(ScriptDriver&)> extendScript = {},
                                   BundleCheck::Needs needs = {});

// The options and the script commands, read from the script driver's own table.
[[nodiscard]] std::string hostUsage();
