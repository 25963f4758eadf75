#pragma once

// Text helpers over UTF-16 strings (`std::u16string`, indexed by UTF-16 unit) and UTF-8
// `std::string`s. ICU does the Unicode work; nothing here depends on the process locale.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class NSCharacterSet;

using NSUInteger = std::size_t;
using NSInteger = std::ptrdiff_t;

// "No index": what searches answer when nothing is found.
constexpr NSUInteger NSNotFound = 0x7fffffff;

// A run of UTF-16 units: location and length.
struct NSRange {
    NSUInteger location = 0;
    NSUInteger length = 0;

    constexpr NSUInteger max() const { return location + length; }
    friend constexpr bool operator==(const NSRange&, const NSRange&) = default;
};

constexpr NSRange NSMakeRange(NSUInteger location, NSUInteger length) { return NSRange { location, length }; }

// The "no range" value: location NSNotFound, length 0.
constexpr NSRange NSRangeNotFound { NSNotFound, 0 };

constexpr bool NSLocationInRange(NSUInteger location, NSRange range)
{
    return location >= range.location && location - range.location < range.length;
}

// "{location, length}" for log lines.
std::string NSStringFromRange(NSRange range);

// Search options; combine with `|`.
enum NSStringCompareOptions : unsigned {
    NSNoSearchOptions = 0,
    NSCaseInsensitiveSearch = 1,
    NSLiteralSearch = 2,
    NSBackwardsSearch = 4,
    NSAnchoredSearch = 8,
};

