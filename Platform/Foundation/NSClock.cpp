#include "Platform/Foundation/NSClock.h"

#include <chrono>

double RealClock::now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double ManualClock::now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::advance(double seconds)
{
    std::lock_guard lock(mutex_);
    if (seconds > 0) now_ += seconds;
}

void ManualClock::setNow(double time)
{
    std::lock_guard lock(mutex_);
    if (time > now_) now_ = time;
}
