// Touch dispatch speed: one tap (touch-down and lift-off) found by hit testing in a tree of a few
// dozen views and handed to five recognizers, then to the view.

#include <benchmark/benchmark.h>

#include <memory>

#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UILongPressGestureRecognizer.h"
#include "Platform/UIKit/UIPanGestureRecognizer.h"
#include "Platform/UIKit/UISwipeGestureRecognizer.h"
#include "Platform/UIKit/UITapGestureRecognizer.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

struct Scene {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1000.0);
    std::shared_ptr<UIWindow> window = std::make_shared<UIWindow>(CGRectMake(0, 0, 768, 1024));
    int actions = 0;

    Scene()
    {
        RunLoop::main().bindToCurrentThread();
        RunLoop::main().setClock(clock);
        window->makeKeyAndVisible();
        // Five columns of six nested rows: 36 views, the touch lands in the last column's rows.
        std::shared_ptr<UIView> target;
        for (int column = 0; column < 5; ++column) {
            auto columnView = std::make_shared<UIView>(CGRectMake(column * 150, 0, 150, 1024));
            window->addSubview(columnView);
            for (int row = 0; row < 6; ++row) {
                auto cell = std::make_shared<UIView>(CGRectMake(5, row * 160, 140, 150));
                columnView->addSubview(cell);
                target = cell;
            }
        }
        const auto count = [this](UIGestureRecognizer&) { ++actions; };
        auto doubleTap = std::make_shared<UITapGestureRecognizer>(count);
        doubleTap->setNumberOfTapsRequired(2);
        target->addGestureRecognizer(std::make_shared<UILongPressGestureRecognizer>(count));
        target->addGestureRecognizer(doubleTap);
        target->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>(count));
        target->addGestureRecognizer(std::make_shared<UIPanGestureRecognizer>(count));
        target->addGestureRecognizer(std::make_shared<UISwipeGestureRecognizer>(count));
    }

    ~Scene()
    {
        UIApplication::sharedApplication().resetForTesting();
        RunLoop::main().resetForTesting();
    }
};

void BM_dispatchTapThroughFiveRecognizers(benchmark::State& state)
{
    Scene scene;
    auto& app = UIApplication::sharedApplication();
    const CGPoint point { 680, 900 };
    for (auto _ : state) {
        const double t = scene.clock->now();
        app.injectTouch(UITouchPhaseBegan, point, t);
        app.injectTouch(UITouchPhaseEnded, point, t + 0.05);
        state.PauseTiming();
        // Let the double tap give up before the next tap.
        RunLoop::main().advance(1.0);
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(scene.actions);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_dispatchTapThroughFiveRecognizers);

void BM_dispatchMoveThroughFiveRecognizers(benchmark::State& state)
{
    Scene scene;
    auto& app = UIApplication::sharedApplication();
    app.injectTouch(UITouchPhaseBegan, { 680, 900 }, scene.clock->now());
    double x = 680;
    double t = scene.clock->now();
    for (auto _ : state) {
        x = x > 700 ? 660 : x + 1;
        t += 0.001;
        app.injectTouch(UITouchPhaseMoved, { x, 900 }, t);
    }
    app.injectTouch(UITouchPhaseEnded, { x, 900 }, t);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_dispatchMoveThroughFiveRecognizers);

} // namespace
