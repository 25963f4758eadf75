#pragma once

#include <mutex>

// Where the run loop takes its time from: seconds on a monotonic scale. The real clock is the
// default; tests install a ManualClock and move time by hand, so timers, caret blink and
// animations are deterministic.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual double now() const = 0;
    [[nodiscard]] virtual bool isManual() const { return false; }
};

// The steady system clock.
class RealClock final : public Clock {
public:
    [[nodiscard]] double now() const override;
};

// A clock that moves only when told to. Thread-safe.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 1000.0)
        : now_(start)
    {
    }
    [[nodiscard]] double now() const override;
    [[nodiscard]] bool isManual() const override { return true; }
    // Moves time forward (a negative amount is ignored: time never runs back). Due timers fire
    // the next time the run loop runs; RunLoop::advance steps through them one by one instead.
    void advance(double seconds);
    // Sets the time, never earlier than it is.
    void setNow(double time);

private:
    mutable std::mutex mutex_;
    double now_;
};
