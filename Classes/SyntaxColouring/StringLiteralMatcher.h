#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Classes/SyntaxColouring/RegexMatcher.h"
#include "Classes/SyntaxColouring/RegexPattern.h"
#include "Platform/Foundation/NSString.h"

// The pattern of one kind of string literal: one non-word character, the opening quote, a run
// of anything but the quote and backslash where a backslash escapes the next character or an
// end of line, and the closing quote. The quote is read literally, whatever its characters.
class StringLiteralPattern {
public:
    // Raises "Invalid Pattern Exception" when the pattern does not compile.
    explicit StringLiteralPattern(std::u16string_view quote);

    // The pattern source for the quote, as a plain search for whole literals uses it.
    [[nodiscard]] static std::u16string literalPatternText(std::u16string_view quote);

    [[nodiscard]] RegexPattern& pattern() { return *pattern_; }
    [[nodiscard]] const std::u16string& quote() const { return quote_; }
    // Whether the compiled pattern also takes a literal that never closes (see the .cpp).
    [[nodiscard]] bool closingIsOptional() const { return closingIsOptional_; }

private:
    std::u16string quote_;
    bool closingIsOptional_ { false };
    std::unique_ptr<RegexPattern> pattern_;
};

// Steps through the string literals of a text, in the order and at the places a plain search
// with the literal pattern finds them, in time linear in the text. Like RegexMatcher it works
// on the pattern's own search state: one matcher per pattern at a time.
class StringLiteralMatcher {
public:
    // Raises "Invalid String Exception" when the text cannot be set on the pattern.
    StringLiteralMatcher(StringLiteralPattern& pattern, std::u16string_view text);

    // The next literal after the previous one; raises "Find Exception" when the search fails.
    [[nodiscard]] bool findNext();
    // The last literal, from the character before its opening quote through its closing quote.
    [[nodiscard]] NSRange rangeOfMatch() const { return found_; }
    // The next findNext starts again at the start of the text; raises "Pattern Exception".
    // After a search that went to the end the literals come from memory: the text is the same.
    void reset();

private:
    [[nodiscard]] bool searchLiteral();

    bool closingIsOptional_;
    std::u16string_view quote_;
    RegexMatcher matcher_;
    std::u16string_view text_;    // the pattern's copy, up to its first U+0000 as the search sees it
    NSUInteger from_ { 0 };       // no literal starts before this
    NSUInteger nextQuote_ { 0 };  // every quote before this was tried
    NSRange found_ { NSRangeNotFound };
    std::vector<NSRange> literals_; // found so far, in order
    bool complete_ { false };       // literals_ holds every literal of the text
    std::optional<std::size_t> replayed_; // set while answering from literals_
};
