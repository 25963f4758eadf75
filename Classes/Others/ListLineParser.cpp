#include "Classes/Others/ListLineParser.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <ctime>
#include <limits>

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// Less than 350 days back: a listed date without a year is placed in the first year
// (from last year on) that is not further in the past than this.
constexpr std::int64_t kYearGuessWindow = 30239999;

// Listing fields are untrusted: these saturate instead of wrapping.
std::int64_t saturatingAdd(std::int64_t a, std::int64_t b)
{
    std::int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) return b > 0 ? kInt64Max : kInt64Min;
    return r;
}

std::int64_t saturatingSub(std::int64_t a, std::int64_t b)
{
    std::int64_t r = 0;
    if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? kInt64Max : kInt64Min;
    return r;
}

// A number field as listings have always been read: value * 10 + (byte - '0') for every
// byte, digits or not, so a stray sign or space weighs in exactly as that arithmetic says.
// Once the value leaves the 64-bit range it can only grow away from zero, so it saturates
// there, keeping its sign.
std::int64_t numberField(const char* bytes, std::int64_t count)
{
    std::int64_t value = 0;
    // Sixteen bytes of -48 to 207 each stay far inside the 64-bit range.
    if (count <= 16) {
        for (std::int64_t k = 0; k < count; ++k)
            value = value * 10 + (static_cast<int>(static_cast<unsigned char>(bytes[k])) - '0');
        return value;
    }
    for (std::int64_t k = 0; k < count; ++k) {
        const int digit = static_cast<int>(static_cast<unsigned char>(bytes[k])) - '0';
        std::int64_t next = 0;
        if (__builtin_mul_overflow(value, 10, &next) || __builtin_add_overflow(next, digit, &next))
            return value > 0 ? kInt64Max : kInt64Min;
        value = next;
    }
    return value;
}

// A size is never negative: a field whose arithmetic goes below zero gives 0.
std::int64_t sizeField(const char* bytes, std::int64_t count)
{
    const std::int64_t value = numberField(bytes, count);
    return value < 0 ? 0 : value;
}

using Wide = __int128;

// The one saturation of a time: sums are taken wide and clamped once, at the end.
std::int64_t saturated(Wide value)
{
    if (value > kInt64Max) return kInt64Max;
    if (value < kInt64Min) return kInt64Min;
    return static_cast<std::int64_t>(value);
}

// Day count of a date from 1970-01-01, counted from March so that leap days fall last.
template <class Int>
Int civilDays(Int year, Int month, Int day)
{
    if (month < 2) {
        month += 10;
        year -= 1;
    } else {
        month -= 2;
    }
    Int d = ((day - 1) * 10 + 5 + 306 * month) / 10;
    if (d == 365) { // February 29
        year -= 3;
        d = 1460;
    } else {
        d += 365 * (year % 4);
    }
    year /= 4;
    d += 1461 * (year % 25);
    year /= 25;
    if (d == 36524) {
        year -= 3;
        d = 146096;
    } else {
        d += 36524 * (year % 4);
    }
    year /= 4;
    d += 146097 * (year - 5);
    d += 11017; // days from 1970-01-01 to 2000-03-01
    return d;
}

// Within these bounds the 64-bit computation cannot overflow (about 1e12 days at most).
constexpr std::int64_t kSafeCivilInput = 1000000000;

// Seconds of a date, exactly: any 64-bit fields fit the 128-bit arithmetic.
Wide civilSecondsWide(std::int64_t year, std::int64_t month, std::int64_t day)
{
    const auto safe = [](std::int64_t v) { return v >= -kSafeCivilInput && v <= kSafeCivilInput; };
    if (safe(year) && safe(month) && safe(day)) return static_cast<Wide>(civilDays<std::int64_t>(year, month, day) * 86400);
    return civilDays<Wide>(year, month, day) * 86400;
}

Wide clockSecondsWide(std::int64_t hour, std::int64_t minute)
{
    return static_cast<Wide>(hour) * 3600 + static_cast<Wide>(minute) * 60;
}

std::int64_t defaultClock() { return static_cast<std::int64_t>(std::time(nullptr)); }

// Process-wide caches. One listing is decoded at a time; relaxed atomics keep a stray
// concurrent caller from being a data race without costing anything on the hot path.
std::atomic<bool> timeBaseKnown { false };
std::atomic<std::int64_t> timeBase { 0 };
std::atomic<bool> currentYearKnown { false };
std::atomic<std::int64_t> currentYear { 0 };
std::atomic<ListLineClock> presentClock { &defaultClock };

