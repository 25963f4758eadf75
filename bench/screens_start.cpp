#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "Classes/Controller/StartViewController.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

constexpr int kConnections = 300;

// A home of its own with 300 stored connections (every third a bookmark) and the start screen
// on screen on the device; gone again at the end.
class StartScreenScene {
public:
    explicit StartScreenScene(bool pad)
    {
        char folder[] = "/tmp/lexiphant-bench-XXXXXX";
        home_ = mkdtemp(folder);
        setenv("LEXIPHANT_HOME", home_.c_str(), 1);
        RunLoop::main().bindToCurrentThread();
        NSUserDefaults::resetStandardUserDefaults();
        NSUserDefaults::standardUserDefaults().setBool(true, "maskPasswords");
        ConnectionManager::resetSharedManagerForTesting();
        registerLexiphantClasses();
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(pad ? "ipad" : "iphone"));
        ConnectionManager& store = ConnectionManager::sharedManager();
        for (int i = 0; i < kConnections; ++i) {
            auto record = std::make_shared<QVConnection>();
            record->setName("Connection number " + std::to_string(i));
            record->setHost("host" + std::to_string(i) + ".example.com");
            record->setPort(21);
            record->setUsername("user" + std::to_string(i));
            record->setPassword("secret" + std::to_string(i % 7));
            record->setIsBookmark(i % 3 == 0);
            record->setStartPath("/");
            record->setLastUse(100000 - i);
            // Stored under its own row id: a new record through addConn would trim the recent
            // connections to 21, and 300 rows are what is measured.
            record->setIndex(i + 1);
            (void)store.updateConn(record);
        }
        (void)store.getConn(0);
        if (store.arrAll().size() != std::size_t(kConnections))
            throw std::runtime_error(
                "the store holds " + std::to_string(store.arrAll().size()) + " connections");
        window_ = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window_->makeKeyAndVisible();
        start_ = std::make_shared<StartViewController>();
        navigation_ = std::make_shared<UINavigationController>(start_);
        window_->setRootViewController(navigation_);
        RunLoop::main().advance(1);
        (void)renderer_.renderFrame();
    }
    ~StartScreenScene()
    {
        window_->setRootViewController(nullptr);
        window_.reset();
        navigation_.reset();
        start_.reset();
        UIApplication::sharedApplication().resetForTesting();
        ConnectionManager::resetSharedManagerForTesting();
        NSUserDefaults::resetStandardUserDefaults();
        std::error_code error;
        std::filesystem::remove_all(home_, error);
    }

    StartViewController& start() { return *start_; }
    UIRenderer& renderer() { return renderer_; }

private:
    std::string home_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UINavigationController> navigation_;
    std::shared_ptr<StartViewController> start_;
    UIRenderer renderer_;
};

const char* deviceLabel(const benchmark::State& state)
{
    return state.range(0) == 1 ? "ipad grid" : "iphone list";
}

// One reload of every column table (as a toggle, a rotation or coming back does): counts,
// cells configured for the rows on screen, and the frame drawn.
void BM_startScreenReload(benchmark::State& state)
{
    StartScreenScene scene(state.range(0) == 1);
    for (auto _ : state) {
        scene.start().reloadTables();
        benchmark::DoNotOptimize(scene.renderer().renderFrame());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string(deviceLabel(state)) + ", reloads");
}

// One frame of a finger dragging the first column: the move, every column following it, the
// cells that come on screen configured, and the frame drawn.
void BM_startScreenScroll(benchmark::State& state)
{
    StartScreenScene scene(state.range(0) == 1);
    UITableView* table = scene.start().tblConns(0);
    const CGRect frame = table->convertRectToView(table->bounds(), nullptr);
    const CGFloat x = CGRectGetMidX(frame);
    const CGFloat bottom = CGRectGetMaxY(frame) - 20;
    const CGFloat top = frame.origin.y + 20;
    constexpr CGFloat kStep = 37;
    UIApplication& app = UIApplication::sharedApplication();
    double time = RunLoop::main().now();
    CGFloat y = bottom;
    app.injectTouch(UITouchPhaseBegan, CGPointMake(x, y), time);
    for (auto _ : state) {
        time += 1.0 / 60;
        y -= kStep;
        if (y < top) {
            // Lift the finger and start a new drag at the bottom (outside the measured frame).
            state.PauseTiming();
            app.injectTouch(UITouchPhaseEnded, CGPointMake(x, y + kStep), time);
            RunLoop::main().advance(2);
            time = RunLoop::main().now();
            y = bottom;
            app.injectTouch(UITouchPhaseBegan, CGPointMake(x, y), time);
            time += 1.0 / 60;
            y -= kStep;
            state.ResumeTiming();
        }
        app.injectTouch(UITouchPhaseMoved, CGPointMake(x, y), time);
        benchmark::DoNotOptimize(scene.renderer().renderFrame());
    }
    app.injectTouch(UITouchPhaseEnded, CGPointMake(x, y), time);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string(deviceLabel(state)) + ", frames");
}

} // namespace

BENCHMARK(BM_startScreenReload)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_startScreenScroll)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
