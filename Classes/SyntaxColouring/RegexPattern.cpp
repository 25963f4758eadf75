#include "Classes/SyntaxColouring/RegexPattern.h"

#include <algorithm>

#include <unicode/uregex.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include "Classes/SyntaxColouring/NSStringRegexAdditions.h"
#include "Classes/SyntaxColouring/RegexMatcher.h"
#include "Platform/Foundation/NSException.h"

void raiseRegexFailure(const char* name, const std::string& reasonPrefix, int status)
{
    throw NamedException(name, reasonPrefix + u_errorName(static_cast<UErrorCode>(status)));
}

void RegexPattern::ExpressionCloser::operator()(URegularExpression* re) const
{
    uregex_close(re);
}

RegexPattern::RegexPattern(std::u16string_view pattern, std::uint32_t flags)
    : flags_(flags)
{
    const std::u16string text = UTF16String(pattern);
    UParseError parseError {};
    UErrorCode status = U_ZERO_ERROR;
    // Length -1: the pattern ends at its first 0 unit, as the 0-terminated buffer says.
    URegularExpression* re = uregex_open(text.c_str(), -1, flags, &parseError, &status);
    if (U_FAILURE(status)) {
        uregex_close(re);
        raiseRegexFailure("Invalid Pattern Exception", "Could not compile pattern: ", status);
    }
    re_.reset(re);
}

RegexPattern::~RegexPattern() = default;

std::shared_ptr<RegexPattern> RegexPattern::patternWithString(std::u16string_view pattern, std::uint32_t flags)
{
    return std::make_shared<RegexPattern>(pattern, flags);
}

void RegexPattern::setStringToSearch(std::u16string_view text)
{
    auto buffer = copyUTF16String(text);
    UErrorCode status = U_ZERO_ERROR;
    uregex_setText(re_.get(), buffer.get(), -1, &status);
    // On failure the new buffer goes and the expression still refers to the previous one.
    if (U_FAILURE(status)) raiseRegexFailure("Invalid String Exception", "Could not set text to match against: ", status);
    textToSearch_ = std::move(buffer);
    reset();
}

std::u16string RegexPattern::stringToSearch() const
{
    return stringWithUTF16Units(textToSearch_.get());
}

void RegexPattern::reset()
{
    UErrorCode status = U_ZERO_ERROR;
    uregex_reset(re_.get(), 0, &status);
    if (U_FAILURE(status)) raiseRegexFailure("Pattern Exception", "Could not reset pattern: ", status);
}

void RegexPattern::setRe(URegularExpression* re)
{
    re_.reset(re);
}

std::optional<std::u16string> RegexPattern::description() const
{
    if (!re_) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    const UChar* source = uregex_pattern(re_.get(), &length, &status);
    if (U_FAILURE(status) || !source) throw NamedException("Pattern Exception", "Could not get pattern text from pattern.");
    // Opened from a 0-terminated buffer, the pattern reports its length as -1.
    if (length < 0) length = u_strlen(source);
    return std::u16string(source, static_cast<std::size_t>(length));
}

std::shared_ptr<RegexPattern> RegexPattern::copy() const
{
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression* clone = uregex_clone(re_.get(), &status);
    if (U_FAILURE(status)) {
        uregex_close(clone);
        raiseRegexFailure("Copy Exception", "Could not copy pattern: ", status);
    }
    // A clone carries the compiled form; no need to compile the source again.
    std::shared_ptr<RegexPattern> copied(new RegexPattern());
    copied->flags_ = flags_;
    copied->re_.reset(clone);
    return copied;
}

std::vector<std::u16string> RegexPattern::componentsSplitFromString(std::u16string_view text)
{
    setStringToSearch(text);
    int32_t capacity = u_strlen(textToSearch_.get());
    int32_t slots = 16;
    // Each round either grows the buffer or the field table; both are bounded by the text.
    for (;;) {
        std::vector<UChar> buffer(static_cast<std::size_t>(std::max(capacity, 1)));
        std::vector<UChar*> fields(static_cast<std::size_t>(slots), nullptr);
        UErrorCode status = U_ZERO_ERROR;
        int32_t required = 0;
        const int32_t count = uregex_split(re_.get(), buffer.data(), capacity, &required, fields.data(), slots, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            capacity = required > capacity ? required : std::max(capacity * 2, 16);
            continue;
        }
        if (U_SUCCESS(status) && count == slots) {
            // The last field may hold the rest of the text unsplit.
            slots *= 2;
            continue;
        }
        if (U_FAILURE(status)) raiseRegexFailure("Split Exception", "Could not split string: ", status);
        std::vector<std::u16string> components;
        components.reserve(static_cast<std::size_t>(count));
        for (int32_t i = 0; i < count; ++i) components.push_back(stringWithUTF16Units(fields[static_cast<std::size_t>(i)]));
        return components;
    }
}

bool RegexPattern::matchesString(std::u16string_view text)
{
    RegexMatcher matcher(*this, text);
    return matcher.matches();
}
