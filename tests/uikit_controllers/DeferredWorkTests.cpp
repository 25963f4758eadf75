#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/NSWeakTarget.h"
#include "Platform/UIKit/UIView.h"
#include "tests/host/HostTestSupport.h"

namespace {

// A screen stand-in that records every late call it receives.
struct Target {
    std::vector<std::string>* calls;
    void note(const std::string& what) { calls->push_back(what); }
};

class DeferredWorkTest : public HostTest { };

// Each kind of deferred work, set up for a target that is then destroyed (or kept, to show the
// work does run while the target lives).
TEST_F(DeferredWorkTest, WorkForATargetThatHasGoneNeverRuns)
{
    struct Case {
        const char* name;
        std::function<void(const std::shared_ptr<Target>&)> schedule;
        std::function<void()> trigger;
    };
    const std::vector<Case> cases {
        { "delayed perform",
          [](const auto& t) { (void)performAfterDelay(t, [](Target& target) { target.note("perform"); }, 0.5); },
          [this] { advance(1); } },
        { "repeating timer",
          [](const auto& t) { (void)Timer::scheduledTimer(t, 0.2, true, [](Target& target, Timer&) { target.note("tick"); }); },
          [this] { advance(1); } },
        { "observer",
          [](const auto& t) {
              NSNotificationCenter::defaultCenter().addObserver(t, "ScreenDidChange", nullptr,
                                                                [](Target& target, const NSNotification&) { target.note("heard"); });
          },
          [] { NSNotificationCenter::defaultCenter().postNotificationName("ScreenDidChange"); } },
        { "animation completion",
          [](const auto& t) {
              auto view = std::make_shared<UIView>(CGRectMake(0, 0, 10, 10));
              UIView::animateWithDuration(0.3, [view] { view->setAlpha(0); },
                                          [call = weakCall(t, [](Target& target, bool) { target.note("done"); })](bool finished) {
                                              call(finished);
                                          });
          },
          [this] { advance(1); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> calls;
        for (const bool keep : { true, false }) {
            calls.clear();
            auto target = std::make_shared<Target>(Target { &calls });
            const std::size_t observersBefore = NSNotificationCenter::defaultCenter().observerCount();
            c.schedule(target);
            if (!keep) {
                target.reset();
            }
            c.trigger();
            EXPECT_EQ(calls.empty(), !keep) << (keep ? "kept" : "gone");
            if (!keep) {
                // What is left of the work is dropped: no timer keeps firing, no observer stays.
                EXPECT_EQ(RunLoop::main().scheduledTimers(), 0u);
                EXPECT_EQ(NSNotificationCenter::defaultCenter().observerCount(), observersBefore);
            }
            if (target) {
                NSNotificationCenter::defaultCenter().removeObserver(target.get());
                cancelPreviousPerformRequests(target.get());
            }
            RunLoop::main().resetForTesting();
            RunLoop::main().setClock(clock_);
        }
    }
}

TEST_F(DeferredWorkTest, WeakDelayedPerformsAreCancelledByTheirTarget)
{
    std::vector<std::string> calls;
    auto target = std::make_shared<Target>(Target { &calls });
    (void)performAfterDelay(target, [](Target& t) { t.note("blink"); }, 0.5, "blink");
    (void)performAfterDelay(target, [](Target& t) { t.note("menu"); }, 0.5, "showMenu");
    cancelPreviousPerformRequests(target.get(), "blink");
    advance(1);
    EXPECT_EQ(calls, std::vector<std::string> { "menu" });
}

} // namespace
