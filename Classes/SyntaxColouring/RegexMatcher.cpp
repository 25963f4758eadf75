#include "Classes/SyntaxColouring/RegexMatcher.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include <unicode/uregex.h>
#include <unicode/ustring.h>

#include "Classes/SyntaxColouring/NSStringRegexAdditions.h"
#include "Classes/SyntaxColouring/RegexPattern.h"
#include "Platform/Foundation/NSException.h"

namespace {

URegularExpression* expressionOf(const RegexPattern* pattern)
{
    return pattern ? pattern->re() : nullptr;
}

void checkFind(UErrorCode status)
{
    if (U_FAILURE(status)) raiseRegexFailure("Find Exception", "", status);
}

int32_t toIndex(NSUInteger index)
{
    // Beyond the text either way; ICU answers it with an index error.
    return static_cast<int32_t>(std::min<NSUInteger>(index, std::numeric_limits<int32_t>::max()));
}

} // namespace

RegexMatcher::RegexMatcher(RegexPattern& pattern, std::u16string_view text)
    : pattern_(&pattern)
{
    pattern.setStringToSearch(text);
}

std::unique_ptr<RegexMatcher> RegexMatcher::matcherWithPattern(RegexPattern& pattern, std::u16string_view text)
{
    return std::make_unique<RegexMatcher>(pattern, text);
}

bool RegexMatcher::findNext()
{
    UErrorCode status = U_ZERO_ERROR;
    const UBool found = uregex_findNext(expressionOf(pattern_), &status);
    checkFind(status);
    return found;
}

bool RegexMatcher::findFromIndex(NSUInteger index)
{
    reset();
    UErrorCode status = U_ZERO_ERROR;
    const UBool found = uregex_find(expressionOf(pattern_), toIndex(index), &status);
    checkFind(status);
    return found;
}

bool RegexMatcher::matches()
{
    UErrorCode status = U_ZERO_ERROR;
    const UBool matched = uregex_matches(expressionOf(pattern_), 0, &status);
    checkFind(status);
    return matched;
}

bool RegexMatcher::lookingAt(NSUInteger index)
{
    UErrorCode status = U_ZERO_ERROR;
    const UBool matched = uregex_lookingAt(expressionOf(pattern_), toIndex(index), &status);
    checkFind(status);
    return matched;
}

NSRange RegexMatcher::rangeOfMatch()
{
    return rangeOfMatchGroup(0);
}

NSRange RegexMatcher::rangeOfMatchGroup(std::uint32_t group)
{
    URegularExpression* re = expressionOf(pattern_);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t start = uregex_start(re, static_cast<int32_t>(group), &status);
    checkFind(status);
    const int32_t end = uregex_end(re, static_cast<int32_t>(group), &status);
    checkFind(status);
    if (start < 0) return NSRangeNotFound;
    return NSRange { static_cast<NSUInteger>(start), static_cast<NSUInteger>(end - start) };
}

std::u16string RegexMatcher::group()
{
    const NSRange range = rangeOfMatch();
    const std::u16string text = pattern_->stringToSearch();
    if (range.location == NSNotFound || range.location > text.size()) return {};
    return text.substr(range.location, range.length);
}

std::u16string RegexMatcher::groupAtIndex(std::uint32_t group)
{
    URegularExpression* re = expressionOf(pattern_);
    std::vector<UChar> buffer(128);
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = uregex_group(re, static_cast<int32_t>(group), buffer.data(),
            static_cast<int32_t>(buffer.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            buffer.resize(std::max(buffer.size() * 2, static_cast<std::size_t>(length) + 1));
            continue;
        }
        checkFind(status);
        return std::u16string(buffer.data(), static_cast<std::size_t>(length));
    }
}

std::uint32_t RegexMatcher::numberOfGroups()
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t count = uregex_groupCount(expressionOf(pattern_), &status);
    checkFind(status);
    return static_cast<std::uint32_t>(count);
}

std::u16string RegexMatcher::replaceAllWithString(std::u16string_view replacement)
{
    return performReplacementWithString(replacement, true);
}

std::u16string RegexMatcher::replaceFirstWithString(std::u16string_view replacement)
{
    return performReplacementWithString(replacement, false);
}

std::u16string RegexMatcher::performReplacementWithString(std::u16string_view replacement, bool replaceAll)
{
    URegularExpression* re = expressionOf(pattern_);
    const std::u16string replacementText = UTF16String(replacement);
    const char16_t* text = pattern_ ? pattern_->textToSearch() : nullptr;
    const std::size_t textLength = text ? static_cast<std::size_t>(u_strlen(text)) : 0;
    std::vector<UChar> buffer;
    const auto grow = [&buffer](std::size_t units) {
        try {
            buffer.assign(std::max<std::size_t>(units, 1), 0);
        } catch (const std::bad_alloc&) {
            throw NamedException("Find Exception", "Could not allocate memory for replacement string");
        }
    };
    grow(textLength * 2);
    for (int round = 0;; ++round) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t capacity = static_cast<int32_t>(std::min<std::size_t>(buffer.size(), std::numeric_limits<int32_t>::max()));
        const int32_t length = replaceAll
            ? uregex_replaceAll(re, replacementText.c_str(), -1, buffer.data(), capacity, &status)
            : uregex_replaceFirst(re, replacementText.c_str(), -1, buffer.data(), capacity, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && round == 0) {
            grow(static_cast<std::size_t>(length) + 1);
            continue;
        }
        if (U_FAILURE(status)) raiseRegexFailure("Find Exception", "Could not perform find and replace: ", status);
        return std::u16string(buffer.data(), static_cast<std::size_t>(length));
    }
}

void RegexMatcher::reset()
{
    if (!pattern_) raiseRegexFailure("Pattern Exception", "Could not reset pattern: ", U_ILLEGAL_ARGUMENT_ERROR);
    pattern_->reset();
}
