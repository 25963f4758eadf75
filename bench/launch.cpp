// Launch to the first drawn screen, headless: the main interface file made through the class
// registry, the settings defaults, the templates, the first screen pushed and one frame drawn,
// with a store of 100 connections beside it. Each run starts as a new process would: settings,
// pictures and the store read again.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "Classes/Controller/RatingPrompt.h"
#include "Classes/LexiphantAppDelegate.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

constexpr int kConnections = 100;

void prepareHome(const std::filesystem::path& home)
{
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    ::setenv("LEXIPHANT_HOME", home.c_str(), 1);
    if (std::getenv("LEXIPHANT_BUNDLE") == nullptr) {
        const auto bundle = std::filesystem::path(__FILE__).parent_path().parent_path() / "Resources";
        ::setenv("LEXIPHANT_BUNDLE", bundle.c_str(), 1);
    }
    NSBundle::resetMainBundleForTesting();
    ConnectionManager::resetSharedManagerForTesting();
    ConnectionManager& store = ConnectionManager::sharedManager();
    for (int i = 0; i < kConnections; ++i) {
        auto connection = std::make_shared<QVConnection>();
        connection->setName("Server " + std::to_string(i));
        connection->setHost("host" + std::to_string(i) + ".example.test");
        connection->setPort(21);
        connection->setUsername("user");
        connection->setPassword("secret");
        connection->setIsBookmark(i % 2 == 0);
        (void)store.addConn(connection);
    }
}

// Arguments: 0, no master password chosen yet (the set-password screen); 1, declined (the start
// screen, when it is registered).
void BM_launchToFirstFrame(benchmark::State& state)
{
    const auto home = std::filesystem::temp_directory_path() / ("lexiphant-bench-launch-" + std::to_string(::getpid()));
    prepareHome(home);
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
    RunLoop::main().bindToCurrentThread();
    registerLexiphantClasses();
    UIRenderer renderer;
    for (auto _ : state) {
        state.PauseTiming();
        NSUserDefaults::resetStandardUserDefaults();
        if (state.range(0) == 1) {
            NSUserDefaults::standardUserDefaults().setString("", "masterPassword");
            NSUserDefaults::standardUserDefaults().synchronize();
            NSUserDefaults::resetStandardUserDefaults();
        }
        ConnectionManager::resetSharedManagerForTesting();
        UIImage::clearNamedCache();
        UIApplication::sharedApplication().resetForTesting();
        state.ResumeTiming();

        auto delegate = UIApplicationLoadMainInterface();
        UIApplication::sharedApplication().setDelegate(delegate);
        UIApplication::sharedApplication().launch();
        RunLoop::main().runOnce();
        benchmark::DoNotOptimize(renderer.renderFrame());

        state.PauseTiming();
        RatingPrompt::waitForCountingForTesting();
        if (delegate && delegate->window())
            delegate->window()->setRootViewController(nullptr);
        UIApplication::sharedApplication().resetForTesting();
        NSUserDefaults::standardUserDefaults().removeObjectForKey("masterPassword");
        NSUserDefaults::standardUserDefaults().synchronize();
        RunLoop::main().runOnce();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations());
    ConnectionManager::resetSharedManagerForTesting();
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_launchToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}
