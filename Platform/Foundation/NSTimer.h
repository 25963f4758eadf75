#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Platform/Foundation/NSWeakTarget.h"

class RunLoop;

// A timer on a run loop: fires once after its interval, or repeatedly every interval until
// invalidated. The run loop keeps a scheduled timer alive; a timer that does not repeat is
// invalidated after it fires. Delayed performs are one-shot timers carrying a target token and
// a selector name, so that they can be cancelled by owner.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Action = std::function<void(Timer&)>;

    // A timer scheduled on the main run loop, first firing `interval` seconds from now (clock
    // of that run loop). A repeating timer's interval is at least 0.0001 s, so it can never spin;
    // a one-shot timer's negative or NaN interval counts as 0 (due at the next turn).
    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Action action);
    // A timer not yet scheduled; add it with RunLoop::addTimer.
    static std::shared_ptr<Timer> timer(double interval, bool repeats, Action action);
    // A scheduled timer that holds its target weakly: action(target, timer) runs while the
    // target lives; the first firing after the target has gone invalidates the timer instead.
    template <class T, class F>
    static std::shared_ptr<Timer> scheduledTimer(const std::shared_ptr<T>& target, double interval, bool repeats, F action)
    {
        auto call = weakCall(target, std::move(action));
        auto made = scheduledTimer(interval, repeats, [call = std::move(call)](Timer& timer) {
            if (!call(timer)) {
                timer.invalidate();
            }
        });
        return made;
    }

    Timer(double interval, bool repeats, Action action);

    // Stops the timer for good and drops it from its run loop. Safe from any thread and from
    // inside its own action.
    void invalidate();
    [[nodiscard]] bool isValid() const;
    // Runs the action now (on the calling thread); a timer that does not repeat is then invalid.
    // The schedule of a repeating timer is not changed.
    void fire();

    [[nodiscard]] double timeInterval() const { return interval_; }
    [[nodiscard]] bool repeats() const { return repeats_; }
    // When the timer fires next (run-loop clock), valid while it is scheduled.
    [[nodiscard]] double fireDate() const;

    // Owner and name used by cancelPreviousPerformRequests; empty for plain timers.
    const void* target { nullptr };
    std::string selector;

private:
    friend class RunLoop;

    const double interval_;
    const bool repeats_;
    Action action_;
    // State below is guarded by the run loop's lock once the timer is scheduled.
    std::atomic<RunLoop*> loop_ { nullptr };
    double fireDate_ { 0 };
    std::uint64_t sequence_ { 0 };
    // The target the run loop indexed the timer under, whatever `target` says later.
    const void* indexedTarget_ { nullptr };
    std::atomic<bool> valid_ { true };
};

// The handle of a delayed perform: cancel it with invalidate().
using PerformHandle = std::shared_ptr<Timer>;
