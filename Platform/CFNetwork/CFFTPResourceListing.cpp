#include "Platform/CFNetwork/CFFTPResourceListing.h"

#include "Platform/Foundation/NSStringEncoding.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <ctime>
#include <limits>

namespace {

std::int64_t systemClock() { return static_cast<std::int64_t>(std::time(nullptr)); }

std::atomic<CFFTPListingClock> listingClock { &systemClock };

// A date listed with a time lies in the last twelve months; a day of slack covers servers
// whose wall clock runs ahead of ours (time zones, skew).
constexpr std::int64_t kFutureSlack = 86400;

// Columns looked at before giving up on a line: permissions, link count, owner, group,
// device number, size, month, day, time or year, and room for owners with spaces.
constexpr std::size_t kMaxColumns = 16;

struct Column {
    std::size_t begin { 0 };
    std::size_t end { 0 };
    std::size_t size() const { return end - begin; }
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Digits only; a run too long for 64 bits saturates.
std::int64_t digitsValue(std::string_view digits)
{
    std::int64_t value = 0;
    for (const char c : digits) {
        if (__builtin_mul_overflow(value, 10, &value) || __builtin_add_overflow(value, c - '0', &value))
            return std::numeric_limits<std::int64_t>::max();
    }
    return value;
}

// "drwxr-xr-x", optionally followed by a mark such as "+" (ACL), "@" (extended attributes)
// or "." (security context).
std::optional<std::int32_t> typeOfPermissions(std::string_view text)
{
    if (text.size() < 10) return std::nullopt;
    for (std::size_t k = 1; k < 10; ++k)
        if (std::strchr("rwxsStTlL-?", text[k]) == nullptr || text[k] == '\0') return std::nullopt;
    switch (text[0]) {
    case '-': return kCFFTPResourceRegularFile;
    case 'd': return kCFFTPResourceDirectory;
    case 'l': return kCFFTPResourceSymbolicLink;
    case 'b': return kCFFTPResourceBlockDevice;
    case 'c': return kCFFTPResourceCharacterDevice;
    case 'p': return kCFFTPResourceFifo;
    case 's': return kCFFTPResourceSocket;
    case 'D': // Solaris door
    case '?':
        return 0; // unknown kind
    default:
        return std::nullopt;
    }
}

int monthOfName(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> kMonths = { "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec" };
    if (text.size() != 3) return -1;
    char lower[3];
    for (std::size_t k = 0; k < 3; ++k) lower[k] = (text[k] >= 'A' && text[k] <= 'Z') ? static_cast<char>(text[k] + 32) : text[k];
    for (std::size_t m = 0; m < kMonths.size(); ++m)
        if (std::string_view(lower, 3) == kMonths[m]) return static_cast<int>(m);
    return -1;
}

std::int64_t secondsOf(int year, int month, int day, int hour, int minute)
{
    std::tm parts {};
    parts.tm_year = year - 1900;
    parts.tm_mon = month;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    return static_cast<std::int64_t>(timegm(&parts));
}

// The date of month, day and "HH:MM" or "YYYY"; nullopt when the columns are no date.
std::optional<NSDate> dateOf(std::string_view monthText, std::string_view dayText, std::string_view timeOrYear)
{
    const int month = monthOfName(monthText);
    if (month < 0 || dayText.size() > 2 || !allDigits(dayText)) return std::nullopt;
    const int day = static_cast<int>(digitsValue(dayText));
    if (day < 1 || day > 31) return std::nullopt;

    if (timeOrYear.size() == 4 && allDigits(timeOrYear)) {
        const int year = static_cast<int>(digitsValue(timeOrYear));
        return NSDate::dateWithTimeIntervalSince1970(static_cast<double>(secondsOf(year, month, day, 0, 0)));
    }
    const std::size_t colon = timeOrYear.find(':');
    if (colon != 1 && colon != 2) return std::nullopt;
    const std::string_view hourText = timeOrYear.substr(0, colon);
    const std::string_view minuteText = timeOrYear.substr(colon + 1);
    if (!allDigits(hourText) || minuteText.size() != 2 || !allDigits(minuteText)) return std::nullopt;
    const int hour = static_cast<int>(digitsValue(hourText));
    const int minute = static_cast<int>(digitsValue(minuteText));
    if (hour > 23 || minute > 59) return std::nullopt;

    const std::int64_t now = listingClock.load(std::memory_order_relaxed)();
    const std::time_t nowValue = static_cast<std::time_t>(now);
    std::tm today {};
    if (gmtime_r(&nowValue, &today) == nullptr) return std::nullopt;
    const int thisYear = today.tm_year + 1900;
    std::int64_t seconds = secondsOf(thisYear, month, day, hour, minute);
    if (seconds > now + kFutureSlack) seconds = secondsOf(thisYear - 1, month, day, hour, minute);
    return NSDate::dateWithTimeIntervalSince1970(static_cast<double>(seconds));
}

// Names come through as Mac OS Roman, one character per byte, whatever they really are.
std::string macRomanText(std::string_view bytes)
{
    if (isAscii(bytes)) return std::string(bytes);
    return utf8StringFromData(bytes, NSMacOSRomanStringEncoding).value_or(std::string());
}

std::string columnText(std::string_view bytes)
{
    if (isAscii(bytes)) return std::string(bytes);
    if (auto text = utf8StringFromData(bytes, NSUTF8StringEncoding)) return std::move(*text);
    return macRomanText(bytes);
}

// One line without its terminator; nullopt when it is no entry.
std::optional<CFFTPResourceEntry> parseLine(std::string_view line)
{
    std::array<Column, kMaxColumns> columns {};
    std::size_t count = 0;
    std::size_t pos = 0;
    const auto nextColumn = [&]() -> bool {
        while (pos < line.size() && isBlank(line[pos])) ++pos;
        if (pos >= line.size()) return false;
        const std::size_t begin = pos;
        while (pos < line.size() && !isBlank(line[pos])) ++pos;
        columns[count++] = Column { begin, pos };
        return true;
    };
    const auto text = [&](std::size_t k) { return line.substr(columns[k].begin, columns[k].size()); };

    if (!nextColumn()) return std::nullopt;
    const std::optional<std::int32_t> type = typeOfPermissions(text(0));
    if (!type) return std::nullopt;
    const bool isDevice = *type == kCFFTPResourceBlockDevice || *type == kCFFTPResourceCharacterDevice;

    // Find "size month day time-or-year", the size being all digits (a device shows
    // "major, minor" there instead).
    while (count < kMaxColumns && nextColumn()) {
        if (count < 5) continue; // permissions, size, month, day, time at the least
        const std::size_t sizeAt = count - 4;
        const std::optional<NSDate> date = dateOf(text(sizeAt + 1), text(sizeAt + 2), text(sizeAt + 3));
        if (!date) continue;
        const std::string_view sizeText = text(sizeAt);
        std::size_t columnsEnd = sizeAt; // owner and group lie before this
        std::optional<std::int64_t> size;
        if (isDevice && sizeText.find(',') != std::string_view::npos) {
            // "major,minor" in one column
        } else if (!allDigits(sizeText)) {
            continue;
        } else if (isDevice && sizeAt >= 2 && text(sizeAt - 1).back() == ',') {
            columnsEnd = sizeAt - 1; // "major," then "minor"
        } else {
            size = digitsValue(sizeText);
        }

        // The name starts after the one blank that follows the time or year.
        const std::size_t nameStart = columns[count - 1].end + 1;
        if (nameStart >= line.size()) return std::nullopt;
        std::string_view name = line.substr(nameStart);
        std::optional<std::string> link;
        if (*type == kCFFTPResourceSymbolicLink) {
            const std::size_t arrow = name.find(" -> ");
            if (arrow != std::string_view::npos) {
                link = columnText(name.substr(arrow + 4));
                name = name.substr(0, arrow);
            }
        }
        if (name.empty()) return std::nullopt;

        CFFTPResourceEntry entry;
        entry.name = macRomanText(name);
        entry.size = size;
        entry.modDate = date;
        entry.type = *type;
        entry.link = std::move(link);
        // Link count, owner, group; some servers leave out the group, a few the link count.
        std::size_t first = 1;
        if (first < columnsEnd && allDigits(text(first))) ++first;
        if (first < columnsEnd) entry.owner = columnText(text(first));
        if (first + 1 < columnsEnd) entry.group = columnText(text(columnsEnd - 1));
        return entry;
    }
    return std::nullopt;
}

} // namespace

CFIndex CFFTPCreateParsedResourceListing(const char* buffer, CFIndex bufferLength, std::optional<CFFTPResourceEntry>& parsed)
{
    parsed.reset();
    if (bufferLength < 0 || (buffer == nullptr && bufferLength > 0)) return -1;
    if (bufferLength == 0) return 0;
    const auto length = static_cast<std::size_t>(bufferLength);
    const void* newline = std::memchr(buffer, '\n', length);
    const std::size_t lineEnd = newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - buffer) : length;
    const CFIndex consumed = newline != nullptr ? static_cast<CFIndex>(lineEnd + 1) : bufferLength;

    std::string_view line(buffer, lineEnd);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    parsed = parseLine(line);
    return consumed;
}

CFFTPListingClock CFFTPSetListingClock(CFFTPListingClock clock)
{
    const CFFTPListingClock previous = listingClock.exchange(clock != nullptr ? clock : &systemClock);
    return previous == &systemClock ? nullptr : previous;
}
