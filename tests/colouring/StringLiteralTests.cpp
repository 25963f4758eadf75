#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Classes/SyntaxColouring/RegexMatcher.h"
#include "Classes/SyntaxColouring/RegexPattern.h"
#include "Classes/SyntaxColouring/StringLiteralMatcher.h"
#include "Platform/Foundation/NSString.h"

namespace {

// The search the engine ran before string literals were found in linear time, kept as the
// reference: the whole-literal pattern with the quote put in by hand, one plain search.
std::vector<NSRange> referenceLiterals(const std::u16string& quotePattern, const std::u16string& text)
{
    RegexPattern pattern(u"\\W" + quotePattern + u"[^" + quotePattern + u"\\\\]*+(?:\\\\(?:.|$)[^" + quotePattern
                         + u"\\\\]*+)*+" + quotePattern);
    RegexMatcher matcher(pattern, text);
    std::vector<NSRange> found;
    while (matcher.findNext()) found.push_back(matcher.rangeOfMatch());
    return found;
}

std::vector<NSRange> literals(StringLiteralPattern& pattern, const std::u16string& text)
{
    StringLiteralMatcher matcher(pattern, text);
    std::vector<NSRange> found;
    while (matcher.findNext()) found.push_back(matcher.rangeOfMatch());
    // A second round after reset finds the same literals (the engine's last pass relies on it).
    matcher.reset();
    std::size_t again = 0;
    while (matcher.findNext()) {
        if (again >= found.size()) {
            ADD_FAILURE() << "more literals after reset";
            break;
        }
        EXPECT_EQ(matcher.rangeOfMatch(), found[again]);
        ++again;
    }
    EXPECT_EQ(again, found.size());
    return found;
}

std::string printable(const std::u16string& text)
{
    std::string out;
    for (const char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F) out += static_cast<char>(unit);
        else out += "<" + std::to_string(unit) + ">";
    }
    return out;
}

} // namespace

TEST(StringLiterals, SameLiteralsAsThePlainSearchOnRandomTexts)
{
    const struct {
        std::u16string quote;
        std::u16string quotePattern; // as the engine wrote it before: every character as \x{...}
    } quotes[] = {
        { u"\"", u"\\x{000022}" },
        { u"'", u"\\x{000027}" },
        { u"q", u"q" },
        { u"\n", u"\\x{00000A}" },
        { u"\U0001F600", u"\\x{01F600}" },
        { u"\U0001D400", u"\\x{01D400}" }, // a quote that is itself a letter, outside the BMP
        { u"\\", u"\\x{00005C}" },        // plain search kept
        { u"'''", u"\\x{000027}\\x{000027}\\x{000027}" },
        { u"\"q", u"\\x{000022}q" },
    };
    // Quotes of every kind, backslashes, word and non-word characters, line ends of every kind,
    // lone surrogates, and last the NUL that ends the search.
    const std::u16string alphabet[] = { u"\"", u"'", u"q", u"\\", u"\\", u" ", u"a", u"1", u"\n", u"\r", u"\r\n",
                                        u"\u2028", u"\u0085", u"\U0001F600", u"\U0001D400", u"\u00e9", u"\t", u"'''",
                                        std::u16string(1, char16_t(0xD835)), std::u16string(1, char16_t(0xDC00)),
                                        std::u16string(1, u'\0') };
    std::uint64_t state = 12345;
    const auto next = [&state](std::uint64_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (state >> 33) % n;
    };
    for (const auto& [quote, quotePattern] : quotes) {
        StringLiteralPattern pattern(quote);
        for (int i = 0; i < 1500; ++i) {
            std::u16string text;
            const std::uint64_t pieces = next(i % 20 == 0 ? 400 : 40);
            // Texts leaning on one quote and the backslash, where unclosed literals abound.
            for (std::uint64_t k = 0; k < pieces; ++k) {
                // The NUL seldom, or nearly every long text would end early.
                const std::size_t piece = next(std::size(alphabet) - (next(10) == 0 ? 0 : 1));
                text += next(3) == 0 ? quote : alphabet[piece];
            }
            ASSERT_EQ(literals(pattern, text), referenceLiterals(quotePattern, text))
                << "quote " << printable(quote) << ", text " << printable(text);
        }
    }
}

TEST(StringLiterals, UnclosedLiteralsWithEscapedQuotes)
{
    StringLiteralPattern pattern(u"\"");
    const struct {
        const char* text;
        std::vector<NSRange> found;
    } cases[] = {
        { "x \"a\\\"b\\\"c", {} },                       // never closed
        { "x \"a\\\"b\\\"c\" y", { { 1, 10 } } },        // closed after two escaped quotes
        { "x \"a\\\" \"b\" y", { { 1, 7 } } },
        { "\"a\\\"b \"c\"", { { 2, 5 } } },             // no character before the first quote; the escaped one opens
        { "x \"a\\\\\" y", { { 1, 6 } } },               // an escaped backslash, then the closing quote
    };
    for (const auto& c : cases) EXPECT_EQ(literals(pattern, utf8ToUtf16(c.text)), c.found) << c.text;
}
