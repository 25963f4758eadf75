#include "Platform/Foundation/NSTimer.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"

#include <cmath>

namespace {

// The platform's floor for timer intervals: a repeating timer can never spin the loop.
constexpr double kMinimumRepeatInterval = 0.0001;

double sanitisedInterval(double interval, bool repeats)
{
    const double floor = repeats ? kMinimumRepeatInterval : 0.0;
    return std::isnan(interval) || interval < floor ? floor : interval;
}

} // namespace

Timer::Timer(double interval, bool repeats, Action action)
    : interval_(sanitisedInterval(interval, repeats))
    , repeats_(repeats)
    , action_(std::move(action))
{
}

std::shared_ptr<Timer> Timer::timer(double interval, bool repeats, Action action)
{
    return std::make_shared<Timer>(interval, repeats, std::move(action));
}

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Action action)
{
    auto made = timer(interval, repeats, std::move(action));
    RunLoop::main().addTimer(made);
    return made;
}

void Timer::invalidate()
{
    valid_ = false;
    RunLoop* loop = loop_.load();
    if (!loop) return;
    std::lock_guard lock(loop->mutex_);
    loop->removeTimerLocked(*this);
}

bool Timer::isValid() const
{
    return valid_;
}

double Timer::fireDate() const
{
    RunLoop* loop = loop_.load();
    if (!loop) return fireDate_;
    std::lock_guard lock(loop->mutex_);
    return fireDate_;
}

void Timer::fire()
{
    if (!valid_) return;
    // Keep this timer alive while its action runs, even if the action drops the last handle.
    const auto self = weak_from_this().lock();
    try {
        if (action_) action_(*this);
    } catch (const std::exception& error) {
        NSLogf("Exception in a timer: %s", error.what());
    } catch (...) {
        NSLog("Unknown exception in a timer");
    }
    if (!repeats_) invalidate();
}
