#include "Classes/SyntaxColouring/NSStringRegexAdditions.h"

#include <algorithm>

#include <unicode/ustring.h>

#include "Classes/SyntaxColouring/RegexMatcher.h"
#include "Classes/SyntaxColouring/RegexPattern.h"

std::u16string stringWithUTF16Units(const char16_t* units)
{
    if (!units) return {};
    return std::u16string(units, static_cast<std::size_t>(u_strlen(units)));
}

NSStringEncoding nativeUTF16Encoding()
{
    return NSUTF16LittleEndianStringEncoding;
}

std::u16string UTF16String(std::u16string_view text)
{
    return std::u16string(text);
}

std::unique_ptr<char16_t[]> copyUTF16String(std::u16string_view text)
{
    auto buffer = std::make_unique<char16_t[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), buffer.get());
    buffer[text.size()] = 0;
    return buffer;
}

std::u16string replaceOccurrencesOfPattern(std::u16string_view text, std::u16string_view pattern,
                                           std::u16string_view replacement)
{
    RegexPattern compiled(pattern);
    RegexMatcher matcher(compiled, text);
    return matcher.replaceAllWithString(replacement);
}

bool matchesPattern(std::u16string_view text, std::u16string_view pattern)
{
    RegexPattern compiled(pattern);
    RegexMatcher matcher(compiled, text);
    return matcher.matches();
}

std::vector<std::u16string> findPattern(std::u16string_view text, std::u16string_view pattern)
{
    RegexPattern compiled(pattern);
    RegexMatcher matcher(compiled, text);
    (void)matcher.findFromIndex(0);
    // With no match the first group fetch raises "Find Exception".
    std::vector<std::u16string> groups;
    const std::uint32_t count = matcher.numberOfGroups();
    for (std::uint32_t group = 0; group <= count; ++group) groups.push_back(matcher.groupAtIndex(group));
    return groups;
}

std::vector<std::u16string> componentsSeparatedByPattern(std::u16string_view text, std::u16string_view pattern)
{
    RegexPattern compiled(pattern);
    return compiled.componentsSplitFromString(text);
}
