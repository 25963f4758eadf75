#pragma once

#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/Foundation/NSWeakTarget.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>

// The main run loop: a FIFO queue of posted work plus timers ordered by fire date (equal dates in
// the order they were scheduled). Work is posted from any thread; it runs on the thread that runs
// the loop, which is the main thread. Exceptions thrown by work or timers are logged and
// swallowed, so they never cross threads nor stop the loop.
class RunLoop {
public:
    static RunLoop& main();

    // Makes the calling thread the main thread. Without it the process's initial thread is the
    // main thread, and the first thread to run the loop claims it.
    void bindToCurrentThread();
    [[nodiscard]] bool isMainThread() const;

    // Installs the clock time comes from (null restores the real clock); answers the previous
    // one. Scheduled timers keep their remaining time under the new clock.
    std::shared_ptr<Clock> setClock(std::shared_ptr<Clock> clock);
    [[nodiscard]] std::shared_ptr<Clock> clock() const;
    [[nodiscard]] double now() const;

    // Queues work at the end of the queue; wakes a loop blocked waiting.
    void post(std::function<void()> work);
    void addTimer(const std::shared_ptr<Timer>& timer);

    // Runs the work queued when it starts, in order, then every timer due by the clock, in due
    // order, each once. Never blocks. Answers whether anything ran.
    bool runOnce();
    // Runs the loop until the predicate holds (checked first and after each wake-up) or
    // timeoutSeconds of REAL time have passed, so tests never hang even under a manual clock.
    // Answers the predicate's last value (false on time-out or stop()).
    [[nodiscard]] bool runUntil(const std::function<bool()>& predicate, double timeoutSeconds);
    // Runs until the clock reaches `date` or stop(). Under a manual clock this advances the clock
    // to `date` (as advance() does) instead of waiting for someone else to move it.
    void runUntilDate(double date);
    // Runs until stop(); for the host.
    void run();
    // Ends the innermost run(), runUntil() or runUntilDate() (from any thread).
    void stop();

    // Under a manual clock: moves time forward by `seconds` in steps, setting the clock to each
    // due timer's fire date and running the loop there, so every firing in between happens in
    // order and sees its own time (a repeating timer fires once per period). Ends with the clock
    // at the target and one more run. Without a manual clock it only runs the loop once.
    void advance(double seconds);

    // Cancels delayed performs of a target; with a selector name only those of that name.
    void cancelPreviousPerformRequests(const void* target, const std::string& selector = {});

    // Number of queued work items and scheduled timers (tests).
    [[nodiscard]] std::size_t pendingWork() const;
    [[nodiscard]] std::size_t scheduledTimers() const;
    // Drops queued work and timers, releases anyone waiting on dropped work, restores the real
    // clock. For test isolation.
    void resetForTesting();

private:
    friend class Timer;
    using TimerKey = std::pair<double, std::uint64_t>;

    void scheduleLocked(const std::shared_ptr<Timer>& timer, double fireDate);
    void removeTimerLocked(Timer& timer);
    // Drops a scheduled timer from the schedule and from the index by target.
    void eraseTimerLocked(std::map<TimerKey, std::shared_ptr<Timer>>::iterator entry);
    void runWork(std::function<void()>& work);
    void claimMainThreadIfUnbound();
    // Time to wait in real seconds before something may become due; nullopt: nothing scheduled.
    [[nodiscard]] std::optional<double> realWaitLocked() const;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    std::map<TimerKey, std::shared_ptr<Timer>> timers_;
    // Scheduled timers that have a target, by target: a cancellation looks only at the
    // target's own requests, however many others are pending.
    std::unordered_multimap<const void*, Timer*> byTarget_;
    std::uint64_t nextSequence_ { 1 };
    std::shared_ptr<Clock> clock_ { std::make_shared<RealClock>() };
    std::optional<std::thread::id> mainThread_;
    std::uint64_t wakeCount_ { 0 };
    int runDepth_ { 0 };
    bool stopRequested_ { false };
};

// Runs the work on the main thread. With wait, the caller blocks until it has run; a caller that
// is the main thread runs it inline at once. Without wait it is queued, even from the main thread.
// No lock is held while waiting, and an exception in the work is logged and swallowed.
void performOnMainThread(std::function<void()> work, bool wait);
// Runs the work on the main run loop after `seconds` (its clock). Cancel through the handle or by
// target and selector name.
PerformHandle performAfterDelay(
    std::function<void()> work, double seconds, const void* target = nullptr, std::string selector = {});
void cancelPreviousPerformRequests(const void* target, const std::string& selector = {});
// A delayed perform that holds its target weakly: work(target) runs only if the target still
// lives when it comes due. It is cancelled by the target's address like any other.
template <class T, class F>
PerformHandle performAfterDelay(const std::shared_ptr<T>& target, F work, double seconds, std::string selector = {})
{
    return performAfterDelay(
        [call = weakCall(target, std::move(work))] { call(); }, seconds, target.get(), std::move(selector));
}
// Queues the work on the main run loop (never inline).
void dispatchAsyncMain(std::function<void()> work);
// Runs the work on the main run loop after `seconds`; 0 means at the next turn after queued work.
void dispatchAfter(double seconds, std::function<void()> work);
