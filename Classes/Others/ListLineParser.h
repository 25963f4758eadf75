#pragma once

// Reads one line of an FTP directory listing (EPLF, UNIX long form with its NetWare and
// NetPresenz variants, MultiNet/VMS, MS-DOS). Plain functions over bytes: nothing is
// allocated or copied; `name` and `id` point into the caller's line, which must outlive
// the record.

#include <cstddef>
#include <cstdint>

struct ListLineInfo {
    const char* name { nullptr };  // first byte of the entry name inside the line
    std::int32_t nameLength { 0 }; // bytes
    std::int32_t tryCwd { 0 };     // 1: the entry may be a directory
    std::int32_t tryRetr { 0 };    // 1: the entry may be retrieved as a file
    std::int32_t sizeType { 0 };   // 0 no size; 1 exact byte count
    // 64-bit and never negative: listings of files of 2 GiB and more are common.
    std::int64_t size { 0 };
    std::int32_t mtimeType { 0 }; // one of the ListTime values
    // Seconds since 1970-01-01 00:00:00 UTC (a server's wall clock read as UTC), saturated.
    std::int64_t mtime { 0 };
    std::int32_t idType { 0 };   // 0 none; 1 full identifier (EPLF)
    const char* id { nullptr };  // first byte of the identifier inside the line
    std::int32_t idLength { 0 }; // bytes
};

// Values of ListLineInfo::mtimeType.
enum ListTime : std::int32_t {
    kListTimeNone = 0,
    kListTimeExact = 1,         // EPLF
    kListTimeServerMinute = 2,  // the server's date and time to the minute
    kListTimeServerDate = 3,    // the server's date only
};

// 1 when the line (without its terminator) is an entry, 0 otherwise. After 0 the record
// holds whatever was filled before the rejection.
[[nodiscard]] int parseListLine(ListLineInfo& info, const char* line, std::size_t length);

// 0 to 11 for a three-letter English month name in any case mix, else -1.
[[nodiscard]] int monthFromName(const char* bytes, std::size_t length);

// Seconds of a Gregorian date (month 0 to 11; out-of-range days and months roll over)
// since 1970-01-01 UTC, saturated to the 64-bit range.
[[nodiscard]] std::int64_t civilToSeconds(std::int64_t year, std::int64_t month, std::int64_t day);

// Seconds of month/day in the year that puts it less than 350 days in the past, or in the
// future; 0 when no year qualifies.
[[nodiscard]] std::int64_t guessListYear(std::int64_t month, std::int64_t day);

// Computes the offset between the C library's time values and seconds since 1970 once.
void initTimeBase();

// The present time the year guess uses, in seconds since 1970 (the C library's time()
// unless a test installs its own).
using ListLineClock = std::int64_t (*)();

// Installs a clock (nullptr restores time()) and forgets the cached present time and year,
// so the next guess starts over. Returns the previous clock.
ListLineClock setListLineClock(ListLineClock clock);