// Gregorian year of a moment in UTC.
std::int64_t yearOfSeconds(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    if (seconds % 86400 < 0) --days;
    // Shift to 0000-03-01 so that a 400-year era starts with March.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const std::int64_t year = yearOfEra + era * 400;
    return monthFromMarch >= 10 ? year + 1 : year; // January and February belong to the next year
}

// Seconds since 1970 from wide parts: the time base added, then saturated once.
std::int64_t withTimeBase(Wide seconds)
{
    return saturated(static_cast<Wide>(timeBase.load(std::memory_order_relaxed)) + seconds);
}

Wide guessListYearWide(std::int64_t month, std::int64_t day);

// Scanner over one line; every move that reaches the end of the line rejects it.
struct Cursor {
    const char* bytes;
    std::int32_t length;
    std::int32_t pos { 0 };

    bool atEnd() const { return pos >= length; }
    // Moves to the next byte equal to `stop`; false at the end of the line.
    bool scanTo(char stop)
    {
        while (pos < length && bytes[pos] != stop) ++pos;
        return pos < length;
    }
    bool scanToEither(char a, char b)
    {
        while (pos < length && bytes[pos] != a && bytes[pos] != b) ++pos;
        return pos < length;
    }
    bool skipSpaces()
    {
        while (pos < length && bytes[pos] == ' ') ++pos;
        return pos < length;
    }
    bool skipNonSpaces() { return scanTo(' '); }
    bool stepOver()
    {
        ++pos;
        return pos < length;
    }
};

int parseEplf(ListLineInfo& info, const char* buf, std::int32_t len)
{
    std::int32_t factStart = 1;
    for (std::int32_t j = 1; j < len; ++j) {
        if (buf[j] == '\t') {
            info.name = buf + j + 1;
            info.nameLength = len - j - 1;
            return 1;
        }
        if (buf[j] != ',') continue;
        if (j > factStart) {
            const char* rest = buf + factStart + 1;
            const std::int32_t restLength = j - factStart - 1;
            switch (buf[factStart]) {
            case '/':
                info.tryCwd = 1;
                break;
            case 'r':
                info.tryRetr = 1;
                break;
            case 's':
                info.sizeType = 1;
                info.size = sizeField(rest, restLength);
                break;
            case 'm':
                info.mtimeType = kListTimeExact;
                info.mtime = withTimeBase(numberField(rest, restLength));
                break;
            case 'i':
                info.idType = 1;
                info.id = rest;
                info.idLength = restLength;
                break;
            default:
                break;
            }
        }
        factStart = j + 1;
    }
    return 0;
}

int parseUnix(ListLineInfo& info, const char* buf, std::int32_t len)
{
    switch (buf[0]) {
    case 'd':
        info.tryCwd = 1;
        break;
    case '-':
        info.tryRetr = 1;
        break;
    case 'l':
        info.tryCwd = 1;
        info.tryRetr = 1;
        break;
    default:
        break;
    }

    int state = 1;
    std::int64_t size = 0;
    int month = 0;
    std::int64_t day = 0;
    // A token ends at a space whose previous byte is no space; the first starts at 0 and
    // each later one after the spaces that ended the one before.
    std::int32_t tokenStart = 0;
    while (state != 8 && tokenStart < len) {
        const void* space = std::memchr(buf + tokenStart, ' ', static_cast<std::size_t>(len - tokenStart));
        if (space == nullptr) break; // the last token runs to the end: it ends nothing
        const auto j = static_cast<std::int32_t>(static_cast<const char*>(space) - buf);
        const char* token = buf + tokenStart;
        const std::int32_t tokenLength = j - tokenStart;
        switch (state) {
        case 1: // permissions
            state = 2;
            break;
        case 2: // link count, or NetPresenz's "folder" column
            state = (tokenLength == 6 && token[0] == 'f') ? 4 : 3;
            break;
        case 3: // owner
            state = 4;
            break;
        case 4:
            size = sizeField(token, tokenLength);
            state = 5;
            break;
        case 5: {
            const int m = monthFromName(token, static_cast<std::size_t>(tokenLength));
            if (m >= 0) {
                month = m;
                state = 6;
            } else {
                size = sizeField(token, tokenLength); // the group column came first
            }
            break;
        }
        case 6:
            day = numberField(token, tokenLength);
            state = 7;
            break;
        case 7: {
            std::int64_t hour = 0;
            std::int64_t minute = 0;
            bool hasTime = false;
            if (tokenLength == 4 && token[1] == ':') {
                hour = static_cast<unsigned char>(token[0]) - '0';
                minute = numberField(token + 2, 2);
                hasTime = true;
            } else if (tokenLength == 5 && token[2] == ':') {
                hour = numberField(token, 2);
                minute = numberField(token + 3, 2);
                hasTime = true;
            } else if (tokenLength >= 4) {
                const std::int64_t year = numberField(token, tokenLength);
                info.mtimeType = kListTimeServerDate;
                info.mtime = withTimeBase(civilSecondsWide(year, month, day));
            } else {
                return 0;
            }
            if (hasTime) {
                info.mtimeType = kListTimeServerMinute;
                info.mtime = withTimeBase(guessListYearWide(month, day) + clockSecondsWide(hour, minute));
            }
            // Further spaces belong to the name.
            info.name = buf + j + 1;
            info.nameLength = len - j - 1;
            state = 8;
            break;
        }
        default:
            break;
        }
        tokenStart = j + 1;
        while (tokenStart < len && buf[tokenStart] == ' ') ++tokenStart;
    }
    if (state != 8) return 0;
    info.sizeType = 1;
    info.size = size;

    if (buf[0] == 'l') {
        for (std::int32_t p = 0; p + 3 < info.nameLength; ++p) {
            if (std::memcmp(info.name + p, " -> ", 4) == 0) {
                info.nameLength = p;
                break;
            }
        }
    }
    // NetWare pads its names with three spaces.
    if ((buf[1] == ' ' || buf[1] == '[') && info.nameLength > 3 && std::memcmp(info.name, "   ", 3) == 0) {
        info.name += 3;
        info.nameLength -= 3;
    }
    return 1;
}

