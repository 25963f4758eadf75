#include "Platform/Foundation/NSRunLoop.h"

#include "Platform/Foundation/NSLog.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

// While nothing tells the loop that time or state moved (a manual clock, a predicate watching
// another thread), it looks again this often.
constexpr double kPollSeconds = 0.01;
// A loop of zero-delay timers that keep rescheduling themselves would never let advance() end.
constexpr int kMaxAdvanceSteps = 1'000'000;

double realNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool isInitialThread()
{
    return ::syscall(SYS_gettid) == ::getpid();
}

// Completion of a waiting perform. The signal lives in the queued work: it fires when that work
// is destroyed, after running or when dropped, so a waiter is always released.
struct WaitState {
    std::mutex mutex;
    std::condition_variable done;
    bool finished { false };
};
struct WaitSignal {
    explicit WaitSignal(std::shared_ptr<WaitState> waiting)
        : state(std::move(waiting))
    {
    }
    WaitSignal(const WaitSignal&) = delete;
    WaitSignal& operator=(const WaitSignal&) = delete;
    const std::shared_ptr<WaitState> state;
    ~WaitSignal()
    {
        std::lock_guard lock(state->mutex);
        state->finished = true;
        state->done.notify_all();
    }
};

// Runs work; an exception it throws is logged and swallowed.
void runLogged(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& error) {
        NSLogf("Exception on the main run loop: %s", error.what());
    } catch (...) {
        NSLog("Unknown exception on the main run loop");
    }
}

} // namespace

RunLoop& RunLoop::main()
{
    // Never destroyed: detached threads may still post while the process exits.
    static RunLoop* loop = new RunLoop;
    return *loop;
}

void RunLoop::bindToCurrentThread()
{
    std::lock_guard lock(mutex_);
    mainThread_ = std::this_thread::get_id();
}

bool RunLoop::isMainThread() const
{
    std::lock_guard lock(mutex_);
    if (!mainThread_) return isInitialThread();
    return *mainThread_ == std::this_thread::get_id();
}

void RunLoop::claimMainThreadIfUnbound()
{
    std::lock_guard lock(mutex_);
    if (!mainThread_) mainThread_ = std::this_thread::get_id();
}

std::shared_ptr<Clock> RunLoop::setClock(std::shared_ptr<Clock> clock)
{
    if (!clock) clock = std::make_shared<RealClock>();
    std::lock_guard lock(mutex_);
    const double oldNow = clock_->now();
    const double newNow = clock->now();
    std::map<TimerKey, std::shared_ptr<Timer>> rebased;
    for (auto& [key, timer] : timers_) {
        timer->fireDate_ = newNow + (key.first - oldNow);
        rebased.emplace(TimerKey { timer->fireDate_, key.second }, timer);
    }
    timers_ = std::move(rebased);
    std::swap(clock_, clock);
    ++wakeCount_;
    wake_.notify_all();
    return clock;
}

std::shared_ptr<Clock> RunLoop::clock() const
{
    std::lock_guard lock(mutex_);
    return clock_;
}

double RunLoop::now() const
{
    return clock()->now();
}

void RunLoop::post(std::function<void()> work)
{
    if (!work) return;
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    ++wakeCount_;
    wake_.notify_all();
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer)
{
    if (!timer || !timer->valid_) return;
    std::lock_guard lock(mutex_);
    if (timer->loop_.load()) return; // already scheduled
    timer->loop_ = this;
    scheduleLocked(timer, clock_->now() + timer->interval_);
}

void RunLoop::scheduleLocked(const std::shared_ptr<Timer>& timer, double fireDate)
{
    timer->fireDate_ = fireDate;
    timer->sequence_ = nextSequence_++;
    timers_.emplace(TimerKey { fireDate, timer->sequence_ }, timer);
    timer->indexedTarget_ = timer->target;
    if (timer->indexedTarget_) byTarget_.emplace(timer->indexedTarget_, timer.get());
    ++wakeCount_;
    wake_.notify_all();
}

void RunLoop::removeTimerLocked(Timer& timer)
{
    const auto found = timers_.find(TimerKey { timer.fireDate_, timer.sequence_ });
    if (found != timers_.end() && found->second.get() == &timer) eraseTimerLocked(found);
}

