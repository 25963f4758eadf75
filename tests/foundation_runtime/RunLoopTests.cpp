#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class RunLoopTest : public testing::Test {
protected:
    void SetUp() override
    {
        loop().resetForTesting();
        loop().setClock(clock_);
    }
    void TearDown() override { loop().resetForTesting(); }

    static RunLoop& loop() { return RunLoop::main(); }
    // Seconds of manual time since the test began.
    double elapsed() const { return clock_->now() - start_; }

    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
    const double start_ = clock_->now();
    std::vector<std::string> order_;
};

} // namespace

TEST_F(RunLoopTest, PostedWorkRunsInOrderAndLaterPostsWaitATurn)
{
    for (const char* name : { "a", "b", "c" })
        dispatchAsyncMain([this, name] { order_.push_back(name); });
    dispatchAsyncMain([this] { dispatchAsyncMain([this] { order_.push_back("posted while running"); }); });
    performOnMainThread([this] { order_.push_back("queued although on main"); }, false);
    EXPECT_TRUE(order_.empty()) << "nothing runs before the loop does";
    EXPECT_TRUE(loop().runOnce());
    EXPECT_EQ(order_, (std::vector<std::string> { "a", "b", "c", "queued although on main" }));
    loop().runOnce();
    EXPECT_EQ(order_.back(), "posted while running");
    EXPECT_FALSE(loop().runOnce());
}

TEST_F(RunLoopTest, DelayedPerformsFireInDueOrderOnlyWhenTimeMoves)
{
    performAfterDelay([this] { order_.push_back("0.3@" + std::to_string(elapsed())); }, 0.3);
    performAfterDelay([this] { order_.push_back("0.1 first"); }, 0.1);
    performAfterDelay([this] { order_.push_back("0.1 second"); }, 0.1);
    dispatchAfter(0, [this] { order_.push_back("now"); });
    dispatchAsyncMain([this] { order_.push_back("queued"); });
    loop().runOnce();
    EXPECT_EQ(order_, (std::vector<std::string> { "queued", "now" }));
    EXPECT_FALSE(loop().runUntil([] { return false; }, 0.05)) << "manual time does not move by itself";
    EXPECT_EQ(order_.size(), 2u);
    loop().advance(0.2);
    EXPECT_EQ(order_, (std::vector<std::string> { "queued", "now", "0.1 first", "0.1 second" }));
    loop().advance(0.2);
    ASSERT_EQ(order_.size(), 5u);
    EXPECT_EQ(order_.back().substr(0, 7), "0.3@0.3") << "each firing sees its own time";
}

TEST_F(RunLoopTest, CancellationByHandleAndByTarget)
{
    int owner = 0, other = 0;
    auto handle = performAfterDelay([this] { order_.push_back("handle"); }, 1);
    performAfterDelay([this] { order_.push_back("showMenu"); }, 1, &owner, "showMenu");
    performAfterDelay([this] { order_.push_back("hideMenu"); }, 1, &owner, "hideMenu");
    performAfterDelay([this] { order_.push_back("blink"); }, 1, &owner, "blink");
    performAfterDelay([this] { order_.push_back("other"); }, 1, &other, "showMenu");
    handle->invalidate();
    cancelPreviousPerformRequests(&owner, "showMenu");
    EXPECT_EQ(loop().scheduledTimers(), 3u);
    loop().advance(0.5);
    cancelPreviousPerformRequests(&owner);
    cancelPreviousPerformRequests(nullptr); // no owner: cancels nothing
    loop().advance(1);
    EXPECT_EQ(order_, (std::vector<std::string> { "other" }));
    EXPECT_FALSE(handle->isValid());

    // Requests that fired, were rescheduled under a new clock or were re-posted after a
    // cancellation are found (or not) as the schedule stands.
    performAfterDelay([this] { order_.push_back("fired"); }, 0.1, &owner, "showMenu");
    loop().advance(0.2);
    const auto kept = performAfterDelay([this] { order_.push_back("kept"); }, 1, &other, "showMenu");
    performAfterDelay([this] { order_.push_back("moved"); }, 1, &owner, "showMenu");
    loop().setClock(std::make_shared<ManualClock>(5000.0));
    cancelPreviousPerformRequests(&owner, "showMenu");
    performAfterDelay([this] { order_.push_back("again"); }, 1, &owner, "showMenu");
    EXPECT_EQ(loop().scheduledTimers(), 2u);
    loop().advance(2);
    EXPECT_EQ(order_, (std::vector<std::string> { "other", "fired", "kept", "again" }));
    EXPECT_FALSE(kept->isValid());
}

TEST_F(RunLoopTest, RepeatingTimerFiresEachPeriodUntilInvalidated)
{
    std::vector<double> fired;
    auto timer = Timer::scheduledTimer(0.25, true, [&](Timer& self) {
        fired.push_back(elapsed());
        if (fired.size() == 5) self.invalidate();
    });
    loop().advance(1.0);
    EXPECT_EQ(fired, (std::vector<double> { 0.25, 0.5, 0.75, 1.0 }));
    EXPECT_TRUE(timer->isValid());
    EXPECT_DOUBLE_EQ(timer->fireDate() - start_, 1.25);
    loop().advance(5);
    EXPECT_EQ(fired.size(), 5u);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(loop().scheduledTimers(), 0u);
}