int parseVms(ListLineInfo& info, const char* buf, std::int32_t len, std::int32_t semicolon)
{
    info.name = buf;
    info.nameLength = semicolon;
    if (semicolon > 4 && std::memcmp(buf + semicolon - 4, ".DIR", 4) == 0) {
        info.nameLength = semicolon - 4;
        info.tryCwd = 1;
    } else {
        info.tryRetr = 1;
    }

    Cursor c { buf, len, semicolon };
    if (!c.skipNonSpaces() || !c.skipSpaces() || !c.skipNonSpaces() || !c.skipSpaces()) return 0;

    std::int32_t start = c.pos;
    if (!c.scanTo('-')) return 0;
    const std::int64_t day = numberField(buf + start, c.pos - start);
    if (!c.stepOver()) return 0;
    start = c.pos;
    if (!c.scanTo('-')) return 0;
    const int month = monthFromName(buf + start, static_cast<std::size_t>(c.pos - start));
    if (month < 0) return 0;
    if (!c.stepOver()) return 0;
    start = c.pos;
    if (!c.scanTo(' ')) return 0;
    const std::int64_t year = numberField(buf + start, c.pos - start);
    if (!c.skipSpaces()) return 0;
    start = c.pos;
    if (!c.scanTo(':')) return 0;
    const std::int64_t hour = numberField(buf + start, c.pos - start);
    if (!c.stepOver()) return 0;
    start = c.pos;
    // Seconds and the rest are ignored, but the minute must be followed by one of them.
    if (!c.scanToEither(':', ' ')) return 0;
    const std::int64_t minute = numberField(buf + start, c.pos - start);

    info.mtimeType = kListTimeServerMinute;
    info.mtime = withTimeBase(civilSecondsWide(year, month, day) + clockSecondsWide(hour, minute));
    return 1;
}

int parseMsDos(ListLineInfo& info, const char* buf, std::int32_t len)
{
    Cursor c { buf, len };
    std::int32_t start = 0;
    if (!c.scanTo('-')) return 0;
    const std::int64_t month = saturatingSub(numberField(buf, c.pos), 1);
    if (!c.stepOver()) return 0;
    start = c.pos;
    if (!c.scanTo('-')) return 0;
    const std::int64_t day = numberField(buf + start, c.pos - start);
    if (!c.stepOver()) return 0;
    start = c.pos;
    if (!c.scanTo(' ')) return 0;
    std::int64_t year = numberField(buf + start, c.pos - start);
    if (year < 50) year += 2000;
    if (year < 1000) year += 1900;

    if (!c.skipSpaces()) return 0;
    start = c.pos;
    if (!c.scanTo(':')) return 0;
    std::int64_t hour = numberField(buf + start, c.pos - start);
    if (!c.stepOver()) return 0;
    start = c.pos;
    if (!c.scanToEither('A', 'P')) return 0;
    const std::int64_t minute = numberField(buf + start, c.pos - start);
    if (hour == 12) hour = 0;
    if (buf[c.pos] == 'P') hour = saturatingAdd(hour, 12);
    if (!c.stepOver() || !c.stepOver()) return 0; // "A" or "P", then "M"

    if (!c.skipSpaces()) return 0;
    if (buf[c.pos] == '<') {
        info.tryCwd = 1;
        if (!c.scanTo(' ')) return 0;
    } else {
        start = c.pos;
        if (!c.scanTo(' ')) return 0;
        info.sizeType = 1;
        info.size = sizeField(buf + start, c.pos - start);
        info.tryRetr = 1;
    }
    if (!c.skipSpaces()) return 0;
    info.name = buf + c.pos;
    info.nameLength = len - c.pos;

    info.mtimeType = kListTimeServerMinute;
    info.mtime = withTimeBase(civilSecondsWide(year, month, day) + clockSecondsWide(hour, minute));
    return 1;
}

} // namespace