void RunLoop::eraseTimerLocked(std::map<TimerKey, std::shared_ptr<Timer>>::iterator entry)
{
    Timer* timer = entry->second.get();
    if (timer->indexedTarget_) {
        auto [first, last] = byTarget_.equal_range(timer->indexedTarget_);
        for (; first != last; ++first) {
            if (first->second == timer) {
                byTarget_.erase(first);
                break;
            }
        }
    }
    timers_.erase(entry);
}

void RunLoop::runWork(std::function<void()>& work)
{
    runLogged(work);
}

bool RunLoop::runOnce()
{
    claimMainThreadIfUnbound();
    bool ran = false;

    // Work posted while this turn runs waits for the next one, so a post loop cannot starve the
    // timers. Items are taken one at a time: a nested run inside one of them then continues
    // with the next in line and the queue stays first in, first out.
    std::size_t turn = 0;
    std::uint64_t sequenceLimit = 0;
    {
        std::lock_guard lock(mutex_);
        turn = queue_.size();
        sequenceLimit = nextSequence_;
    }
    for (; turn > 0; --turn) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) break;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        runWork(work);
        ran = true;
    }

    // Due timers in order; each fires at most once per turn, and timers made meanwhile wait.
    const double now = clock()->now();
    while (true) {
        std::shared_ptr<Timer> timer;
        {
            std::lock_guard lock(mutex_);
            const auto due = std::find_if(timers_.begin(), timers_.end(),
                [&](const auto& entry) { return entry.first.second < sequenceLimit; });
            if (due == timers_.end() || due->first.first > now) break;
            timer = due->second;
            eraseTimerLocked(due);
            if (timer->repeats_ && timer->valid_) {
                // The next period after now: missed periods are skipped, as the platform does.
                const double periods = std::floor((now - timer->fireDate_) / timer->interval_) + 1;
                scheduleLocked(timer, timer->fireDate_ + std::max(1.0, periods) * timer->interval_);
            }
        }
        ran = true;
        timer->fire();
    }
    return ran;
}

std::optional<double> RunLoop::realWaitLocked() const
{
    if (timers_.empty() || clock_->isManual()) return std::nullopt;
    return std::max(0.0, timers_.begin()->first.first - clock_->now());
}

bool RunLoop::runUntil(const std::function<bool()>& predicate, double timeoutSeconds)
{
    const double deadline = realNow() + std::max(0.0, timeoutSeconds);
    {
        std::lock_guard lock(mutex_);
        ++runDepth_;
    }
    bool result = false;
    while (true) {
        if (predicate && predicate()) {
            result = true;
            break;
        }
        runOnce();
        if (predicate && predicate()) {
            result = true;
            break;
        }
        std::unique_lock lock(mutex_);
        if (stopRequested_) {
            stopRequested_ = false;
            break;
        }
        const double left = deadline - realNow();
        if (left <= 0) break;
        if (!queue_.empty()) continue;
        double wait = std::min(left, kPollSeconds);
        if (const auto untilTimer = realWaitLocked()) wait = std::min(wait, *untilTimer);
        const std::uint64_t seen = wakeCount_;
        wake_.wait_for(
            lock, std::chrono::duration<double>(wait), [&] { return wakeCount_ != seen || stopRequested_; });
    }
    std::lock_guard lock(mutex_);
    --runDepth_;
    return result;
}

void RunLoop::runUntilDate(double date)
{
    const auto current = clock();
    if (current->isManual()) {
        advance(date - current->now());
        return;
    }
    {
        std::lock_guard lock(mutex_);
        ++runDepth_;
    }
    while (true) {
        runOnce();
        std::unique_lock lock(mutex_);
        if (stopRequested_) {
            stopRequested_ = false;
            break;
        }
        const double left = date - clock_->now();
        if (left <= 0) break;
        if (!queue_.empty()) continue;
        double wait = left;
        if (const auto untilTimer = realWaitLocked()) wait = std::min(wait, *untilTimer);
        if (clock_->isManual()) wait = std::min(wait, kPollSeconds);
        const std::uint64_t seen = wakeCount_;
        wake_.wait_for(
            lock, std::chrono::duration<double>(wait), [&] { return wakeCount_ != seen || stopRequested_; });
    }
    std::lock_guard lock(mutex_);
    --runDepth_;
}

