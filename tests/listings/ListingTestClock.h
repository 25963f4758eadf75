#pragma once

#include "Classes/Others/ListLineParser.h"
#include "Platform/CFNetwork/CFFTPResourceListing.h"

#include <cstdint>
#include <ctime>

// Seconds since 1970 of a UTC wall-clock time (month 1 to 12), through the C library so the
// expectations do not share the parser's arithmetic.
inline std::int64_t utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&parts));
}

// Pins "now" for both listing parsers while in scope.
class ScopedListingNow {
public:
    explicit ScopedListingNow(std::int64_t now)
    {
        current() = now;
        setListLineClock(&fixed);
        CFFTPSetListingClock(&fixed);
    }
    ~ScopedListingNow()
    {
        setListLineClock(nullptr);
        CFFTPSetListingClock(nullptr);
    }
    // Moves "now" without telling the parsers (their caches stay).
    void set(std::int64_t now) { current() = now; }
    ScopedListingNow(const ScopedListingNow&) = delete;
    ScopedListingNow& operator=(const ScopedListingNow&) = delete;

private:
    static std::int64_t& current()
    {
        static std::int64_t now = 0;
        return now;
    }
    static std::int64_t fixed() { return current(); }
};