int parseListLine(ListLineInfo& info, const char* line, std::size_t length)
{
    info = ListLineInfo {};
    if (line == nullptr || length < 2) return 0;
    // Name lengths are 32-bit; no listing line comes anywhere near this.
    if (length > static_cast<std::size_t>(INT32_MAX)) return 0;
    const auto len = static_cast<std::int32_t>(length);

    switch (line[0]) {
    case '+':
        return parseEplf(info, line, len);
    case 'b':
    case 'c':
    case 'd':
    case 'l':
    case 'p':
    case 's':
    case '-':
        return parseUnix(info, line, len);
    default:
        break;
    }
    const bool startsWithDigit = line[0] >= '0' && line[0] <= '9';
    if (const void* semicolon = std::memchr(line, ';', length)) {
        const auto at = static_cast<std::int32_t>(static_cast<const char*>(semicolon) - line);
        if (parseVms(info, line, len, at) == 1) return 1;
        // An MS-DOS name may hold a ";": such a line is no VMS entry but still a DOS one.
        if (!startsWithDigit) return 0;
        info = ListLineInfo {};
        return parseMsDos(info, line, len);
    }
    if (startsWithDigit) return parseMsDos(info, line, len);
    return 0;
}

int monthFromName(const char* bytes, std::size_t length)
{
    // Setting bit 5 maps exactly the upper-case form of a letter onto its lower-case form.
    constexpr auto pack = [](unsigned char a, unsigned char b, unsigned char c) {
        return static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b) << 8 | static_cast<std::uint32_t>(c) << 16;
    };
    static constexpr std::uint32_t kMonths[12] = {
        pack('j', 'a', 'n'), pack('f', 'e', 'b'), pack('m', 'a', 'r'), pack('a', 'p', 'r'),
        pack('m', 'a', 'y'), pack('j', 'u', 'n'), pack('j', 'u', 'l'), pack('a', 'u', 'g'),
        pack('s', 'e', 'p'), pack('o', 'c', 't'), pack('n', 'o', 'v'), pack('d', 'e', 'c'),
    };
    if (bytes == nullptr || length != 3) return -1;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k] | 0x20); };
    const std::uint32_t folded = pack(byte(0), byte(1), byte(2));
    for (int m = 0; m < 12; ++m)
        if (folded == kMonths[m]) return m;
    return -1;
}

std::int64_t civilToSeconds(std::int64_t year, std::int64_t month, std::int64_t day)
{
    return saturated(civilSecondsWide(year, month, day));
}

void initTimeBase()
{
    if (timeBaseKnown.load(std::memory_order_acquire)) return;
    const std::time_t zero = 0;
    std::tm parts {};
    std::int64_t base = 0;
    if (gmtime_r(&zero, &parts) != nullptr) {
        const std::int64_t seconds = civilToSeconds(parts.tm_year + 1900, parts.tm_mon, parts.tm_mday)
            + parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
        base = -seconds;
    }
    timeBase.store(base, std::memory_order_relaxed);
    timeBaseKnown.store(true, std::memory_order_release);
}

namespace {

Wide guessListYearWide(std::int64_t month, std::int64_t day)
{
    initTimeBase();
    const std::int64_t now = saturatingSub(presentClock.load(std::memory_order_relaxed)(), timeBase.load(std::memory_order_relaxed));
    if (!currentYearKnown.load(std::memory_order_acquire)) {
        currentYear.store(yearOfSeconds(now), std::memory_order_relaxed);
        currentYearKnown.store(true, std::memory_order_release);
    }
    const std::int64_t thisYear = currentYear.load(std::memory_order_relaxed);
    for (std::int64_t year = thisYear - 1; year < thisYear + 100; ++year) {
        const Wide t = civilSecondsWide(year, month, day);
        if (static_cast<Wide>(now) - t <= kYearGuessWindow) return t;
    }
    return 0;
}

} // namespace

std::int64_t guessListYear(std::int64_t month, std::int64_t day)
{
    return saturated(guessListYearWide(month, day));
}

ListLineClock setListLineClock(ListLineClock clock)
{
    const ListLineClock previous = presentClock.exchange(clock != nullptr ? clock : &defaultClock);
    currentYearKnown.store(false, std::memory_order_release);
    return previous == &defaultClock ? nullptr : previous;
}
