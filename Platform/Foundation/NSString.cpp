#include "Platform/Foundation/NSString.h"

#include "Platform/Foundation/NSCharacterSet.h"
#include "Platform/Foundation/NSException.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <locale.h>
#include <stdexcept>

namespace {

// ICU counts in int32_t; texts beyond that are refused rather than truncated.
int32_t icuLength(std::size_t length)
{
    if (length > static_cast<std::size_t>(INT32_MAX))
        throw std::length_error("text too long for Unicode conversion");
    return static_cast<int32_t>(length);
}

const UChar* icuChars(std::u16string_view text) { return reinterpret_cast<const UChar*>(text.data()); }
UChar* icuChars(std::u16string& text) { return reinterpret_cast<UChar*>(text.data()); }

// Runs an ICU "preflight, then fill" conversion into a UTF-16 string.
template <typename Convert>
std::optional<std::u16string> fillUtf16(Convert convert)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t needed = convert(nullptr, 0, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return std::nullopt;
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    status = U_ZERO_ERROR;
    convert(icuChars(out), needed, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    return out;
}

void checkRange(std::u16string_view text, NSRange range)
{
    if (range.location > text.size() || range.length > text.size() - range.location)
        throw NamedException("NSRangeException",
            "range " + NSStringFromRange(range) + " out of bounds; string length " + std::to_string(text.size()));
}

// Case folding of the code point at `index` (not reaching past `limit`): the folded units go
// to `out`, the number of text units consumed is returned.
constexpr int kMaxFoldUnits = 8;

std::size_t foldAt(std::u16string_view text, std::size_t index, std::size_t limit, char16_t (&out)[kMaxFoldUnits], int& outLength)
{
    const char16_t unit = text[index];
    if (unit < 0x80) {
        out[0] = (unit >= u'A' && unit <= u'Z') ? static_cast<char16_t>(unit + 32) : unit;
        outLength = 1;
        return 1;
    }
    std::size_t consumed = 1;
    if (U16_IS_LEAD(unit) && index + 1 < limit && U16_IS_TRAIL(text[index + 1]))
        consumed = 2;
    UErrorCode status = U_ZERO_ERROR;
    outLength = u_strFoldCase(reinterpret_cast<UChar*>(out), kMaxFoldUnits, icuChars(text.substr(index)),
        static_cast<int32_t>(consumed), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status) || outLength <= 0) {
        std::memcpy(out, text.data() + index, consumed * sizeof(char16_t));
        outLength = static_cast<int>(consumed);
    }
    return consumed;
}

// End of a case-folded match of `folded` starting at `index`, or nullopt.
std::optional<std::size_t> foldedMatchAt(std::u16string_view text, std::size_t index, std::size_t limit, std::u16string_view folded)
{
    std::size_t matched = 0;
    std::size_t position = index;
    while (matched < folded.size()) {
        if (position >= limit)
            return std::nullopt;
        char16_t buffer[kMaxFoldUnits];
        int length = 0;
        const std::size_t consumed = foldAt(text, position, limit, buffer, length);
        const auto n = static_cast<std::size_t>(length);
        if (matched + n > folded.size() || folded.compare(matched, n, std::u16string_view(buffer, n)) != 0)
            return std::nullopt;
        matched += n;
        position += consumed;
    }
    return position;
}

std::u16string foldCase(std::u16string_view text)
{
    const int32_t length = icuLength(text.size());
    auto folded = fillUtf16([&](UChar* dest, int32_t capacity, UErrorCode* status) {
        return u_strFoldCase(dest, capacity, icuChars(text), length, U_FOLD_CASE_DEFAULT, status);
    });
    return folded ? *folded : std::u16string(text);
}

template <typename Map>
std::u16string mapCase(std::u16string_view text, Map map)
{
    const int32_t length = icuLength(text.size());
    auto mapped = fillUtf16([&](UChar* dest, int32_t capacity, UErrorCode* status) {
        return map(dest, capacity, icuChars(text), length, "", status);
    });
    return mapped ? *mapped : std::u16string(text);
}

// The "C" locale, made once; formatting and parsing switch to it per thread.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool isAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

template <typename Integer>
Integer parseInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isAsciiSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr Integer max = std::numeric_limits<Integer>::max();
    constexpr Integer min = std::numeric_limits<Integer>::min();
    Integer value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (negative) {
            if (value < (min + digit) / 10)
                return min;
            value = static_cast<Integer>(value * 10 - digit);
        } else {
            if (value > (max - digit) / 10)
                return max;
            value = static_cast<Integer>(value * 10 + digit);
        }
    }
    return value;
}

} // namespace

