#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/NSObject.h"

struct URegularExpression;

// A compiled ICU regular expression together with the UTF-16 copy of the text it searches.
// The search position lives in the expression, so one pattern serves one matcher at a time.
// Every ICU failure raises a NamedException (see RegexMatcher.h for the search failures).
class RegexPattern : public NSObject {
public:
    // Compiles the pattern; raises "Invalid Pattern Exception" ("Could not compile pattern: <ICU error>").
    explicit RegexPattern(std::u16string_view pattern, std::uint32_t flags = 0);
    ~RegexPattern() override;
    RegexPattern(const RegexPattern&) = delete;
    RegexPattern& operator=(const RegexPattern&) = delete;

    static std::shared_ptr<RegexPattern> patternWithString(std::u16string_view pattern, std::uint32_t flags = 0);

    // Sets the text to search and rewinds; raises "Invalid String Exception" and keeps the
    // previous text when ICU refuses it. The text is searched up to its first U+0000.
    void setStringToSearch(std::u16string_view text);
    // The text being searched (up to its first U+0000), empty when none is set.
    [[nodiscard]] std::u16string stringToSearch() const;
    // The 0-terminated buffer itself, or null when no text was set.
    [[nodiscard]] const char16_t* textToSearch() const { return textToSearch_.get(); }

    // Rewinds to position 0 of the text; raises "Pattern Exception".
    void reset();

    [[nodiscard]] std::uint32_t flags() const { return flags_; }
    [[nodiscard]] URegularExpression* re() const { return re_.get(); }
    // Takes ownership of the expression; the one it replaces is closed.
    void setRe(URegularExpression* re);

    // The source text of the pattern; nullopt when there is no compiled expression.
    // Raises "Pattern Exception" ("Could not get pattern text from pattern.") when ICU fails.
    [[nodiscard]] std::optional<std::u16string> description() const;
    [[nodiscard]] std::optional<std::u16string> pattern() const { return description(); }

    // A new pattern with a clone of this expression and no text; raises "Copy Exception".
    [[nodiscard]] std::shared_ptr<RegexPattern> copy() const;

    // Sets the text and splits it at the matches; raises "Split Exception".
    [[nodiscard]] std::vector<std::u16string> componentsSplitFromString(std::u16string_view text);
    // Whether the whole text matches.
    [[nodiscard]] bool matchesString(std::u16string_view text);

private:
    struct ExpressionCloser {
        void operator()(URegularExpression* re) const;
    };

    RegexPattern() = default;

    std::unique_ptr<URegularExpression, ExpressionCloser> re_;
    std::unique_ptr<char16_t[]> textToSearch_;
    std::uint32_t flags_ { 0 };
};

// Raises the named failure with ICU's name for the status in the reason ("<prefix><name>").
[[noreturn]] void raiseRegexFailure(const char* name, const std::string& reasonPrefix, int status);