void RunLoop::run()
{
    {
        std::lock_guard lock(mutex_);
        ++runDepth_;
    }
    while (true) {
        runOnce();
        std::unique_lock lock(mutex_);
        if (stopRequested_) {
            stopRequested_ = false;
            break;
        }
        if (!queue_.empty()) continue;
        const std::uint64_t seen = wakeCount_;
        auto woken = [&] { return wakeCount_ != seen || stopRequested_; };
        const auto untilTimer = realWaitLocked();
        if (clock_->isManual())
            wake_.wait_for(lock, std::chrono::duration<double>(kPollSeconds), woken);
        else if (untilTimer)
            wake_.wait_for(lock, std::chrono::duration<double>(*untilTimer), woken);
        else
            wake_.wait(lock, woken);
    }
    std::lock_guard lock(mutex_);
    --runDepth_;
}

void RunLoop::stop()
{
    std::lock_guard lock(mutex_);
    if (runDepth_ == 0) return; // nothing running: nothing to end
    stopRequested_ = true;
    ++wakeCount_;
    wake_.notify_all();
}

void RunLoop::advance(double seconds)
{
    const auto manual = std::dynamic_pointer_cast<ManualClock>(clock());
    if (!manual) {
        runOnce();
        return;
    }
    const double target = manual->now() + (std::isnan(seconds) ? 0.0 : std::max(0.0, seconds));
    runOnce();
    for (int step = 0;; ++step) {
        double next = 0;
        {
            std::lock_guard lock(mutex_);
            if (timers_.empty() || timers_.begin()->first.first > target) break;
            next = timers_.begin()->first.first;
        }
        if (step == kMaxAdvanceSteps) {
            NSLog("Timers keep firing without time passing; skipping ahead");
            break;
        }
        manual->setNow(next);
        runOnce();
    }
    manual->setNow(target);
    runOnce();
}

void RunLoop::cancelPreviousPerformRequests(const void* target, const std::string& selector)
{
    if (!target) return;
    std::vector<std::shared_ptr<Timer>> cancelled;
    {
        std::lock_guard lock(mutex_);
        auto [first, last] = byTarget_.equal_range(target);
        for (; first != last; ++first) {
            Timer& timer = *first->second;
            if (selector.empty() || timer.selector == selector) cancelled.push_back(timer.shared_from_this());
        }
        for (const auto& timer : cancelled) {
            timer->valid_ = false;
            removeTimerLocked(*timer);
        }
    }
    // Actions (and what they hold) are released outside the lock.
}

std::size_t RunLoop::pendingWork() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::size_t RunLoop::scheduledTimers() const
{
    std::lock_guard lock(mutex_);
    return timers_.size();
}

void RunLoop::resetForTesting()
{
    std::deque<std::function<void()>> dropped;
    std::map<TimerKey, std::shared_ptr<Timer>> droppedTimers;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
        droppedTimers.swap(timers_);
        byTarget_.clear();
        for (auto& [key, timer] : droppedTimers)
            timer->valid_ = false;
        clock_ = std::make_shared<RealClock>();
        stopRequested_ = false;
    }
    // Destroying dropped work outside the lock releases anyone waiting for it.
}

void performOnMainThread(std::function<void()> work, bool wait)
{
    if (!work) return;
    RunLoop& loop = RunLoop::main();
    if (!wait) {
        loop.post(std::move(work));
        return;
    }
    if (loop.isMainThread()) {
        runLogged(work);
        return;
    }
    auto state = std::make_shared<WaitState>();
    auto signal = std::make_shared<WaitSignal>(state);
    loop.post([work = std::move(work), signal = std::move(signal)] { work(); });
    std::unique_lock lock(state->mutex);
    state->done.wait(lock, [&] { return state->finished; });
}

PerformHandle performAfterDelay(
    std::function<void()> work, double seconds, const void* target, std::string selector)
{
    auto timer = Timer::timer(seconds, false, [work = std::move(work)](Timer&) {
        if (work) work();
    });
    timer->target = target;
    timer->selector = std::move(selector);
    RunLoop::main().addTimer(timer);
    return timer;
}

void cancelPreviousPerformRequests(const void* target, const std::string& selector)
{
    RunLoop::main().cancelPreviousPerformRequests(target, selector);
}

void dispatchAsyncMain(std::function<void()> work)
{
    RunLoop::main().post(std::move(work));
}

void dispatchAfter(double seconds, std::function<void()> work)
{
    (void)performAfterDelay(std::move(work), seconds);
}