std::string NSStringFromRange(NSRange range)
{
    return "{" + std::to_string(range.location) + ", " + std::to_string(range.length) + "}";
}

// ---- UTF-8 <-> UTF-16 ---------------------------------------------------------------------

std::u16string utf8ToUtf16(std::string_view utf8)
{
    const int32_t length = icuLength(utf8.size());
    auto converted = fillUtf16([&](UChar* dest, int32_t capacity, UErrorCode* status) {
        int32_t written = 0;
        u_strFromUTF8WithSub(dest, capacity, &written, utf8.data(), length, 0xFFFD, nullptr, status);
        return written;
    });
    return converted ? *converted : std::u16string();
}

std::optional<std::u16string> utf8ToUtf16Strict(std::string_view utf8)
{
    const int32_t length = icuLength(utf8.size());
    return fillUtf16([&](UChar* dest, int32_t capacity, UErrorCode* status) {
        int32_t written = 0;
        u_strFromUTF8(dest, capacity, &written, utf8.data(), length, status);
        return written;
    });
}

std::string utf16ToUtf8(std::u16string_view utf16)
{
    const int32_t length = icuLength(utf16.size());
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8WithSub(nullptr, 0, &needed, icuChars(utf16), length, 0xFFFD, nullptr, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return {};
    std::string out(static_cast<std::size_t>(needed), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), needed, &needed, icuChars(utf16), length, 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return {};
    return out;
}

// ---- Searching ------------------------------------------------------------------------------

NSRange rangeOfString(std::u16string_view text, std::u16string_view target, NSStringCompareOptions options, NSRange searchRange)
{
    checkRange(text, searchRange);
    if (target.empty())
        return NSRangeNotFound;
    const bool backwards = options & NSBackwardsSearch;
    const bool anchored = options & NSAnchoredSearch;
    const std::size_t begin = searchRange.location;
    const std::size_t end = searchRange.max();

    if (!(options & NSCaseInsensitiveSearch)) {
        const std::u16string_view window = text.substr(begin, searchRange.length);
        if (target.size() > window.size())
            return NSRangeNotFound;
        std::size_t found = std::u16string_view::npos;
        if (anchored)
            found = backwards ? (window.ends_with(target) ? window.size() - target.size() : found)
                              : (window.starts_with(target) ? 0 : found);
        else
            found = backwards ? window.rfind(target) : window.find(target);
        if (found == std::u16string_view::npos)
            return NSRangeNotFound;
        return NSMakeRange(begin + found, target.size());
    }

    const std::u16string folded = foldCase(target);
    if (!backwards) {
        for (std::size_t i = begin; i < end; ++i) {
            if (auto matchEnd = foldedMatchAt(text, i, end, folded))
                return NSMakeRange(i, *matchEnd - i);
            if (anchored)
                break;
        }
        return NSRangeNotFound;
    }
    for (std::size_t i = end; i > begin; --i) {
        const auto matchEnd = foldedMatchAt(text, i - 1, end, folded);
        if (matchEnd && (!anchored || *matchEnd == end))
            return NSMakeRange(i - 1, *matchEnd - (i - 1));
    }
    return NSRangeNotFound;
}

NSRange rangeOfString(std::u16string_view text, std::u16string_view target, NSStringCompareOptions options)
{
    return rangeOfString(text, target, options, NSMakeRange(0, text.size()));
}

NSRange rangeOfCharacterFromSet(std::u16string_view text, const NSCharacterSet& set, NSStringCompareOptions options, NSRange searchRange)
{
    checkRange(text, searchRange);
    const bool anchored = options & NSAnchoredSearch;
    if (options & NSBackwardsSearch) {
        for (std::size_t i = searchRange.max(); i > searchRange.location; --i) {
            if (set.characterIsMember(text[i - 1]))
                return NSMakeRange(i - 1, 1);
            if (anchored)
                break;
        }
        return NSRangeNotFound;
    }
    for (std::size_t i = searchRange.location; i < searchRange.max(); ++i) {
        if (set.characterIsMember(text[i]))
            return NSMakeRange(i, 1);
        if (anchored)
            break;
    }
    return NSRangeNotFound;
}

NSRange rangeOfCharacterFromSet(std::u16string_view text, const NSCharacterSet& set, NSStringCompareOptions options)
{
    return rangeOfCharacterFromSet(text, set, options, NSMakeRange(0, text.size()));
}

// ---- Case -------------------------------------------------------------------------------------

std::u16string uppercaseString(std::u16string_view text) { return mapCase(text, u_strToUpper); }
std::u16string lowercaseString(std::u16string_view text) { return mapCase(text, u_strToLower); }
std::string uppercaseString(std::string_view utf8) { return utf16ToUtf8(uppercaseString(utf8ToUtf16(utf8))); }
std::string lowercaseString(std::string_view utf8) { return utf16ToUtf8(lowercaseString(utf8ToUtf16(utf8))); }

NSComparisonResult caseInsensitiveCompare(std::u16string_view a, std::u16string_view b)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t order = u_strCaseCompare(icuChars(a), icuLength(a.size()), icuChars(b), icuLength(b.size()),
        U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER, &status);
    if (U_FAILURE(status))
        return a < b ? NSOrderedAscending : (a == b ? NSOrderedSame : NSOrderedDescending);
    return order < 0 ? NSOrderedAscending : (order > 0 ? NSOrderedDescending : NSOrderedSame);
}