constexpr NSStringCompareOptions operator|(NSStringCompareOptions a, NSStringCompareOptions b)
{
    return static_cast<NSStringCompareOptions>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

enum NSComparisonResult : int {
    NSOrderedAscending = -1,
    NSOrderedSame = 0,
    NSOrderedDescending = 1,
};

// ---- UTF-8 <-> UTF-16 -------------------------------------------------------------------

// Lenient: every ill-formed UTF-8 sequence becomes U+FFFD. Never fails.
[[nodiscard]] std::u16string utf8ToUtf16(std::string_view utf8);
// Strict: nullopt when the bytes are not well-formed UTF-8 (overlongs, surrogates,
// truncated sequences, values above U+10FFFF). A byte-order mark is kept as U+FEFF.
[[nodiscard]] std::optional<std::u16string> utf8ToUtf16Strict(std::string_view utf8);
// Unpaired surrogates become U+FFFD. Never fails.
[[nodiscard]] std::string utf16ToUtf8(std::u16string_view utf16);

// ---- Searching ----------------------------------------------------------------------------
// All ranges are in UTF-16 units of `text`. A search range reaching past the end of `text`
// throws NamedException("NSRangeException", ...). An empty `target` is never found.
// Without NSCaseInsensitiveSearch units are compared exactly. With it both sides are
// compared under full Unicode case folding; the answer is the range of the matching units in
// `text`, which may differ in length from `target` ("STRASSE" finds "straße", length 6).
// NSBackwardsSearch answers the last occurrence; NSAnchoredSearch accepts only a match that
// starts at the range's start (or, backwards, ends at its end). NSLiteralSearch is accepted
// and changes nothing: comparisons are always by units or by case folding, never by
// canonical equivalence.
[[nodiscard]] NSRange rangeOfString(std::u16string_view text, std::u16string_view target,
    NSStringCompareOptions options, NSRange searchRange);
[[nodiscard]] NSRange rangeOfString(std::u16string_view text, std::u16string_view target,
    NSStringCompareOptions options = NSNoSearchOptions);

// First unit of `text` inside `searchRange` that belongs to `set` (last with
// NSBackwardsSearch), as a one-unit range, or NSRangeNotFound.
[[nodiscard]] NSRange rangeOfCharacterFromSet(std::u16string_view text, const NSCharacterSet& set,
    NSStringCompareOptions options, NSRange searchRange);
[[nodiscard]] NSRange rangeOfCharacterFromSet(std::u16string_view text, const NSCharacterSet& set,
    NSStringCompareOptions options = NSNoSearchOptions);

// ---- Case ---------------------------------------------------------------------------------
// Full case mapping in the root locale (never the user's): "ß" upper-cases to "SS".
[[nodiscard]] std::u16string uppercaseString(std::u16string_view text);
[[nodiscard]] std::u16string lowercaseString(std::u16string_view text);
[[nodiscard]] std::string uppercaseString(std::string_view utf8);
[[nodiscard]] std::string lowercaseString(std::string_view utf8);

// Ordering under case folding, for sorting names the way a person reads them; ties broken by
// nothing (equal folds compare the same). UTF-8 input is read leniently.
[[nodiscard]] NSComparisonResult caseInsensitiveCompare(std::u16string_view a, std::u16string_view b);
[[nodiscard]] NSComparisonResult caseInsensitiveCompare(std::string_view a, std::string_view b);

[[nodiscard]] bool hasPrefix(std::u16string_view text, std::u16string_view prefix);
[[nodiscard]] bool hasSuffix(std::u16string_view text, std::u16string_view suffix);
[[nodiscard]] bool hasPrefix(std::string_view text, std::string_view prefix);
[[nodiscard]] bool hasSuffix(std::string_view text, std::string_view suffix);

// ---- Lines --------------------------------------------------------------------------------
// Line separators: LF, CR, CR LF (one separator), U+0085, U+2028, U+2029.
// For the lines touched by `range`: `start` gets the first unit of the first line, `lineEnd`
// the unit after the last line's terminator, `contentsEnd` the unit where that terminator
// begins. Any pointer may be null. A range past the end of `text` throws NSRangeException.
void getLineStart(std::u16string_view text, NSUInteger* start, NSUInteger* lineEnd,
    NSUInteger* contentsEnd, NSRange range);
// The lines touched by `range`, terminators included.
[[nodiscard]] NSRange lineRangeForRange(std::u16string_view text, NSRange range);
// True for the units that can end a line (the CR of a CR LF included).
[[nodiscard]] bool isLineSeparator(char16_t unit);
// The first line break of a file's text: CR LF, CR or LF; empty when it has none.
[[nodiscard]] std::u16string firstLineBreak(std::u16string_view text);
// `text` with each of its line breaks (CR LF, CR, LF) made `lineBreak`, to go in place of
// `range` of `document`. A break that would join a CR just before the range or an LF just
// after it into one CR LF is written CR LF, so that it stays a break of its own. An empty
// `lineBreak` leaves the text as it is.
[[nodiscard]] std::u16string textWithLineBreak(std::u16string_view text, std::u16string_view lineBreak,
    std::u16string_view document, NSRange range);

// ---- Pieces -------------------------------------------------------------------------------
// Removes leading and trailing units that belong to `set`.
[[nodiscard]] std::u16string stringByTrimmingCharactersInSet(std::u16string_view text, const NSCharacterSet& set);
// UTF-8 form: trims by the UTF-16 units of the text (read leniently).
[[nodiscard]] std::string stringByTrimmingCharactersInSet(std::string_view utf8, const NSCharacterSet& set);

// The pieces between occurrences of `separator` (literal); an empty separator or text without
// it gives one piece, the whole text. "a,,b" by "," gives "a", "", "b"; "" gives one "".
[[nodiscard]] std::vector<std::u16string> componentsSeparatedByString(std::u16string_view text, std::u16string_view separator);
[[nodiscard]] std::vector<std::string> componentsSeparatedByString(std::string_view text, std::string_view separator);

// ---- Numbers and formatting, independent of the process locale ----------------------------
// printf-style formatting that always writes "." as the decimal point, whatever setlocale
// says; safe to call from any thread.
[[nodiscard]] std::string stringWithFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Number parsing as the platform reads strings: leading white space skipped, optional sign,
// the longest numeric prefix read, anything after it ignored, 0 when there is none. Integers
// saturate at their type's limits; the decimal point is always ".".
[[nodiscard]] int intValue(std::string_view text);
[[nodiscard]] long long longLongValue(std::string_view text);
[[nodiscard]] double doubleValue(std::string_view text);
[[nodiscard]] int intValue(std::u16string_view text);
[[nodiscard]] long long longLongValue(std::u16string_view text);
[[nodiscard]] double doubleValue(std::u16string_view text);