TEST_F(RunLoopTest, MissedPeriodsAreSkippedNotReplayed)
{
    int fired = 0;
    auto timer = Timer::scheduledTimer(1.0, true, [&](Timer&) { ++fired; });
    clock_->advance(3.5);
    loop().runOnce();
    EXPECT_EQ(fired, 1);
    EXPECT_DOUBLE_EQ(timer->fireDate() - start_, 4.0);
    auto zero = Timer::scheduledTimer(0, true, [&](Timer&) { ++fired; });
    EXPECT_GT(zero->timeInterval(), 0) << "a repeating timer can never spin";
    timer->invalidate();
    zero->invalidate();
}

TEST_F(RunLoopTest, ChangingTheClockKeepsRemainingTime)
{
    loop().setClock(nullptr);
    bool fired = false;
    performAfterDelay([&] { fired = true; }, 5);
    auto manual = std::make_shared<ManualClock>(50);
    loop().setClock(manual);
    loop().advance(4.9);
    EXPECT_FALSE(fired);
    loop().runUntilDate(manual->now() + 0.2);
    EXPECT_TRUE(fired);
}

TEST_F(RunLoopTest, WaitingPerformFromBackgroundCompletesWhileMainRuns)
{
    std::atomic<bool> finished { false };
    std::atomic<bool> ranOnMain { false };
    int result = 0;
    performInBackground([&] {
        EXPECT_FALSE(isMainThread());
        performOnMainThread(
            [&] {
                ranOnMain = isMainThread();
                result = 42;
            },
            true);
        // The wait guarantees the work is done when performOnMainThread returns.
        EXPECT_EQ(result, 42);
        finished = true;
    });
    EXPECT_TRUE(loop().runUntil([&] { return finished.load(); }, 10));
    EXPECT_TRUE(ranOnMain);
}

TEST_F(RunLoopTest, WaitingPerformOnMainRunsInline)
{
    bool ran = false;
    dispatchAsyncMain([this] { order_.push_back("queued"); });
    performOnMainThread([&] { ran = true; }, true);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(order_.empty()) << "inline work jumps no queue";
}

TEST_F(RunLoopTest, ExceptionsAreLoggedAndNeverCrossThreads)
{
    LogCapture log;
    std::atomic<bool> released { false };
    performInBackground([&] {
        performOnMainThread([] { throw NamedException("Find Exception", "boom"); }, true);
        released = true;
    });
    EXPECT_TRUE(loop().runUntil([&] { return released.load(); }, 10));
    dispatchAsyncMain([] { throw 7; });
    performAfterDelay([] { throw std::runtime_error("timer"); }, 0);
    performOnMainThread([] { throw std::runtime_error("inline"); }, true);
    std::atomic<bool> background { false };
    performInBackground([&] {
        background = true;
        throw std::runtime_error("background");
    });
    loop().runOnce();
    EXPECT_TRUE(loop().runUntil([&] { return background.load() && log.contains("background"); }, 10));
    EXPECT_TRUE(log.contains("Find Exception: boom"));
    EXPECT_TRUE(log.contains("Unknown exception"));
    EXPECT_TRUE(log.contains("timer"));
    EXPECT_TRUE(log.contains("inline"));
}

TEST_F(RunLoopTest, CrossThreadPostsWakeABlockedLoopAndStopEndsRun)
{
    loop().setClock(nullptr);
    std::atomic<int> count { 0 };
    std::thread poster([&] {
        for (int i = 0; i < 50; ++i)
            dispatchAsyncMain([&] { ++count; });
        dispatchAsyncMain([] { RunLoop::main().stop(); });
    });
    loop().run();
    poster.join();
    EXPECT_EQ(count, 50);

    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        RunLoop::main().stop();
    });
    EXPECT_FALSE(loop().runUntil([] { return false; }, 30)) << "stop ends runUntil early";
    stopper.join();
}

TEST_F(RunLoopTest, RealClockTimersFireWithoutHelp)
{
    loop().setClock(nullptr);
    bool fired = false;
    performAfterDelay([&] { fired = true; }, 0.02);
    EXPECT_TRUE(loop().runUntil([&] { return fired; }, 10));
}

TEST_F(RunLoopTest, ResetReleasesWaitersOfDroppedWork)
{
    std::atomic<bool> released { false };
    std::thread waiter([&] {
        performOnMainThread([] {}, true);
        released = true;
    });
    while (loop().pendingWork() == 0)
        std::this_thread::yield();
    loop().resetForTesting();
    waiter.join();
    EXPECT_TRUE(released);
}

TEST_F(RunLoopTest, NestedRunKeepsTheQueueInOrder)
{
    dispatchAsyncMain([this] {
        order_.push_back("outer");
        dispatchAsyncMain([this] { order_.push_back("posted inside"); });
        loop().runOnce();
    });
    dispatchAsyncMain([this] { order_.push_back("second"); });
    loop().runOnce();
    loop().runOnce();
    EXPECT_EQ(order_, (std::vector<std::string> { "outer", "second", "posted inside" }));
}