NSComparisonResult caseInsensitiveCompare(std::string_view a, std::string_view b)
{
    return caseInsensitiveCompare(std::u16string_view(utf8ToUtf16(a)), std::u16string_view(utf8ToUtf16(b)));
}

bool hasPrefix(std::u16string_view text, std::u16string_view prefix) { return text.starts_with(prefix); }
bool hasSuffix(std::u16string_view text, std::u16string_view suffix) { return text.ends_with(suffix); }
bool hasPrefix(std::string_view text, std::string_view prefix) { return text.starts_with(prefix); }
bool hasSuffix(std::string_view text, std::string_view suffix) { return text.ends_with(suffix); }

// ---- Lines ------------------------------------------------------------------------------------

bool isLineSeparator(char16_t unit)
{
    return unit == u'\n' || unit == u'\r' || unit == 0x0085 || unit == 0x2028 || unit == 0x2029;
}

std::u16string firstLineBreak(std::u16string_view text)
{
    const std::size_t at = text.find_first_of(u"\r\n");
    if (at == std::u16string_view::npos)
        return {};
    if (text[at] == u'\n')
        return u"\n";
    return at + 1 < text.size() && text[at + 1] == u'\n' ? u"\r\n" : u"\r";
}

std::u16string textWithLineBreak(std::u16string_view text, std::u16string_view lineBreak, std::u16string_view document,
    NSRange range)
{
    if (lineBreak.empty())
        return std::u16string(text);
    std::u16string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') {
            result += text[i];
            continue;
        }
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        result += lineBreak;
    }
    if (result.empty())
        return result;
    const std::size_t end = std::min<std::size_t>(range.max(), document.size());
    if (result.front() == u'\n' && range.location > 0 && range.location <= document.size()
        && document[range.location - 1] == u'\r')
        result.insert(result.begin(), u'\r');
    if (result.back() == u'\r' && end < document.size() && document[end] == u'\n')
        result += u'\n';
    return result;
}

