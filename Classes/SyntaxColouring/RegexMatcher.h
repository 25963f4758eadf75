#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Platform/Foundation/NSObject.h"
#include "Platform/Foundation/NSString.h"

class RegexPattern;

// Searches with a pattern. It holds no state of its own: making a matcher sets the pattern's
// text and rewinds it, so a second matcher over the same pattern takes over its search.
// Search failures raise "Find Exception" with ICU's error name as the reason.
class RegexMatcher : public NSObject {
public:
    // The pattern is not owned: its creator keeps it alive while the matcher is used.
    // Raises "Invalid String Exception" when the text cannot be set.
    RegexMatcher(RegexPattern& pattern, std::u16string_view text);
    static std::unique_ptr<RegexMatcher> matcherWithPattern(RegexPattern& pattern, std::u16string_view text);

    // Whether a further match follows the previous one.
    [[nodiscard]] bool findNext();
    // Rewinds, then finds the first match at or after the index.
    [[nodiscard]] bool findFromIndex(NSUInteger index);
    // Whether the whole text matches.
    [[nodiscard]] bool matches();
    // Whether a match begins exactly at the index.
    [[nodiscard]] bool lookingAt(NSUInteger index);

    [[nodiscard]] NSRange rangeOfMatch();
    // A group that took no part in the match gives (NSNotFound, 0).
    [[nodiscard]] NSRange rangeOfMatchGroup(std::uint32_t group);
    [[nodiscard]] std::u16string group();
    [[nodiscard]] std::u16string groupAtIndex(std::uint32_t group);
    [[nodiscard]] std::uint32_t numberOfGroups();

    // The whole text with every (or the first) match replaced ("$1" names a group).
    [[nodiscard]] std::u16string replaceAllWithString(std::u16string_view replacement);
    [[nodiscard]] std::u16string replaceFirstWithString(std::u16string_view replacement);
    [[nodiscard]] std::u16string performReplacementWithString(std::u16string_view replacement, bool replaceAll);

    // Rewinds the pattern: the next findNext starts at the start of the text.
    void reset();

    [[nodiscard]] RegexPattern* pattern() const { return pattern_; }
    void setPattern(RegexPattern* pattern) { pattern_ = pattern; }

private:
    RegexPattern* pattern_ { nullptr }; // not owned
};
