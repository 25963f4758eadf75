#include "Host/HostMain.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <string>
#include <variant>

#include "Host/HostSession.h"
#include "Host/SDLHost.h"
#include "Host/ScriptDriver.h"
#include "Host/TestScene.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

std::atomic<bool> gStopRequested { false };

extern "C" void requestStop(int) { gStopRequested = true; }

bool displayPresent()
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY" }) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

// Until SIGINT or SIGTERM, or the application terminates; the run loop waits between.
void runUntilStopped(HostSession& session)
{
    gStopRequested = false;
    auto previousInt = std::signal(SIGINT, requestStop);
    auto previousTerm = std::signal(SIGTERM, requestStop);
    while (!gStopRequested && !session.isTerminated()) {
        // Short slices: a signal does not wake the run loop.
        (void)RunLoop::main().runUntil([&session] { return gStopRequested || session.isTerminated(); }, 0.1);
    }
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
}

} // namespace

int runHost(const HostOptions& options, std::shared_ptr<UIApplicationDelegate> delegate, std::ostream& err,
            const std::function<void(ScriptDriver&)>& extendScript)
{
    return runHost(options, HostDelegateMaker([&delegate] { return std::move(delegate); }), err, extendScript);
}

void installHostForApplicationMain(std::ostream& err, std::function<void(ScriptDriver&)> extendScript,
                                   BundleCheck::Needs needs)
{
    UIApplicationSetHost([&err, extendScript, needs](int argc, char** argv, const HostDelegateMaker& makeDelegate) {
        const auto parsed = HostOptions::parse(argc, argv);
        if (const auto* error = std::get_if<std::string>(&parsed)) {
            err << "lexiphant: " << *error << '\n' << hostUsage();
            return 2;
        }
        const HostOptions& options = std::get<HostOptions>(parsed);
        if (options.testScene) {
            return runHost(options, std::make_shared<TestScene>(), err, extendScript);
        }
        if (const auto problem = BundleCheck::problemWithMainBundle(needs)) {
            err << "lexiphant: " << *problem << '\n';
            return 1;
        }
        return runHost(options, makeDelegate, err, extendScript);
    });
}

std::string hostUsage()
{
    HostSession session;
    const ScriptDriver driver(session);
    return HostOptions::usage(driver.commandUsages());
}

int runHost(const HostOptions& options, const HostDelegateMaker& makeDelegate, std::ostream& err,
            const std::function<void(ScriptDriver&)>& extendScript)
{
    if (const UIDeviceProfile* profile = UIDevice::profileNamed(options.device)) {
        UIDevice::currentDevice().setProfile(*profile);
    }
    std::shared_ptr<UIApplicationDelegate> delegate;
    try {
        delegate = makeDelegate();
    } catch (const std::exception& error) {
        err << "lexiphant: " << error.what() << '\n';
        return 1;
    }
    if (!delegate) {
        err << "lexiphant: the main interface file made no application delegate\n";
        return 1;
    }
    RunLoop& loop = RunLoop::main();
    loop.bindToCurrentThread();
    const UIInterfaceOrientation orientation = options.landscape ? UIInterfaceOrientationLandscapeRight : UIInterfaceOrientationPortrait;

    HostSession session;
    ScriptDriver driver(session);
    if (extendScript) {
        extendScript(driver);
    }

    std::unique_ptr<SDLHost> window;
    if (!options.headless && displayPresent()) {
        window = std::make_unique<SDLHost>(session);
        std::string reason;
        if (!window->open(reason)) {
            err << "lexiphant: cannot open a window (" << reason << "); running without one\n";
            window.reset();
        }
    }

    const bool scripted = !options.scriptPath.empty();
    // Without a window the script's waits move time, so runs repeat exactly; it starts at the
    // real time, so dates the app stores (last use, the rating prompt's) are today's.
    const auto previousClock
        = loop.setClock(window || !scripted ? nullptr : std::make_shared<ManualClock>(RealClock().now()));
    try {
        session.launch(std::move(delegate), orientation);
    } catch (const std::exception& error) {
        // Whatever the bundle check could not foresee ends the start with its reason (which
        // names the file), never as an uncaught exception.
        err << "lexiphant: cannot start: " << error.what() << '\n';
        loop.setClock(previousClock);
        return 1;
    }

    int code = 0;
    if (window) {
        code = window->run(&driver, options.scriptPath, err);
    } else if (scripted) {
        const ScriptDriver::Outcome outcome = driver.runFile(options.scriptPath);
        if (!outcome.ok) {
            err << outcome.error << '\n';
            code = 1;
        }
    } else {
        runUntilStopped(session);
    }
    session.quit();
    // Let what termination queued run before the host goes.
    loop.runOnce();
    window.reset();
    // The application's windows and delegate go now, while the services they call on their way
    // out (notifications, the run loop) still exist.
    UIApplication& app = UIApplication::sharedApplication();
    while (!app.windows().empty()) {
        app.removeWindow(app.windows().back().get());
    }
    app.setDelegate(nullptr);
    loop.setClock(previousClock);
    return code;
}
