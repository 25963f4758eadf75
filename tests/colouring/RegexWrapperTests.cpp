#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes/SyntaxColouring/NSStringRegexAdditions.h"
#include "Classes/SyntaxColouring/RegexMatcher.h"
#include "Classes/SyntaxColouring/RegexPattern.h"
#include "Platform/Foundation/NSException.h"

namespace {

// Runs the call and answers the named exception it raised (name and reason), or fails.
template <class Call>
std::pair<std::string, std::string> raised(Call call)
{
    try {
        call();
    } catch (const NamedException& failure) {
        return { failure.name(), failure.reason() };
    }
    ADD_FAILURE() << "nothing was raised";
    return {};
}

std::vector<NSRange> allMatches(RegexMatcher& matcher)
{
    std::vector<NSRange> ranges;
    while (matcher.findNext()) ranges.push_back(matcher.rangeOfMatch());
    return ranges;
}

} // namespace

TEST(RegexPattern, UnclosedBracketRaisesInvalidPatternWithIcuName)
{
    const auto [name, reason] = raised([] { RegexPattern pattern(u"a[bc"); });
    EXPECT_EQ(name, "Invalid Pattern Exception");
    EXPECT_EQ(reason, "Could not compile pattern: U_REGEX_MISSING_CLOSE_BRACKET");
}

TEST(RegexPattern, DescriptionIsTheWholeSourceAndCopySharesNoText)
{
    RegexPattern pattern(u"(\\w+)@(\\w+)", 0);
    EXPECT_EQ(pattern.description(), u"(\\w+)@(\\w+)");
    EXPECT_EQ(pattern.pattern(), pattern.description());

    RegexMatcher matcher(pattern, u"me@host");
    const auto copy = pattern.copy();
    EXPECT_EQ(copy->description(), pattern.description());
    EXPECT_EQ(copy->textToSearch(), nullptr);
    EXPECT_TRUE(copy->matchesString(u"you@there"));
    // The original keeps its own text and position.
    EXPECT_TRUE(matcher.findNext());
    EXPECT_EQ(matcher.group(), u"me@host");
}

TEST(RegexPattern, WithoutExpressionEveryUseRaises)
{
    RegexPattern pattern(u"a");
    RegexMatcher matcher(pattern, u"aaa");
    pattern.setRe(nullptr);
    EXPECT_EQ(pattern.description(), std::nullopt);
    EXPECT_EQ(raised([&] { pattern.setStringToSearch(u"b"); }).first, "Invalid String Exception");
    EXPECT_EQ(pattern.stringToSearch(), u"aaa") << "a refused text keeps the previous one";
    EXPECT_EQ(raised([&] { pattern.reset(); }).first, "Pattern Exception");
    EXPECT_EQ(raised([&] { (void)matcher.findNext(); }).first, "Find Exception");
    EXPECT_EQ(raised([&] { (void)pattern.copy(); }).first, "Copy Exception");
}

TEST(RegexMatcher, StepsThroughMatchesAndStartsAgainAfterReset)
{
    RegexPattern pattern(u"a+");
    RegexMatcher matcher(pattern, u"xaayaaaz");
    const std::vector<NSRange> expected { { 1, 2 }, { 4, 3 } };
    EXPECT_EQ(allMatches(matcher), expected);
    EXPECT_FALSE(matcher.findNext()) << "still nothing after the last match";
    matcher.reset();
    EXPECT_EQ(allMatches(matcher), expected);
}

TEST(RegexMatcher, SecondMatcherTakesOverThePatternsSearch)
{
    RegexPattern pattern(u"\\d");
    RegexMatcher first(pattern, u"1a2");
    ASSERT_TRUE(first.findNext());
    RegexMatcher second(pattern, u"xx9");
    ASSERT_TRUE(first.findNext());
    EXPECT_EQ(first.rangeOfMatch(), (NSRange { 2, 1 }));
    EXPECT_EQ(first.group(), u"9");
    EXPECT_FALSE(second.findNext());
}