void getLineStart(std::u16string_view text, NSUInteger* start, NSUInteger* lineEnd, NSUInteger* contentsEnd, NSRange range)
{
    checkRange(text, range);
    const std::size_t size = text.size();
    // The LF of a CR LF belongs with its CR: an index there is inside the terminator.
    auto insideCrLf = [&](std::size_t i) { return i > 0 && i < size && text[i] == u'\n' && text[i - 1] == u'\r'; };

    if (start) {
        std::size_t i = range.location;
        if (insideCrLf(i))
            --i;
        while (i > 0 && !isLineSeparator(text[i - 1]))
            --i;
        *start = i;
    }
    if (lineEnd || contentsEnd) {
        const std::size_t last = range.length > 0 ? range.max() - 1 : range.location;
        std::size_t contents = last;
        std::size_t end = last;
        if (insideCrLf(last)) {
            contents = last - 1;
            end = last + 1;
        } else {
            while (contents < size && !isLineSeparator(text[contents]))
                ++contents;
            end = contents;
            if (contents < size)
                end = (text[contents] == u'\r' && contents + 1 < size && text[contents + 1] == u'\n') ? contents + 2 : contents + 1;
        }
        if (lineEnd)
            *lineEnd = end;
        if (contentsEnd)
            *contentsEnd = contents;
    }
}

NSRange lineRangeForRange(std::u16string_view text, NSRange range)
{
    NSUInteger start = 0;
    NSUInteger end = 0;
    getLineStart(text, &start, &end, nullptr, range);
    return NSMakeRange(start, end - start);
}

// ---- Pieces -------------------------------------------------------------------------------------

std::u16string stringByTrimmingCharactersInSet(std::u16string_view text, const NSCharacterSet& set)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && set.characterIsMember(text[begin]))
        ++begin;
    while (end > begin && set.characterIsMember(text[end - 1]))
        --end;
    return std::u16string(text.substr(begin, end - begin));
}

std::string stringByTrimmingCharactersInSet(std::string_view utf8, const NSCharacterSet& set)
{
    return utf16ToUtf8(stringByTrimmingCharactersInSet(std::u16string_view(utf8ToUtf16(utf8)), set));
}

namespace {

template <typename Char>
std::vector<std::basic_string<Char>> split(std::basic_string_view<Char> text, std::basic_string_view<Char> separator)
{
    std::vector<std::basic_string<Char>> pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t from = 0;
    for (;;) {
        const std::size_t found = text.find(separator, from);
        if (found == std::basic_string_view<Char>::npos)
            break;
        pieces.emplace_back(text.substr(from, found - from));
        from = found + separator.size();
    }
    pieces.emplace_back(text.substr(from));
    return pieces;
}

} // namespace

std::vector<std::u16string> componentsSeparatedByString(std::u16string_view text, std::u16string_view separator)
{
    return split(text, separator);
}

std::vector<std::string> componentsSeparatedByString(std::string_view text, std::string_view separator)
{
    return split(text, separator);
}

// ---- Numbers and formatting ---------------------------------------------------------------------

std::string stringWithFormat(const char* format, ...)
{
    // uselocale is per thread, so this never disturbs other threads' formatting.
    const locale_t previous = uselocale(cLocale());
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    char small[256];
    const int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (needed >= 0 && static_cast<std::size_t>(needed) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(needed));
    } else if (needed >= 0) {
        out.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), format, again);
        out.resize(static_cast<std::size_t>(needed));
    }
    va_end(again);
    uselocale(previous);
    return out;
}

int intValue(std::string_view text) { return parseInteger<int>(text); }
long long longLongValue(std::string_view text) { return parseInteger<long long>(text); }

double doubleValue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isAsciiSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Only decimal numbers: no "inf", "nan" or hexadecimal forms.
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.'))
        return 0.0;
    double value = 0.0;
    const char* first = text.data() + i;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large saturates to infinity, too small to zero; tell them apart by the exponent.
        const std::string_view digits(first, static_cast<std::size_t>(end - first));
        const std::size_t e = digits.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (error != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

int intValue(std::u16string_view text) { return intValue(std::string_view(utf16ToUtf8(text))); }
long long longLongValue(std::u16string_view text) { return longLongValue(std::string_view(utf16ToUtf8(text))); }
double doubleValue(std::u16string_view text) { return doubleValue(std::string_view(utf16ToUtf8(text))); }
