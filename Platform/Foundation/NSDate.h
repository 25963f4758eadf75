#pragma once

#include "Platform/Foundation/NSObject.h"

#include <compare>

// A moment in time: seconds since 1970-01-01 00:00:00 UTC. A value, compared by value.
class NSDate final : public NSObject {
public:
    // 1970-01-01 00:00:00 UTC.
    NSDate() = default;

    [[nodiscard]] static NSDate dateWithTimeIntervalSince1970(double seconds);
    // Now: the wall-clock time, moved on by the main run loop's clock, so tests that drive the
    // clock by hand drive dates too.
    [[nodiscard]] static NSDate date();
    [[nodiscard]] double timeIntervalSince1970() const { return seconds_; }

    bool isEqual(const NSObject& other) const override;
    std::size_t hash() const override;

    friend bool operator==(const NSDate& a, const NSDate& b) { return a.seconds_ == b.seconds_; }
    friend auto operator<=>(const NSDate& a, const NSDate& b) { return a.seconds_ <=> b.seconds_; }

private:
    double seconds_ { 0 };
};