TEST(RegexMatcher, GroupRanges)
{
    RegexPattern pattern(u"(a)|(b)");
    RegexMatcher matcher(pattern, u"b");
    EXPECT_EQ(matcher.numberOfGroups(), 2u);
    ASSERT_TRUE(matcher.findNext());
    EXPECT_EQ(matcher.rangeOfMatchGroup(1), NSRangeNotFound) << "a group that took no part";
    EXPECT_EQ(matcher.rangeOfMatchGroup(2), (NSRange { 0, 1 }));
    EXPECT_EQ(matcher.groupAtIndex(2), u"b");
    EXPECT_EQ(raised([&] { (void)matcher.rangeOfMatchGroup(3); }).first, "Find Exception");
}

TEST(RegexMatcher, LongGroupTextGrowsTheBuffer)
{
    const std::u16string word(1000, u'w');
    RegexPattern pattern(u"<(w+)>");
    RegexMatcher matcher(pattern, u"<" + word + u">");
    ASSERT_TRUE(matcher.findNext());
    EXPECT_EQ(matcher.groupAtIndex(1), word);
    EXPECT_EQ(matcher.groupAtIndex(0).size(), word.size() + 2);
}

TEST(RegexMatcher, TextIsSearchedUpToItsFirstNul)
{
    RegexPattern pattern(u"b");
    const std::u16string text { u'a', u'\0', u'b' };
    RegexMatcher matcher(pattern, text);
    EXPECT_FALSE(matcher.findNext());
    EXPECT_EQ(pattern.stringToSearch(), u"a");
}

TEST(RegexMatcher, WholeTextAnchoredAndIndexedSearches)
{
    RegexPattern pattern(u"ab");
    RegexMatcher matcher(pattern, u"abab");
    EXPECT_FALSE(matcher.matches());
    EXPECT_TRUE(matcher.lookingAt(2));
    EXPECT_FALSE(matcher.lookingAt(1));
    EXPECT_TRUE(matcher.findFromIndex(1));
    EXPECT_EQ(matcher.rangeOfMatch(), (NSRange { 2, 2 }));
    EXPECT_EQ(raised([&] { (void)matcher.findFromIndex(99); }).first, "Find Exception");
    EXPECT_TRUE(pattern.matchesString(u"ab"));
}

TEST(RegexMatcher, Replacement)
{
    RegexPattern pattern(u"(o)");
    RegexMatcher matcher(pattern, u"foo boo");
    EXPECT_EQ(matcher.replaceFirstWithString(u"0"), u"f0o boo");
    EXPECT_EQ(matcher.replaceAllWithString(u"[$1$1$1$1]"), u"f[oooo][oooo] b[oooo][oooo]")
        << "a result longer than twice the text grows the buffer";
    EXPECT_EQ(replaceOccurrencesOfPattern(u"", u"x", u"y"), u"");
    EXPECT_EQ(raised([&] { (void)matcher.replaceAllWithString(u"$9"); }).second,
        "Could not perform find and replace: U_INDEX_OUTOFBOUNDS_ERROR");
}

TEST(RegexPattern, SplitGrowsBufferAndFieldTable)
{
    std::u16string text;
    std::vector<std::u16string> expected;
    for (int i = 0; i < 40; ++i) {
        expected.push_back(std::u16string(static_cast<std::size_t>(i % 5), u'x') + u"f");
        text += expected.back() + u", ";
    }
    text.resize(text.size() - 2);
    EXPECT_EQ(componentsSeparatedByPattern(text, u",\\s*"), expected);
    EXPECT_EQ(componentsSeparatedByPattern(u"abc", u","), std::vector<std::u16string> { u"abc" });
}

TEST(StringRegexAdditions, ConveniencesAndBuffers)
{
    EXPECT_TRUE(matchesPattern(u"2024-01-02", u"\\d{4}-\\d\\d-\\d\\d"));
    EXPECT_EQ(findPattern(u"key=value;", u"(\\w+)=(\\w+)"), (std::vector<std::u16string> { u"key=value", u"key", u"value" }));
    EXPECT_EQ(raised([] { (void)findPattern(u"nothing here", u"\\d"); }).first, "Find Exception");

    EXPECT_EQ(stringWithUTF16Units(u"letters"), u"letters");
    EXPECT_EQ(stringWithUTF16Units(nullptr), u"");
    const auto buffer = copyUTF16String(u"ab\u00e9");
    EXPECT_EQ(buffer[3], u'\0');
    EXPECT_EQ(stringWithUTF16Units(buffer.get()), u"ab\u00e9");
    EXPECT_EQ(nativeUTF16Encoding(), NSUTF16LittleEndianStringEncoding);
}
