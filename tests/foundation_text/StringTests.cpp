#include "Platform/Foundation/NSCharacterSet.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSString.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(Utf, LenientAndStrictConversion)
{
    EXPECT_EQ(utf8ToUtf16("a\xC3\xA9\xF0\x9F\x98\x80"), std::u16string(u"a\u00e9\U0001F600"));
    EXPECT_EQ(utf8ToUtf16("a\xFF" "b\xC3"), std::u16string(u"a\uFFFDb\uFFFD"));
    EXPECT_FALSE(utf8ToUtf16Strict("a\xFF"));
    EXPECT_EQ(utf8ToUtf16Strict(""), std::u16string());
    EXPECT_EQ(utf16ToUtf8(u"x\xD800y\xDC00"), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(Search, Cases)
{
    struct Case {
        std::u16string text;
        std::u16string target;
        NSStringCompareOptions options;
        NSRange range;
        NSRange expected;
    };
    const NSRange all { 0, NSNotFound }; // replaced by the whole text below
    const Case cases[] = {
        { u"abcabc", u"bc", NSNoSearchOptions, all, { 1, 2 } },
        { u"abcabc", u"bc", NSBackwardsSearch, all, { 4, 2 } },
        { u"abcabc", u"bc", NSNoSearchOptions, { 2, 4 }, { 4, 2 } },
        { u"abcabc", u"bc", NSNoSearchOptions, { 2, 3 }, NSRangeNotFound }, // match would leave the range
        { u"abcabc", u"", NSNoSearchOptions, all, NSRangeNotFound },
        { u"", u"a", NSNoSearchOptions, all, NSRangeNotFound },
        { u"abc", u"abcd", NSNoSearchOptions, all, NSRangeNotFound },
        { u"abcabc", u"BC", NSNoSearchOptions, all, NSRangeNotFound },
        { u"abcabc", u"BC", NSCaseInsensitiveSearch, all, { 1, 2 } },
        { u"abcabc", u"BC", NSCaseInsensitiveSearch | NSBackwardsSearch, all, { 4, 2 } },
        { u"abcabc", u"ab", NSAnchoredSearch, all, { 0, 2 } },
        { u"abcabc", u"bc", NSAnchoredSearch, all, NSRangeNotFound },
        { u"abcabc", u"bc", NSAnchoredSearch | NSBackwardsSearch, all, { 4, 2 } },
        { u"abcabc", u"ab", NSAnchoredSearch | NSBackwardsSearch | NSCaseInsensitiveSearch, all, NSRangeNotFound },
        { u"abcABC", u"BC", NSAnchoredSearch | NSBackwardsSearch | NSCaseInsensitiveSearch, all, { 4, 2 } },
        { u"x<SCRIPT>", u"<script>", NSCaseInsensitiveSearch | NSLiteralSearch, all, { 1, 8 } },
        // Non-ASCII case folding, answered in units of the searched text.
        { u"\u00c4RGER", u"\u00e4rger", NSCaseInsensitiveSearch, all, { 0, 5 } },
        { u"die stra\u00dfe", u"STRASSE", NSCaseInsensitiveSearch, all, { 4, 6 } },
        { u"die STRASSE", u"stra\u00dfe", NSCaseInsensitiveSearch, all, { 4, 7 } },
        { u"stra\u00dfe", u"stras", NSCaseInsensitiveSearch, all, NSRangeNotFound }, // half of a fold
        { u"\u03a3\u039f\u03a6\u039f\u03a3", u"\u03c3\u03bf\u03c6\u03bf\u03c2", NSCaseInsensitiveSearch, all, { 0, 5 } },
        { u"a\U0001F600b\U0001F600", u"\U0001F600", NSBackwardsSearch | NSCaseInsensitiveSearch, all, { 4, 2 } },
        { u"\U00010400x", u"\U00010428", NSCaseInsensitiveSearch, all, { 0, 2 } }, // Deseret, outside the BMP
    };
    for (const Case& c : cases) {
        const NSRange range = c.range == all ? NSMakeRange(0, c.text.size()) : c.range;
        EXPECT_EQ(rangeOfString(c.text, c.target, c.options, range), c.expected)
            << utf16ToUtf8(c.text) << " / " << utf16ToUtf8(c.target) << " options " << c.options;
    }
}

TEST(Search, RangeOutsideTextThrows)
{
    EXPECT_THROW((void)rangeOfString(u"abc", u"a", NSNoSearchOptions, NSMakeRange(2, 2)), NamedException);
    EXPECT_THROW((void)rangeOfString(u"abc", u"a", NSNoSearchOptions, NSMakeRange(4, 0)), NamedException);
    EXPECT_EQ(rangeOfString(u"abc", u"a", NSNoSearchOptions, NSMakeRange(3, 0)), NSRangeNotFound);
}

TEST(Search, CharacterFromSet)
{
    const NSCharacterSet digits = NSCharacterSet::decimalDigitCharacterSet();
    EXPECT_EQ(rangeOfCharacterFromSet(u"ab12c", digits), NSMakeRange(2, 1));
    EXPECT_EQ(rangeOfCharacterFromSet(u"ab12c", digits, NSBackwardsSearch), NSMakeRange(3, 1));
    EXPECT_EQ(rangeOfCharacterFromSet(u"ab12c", digits, NSAnchoredSearch), NSRangeNotFound);
    EXPECT_EQ(rangeOfCharacterFromSet(u"abc", digits), NSRangeNotFound);
}

TEST(Case, RootLocaleFullMapping)
{
    EXPECT_EQ(uppercaseString(std::u16string_view(u"stra\u00dfe")), u"STRASSE");
    EXPECT_EQ(lowercaseString(std::u16string_view(u"I\u0130")), u"i\u0069\u0307"); // never Turkish rules
    EXPECT_EQ(uppercaseString(std::string_view("index.html")), "INDEX.HTML");
    EXPECT_EQ(lowercaseString(std::string_view("\xC3\x84" "BC")), "\xC3\xA4" "bc");

    EXPECT_EQ(caseInsensitiveCompare(std::string_view("apple"), std::string_view("Banana")), NSOrderedAscending);
    EXPECT_EQ(caseInsensitiveCompare(std::string_view("README"), std::string_view("readme")), NSOrderedSame);
    EXPECT_EQ(caseInsensitiveCompare(std::u16string_view(u"\u00e9t\u00e9"), std::u16string_view(u"\u00c9T\u00c9")), NSOrderedSame);
    EXPECT_EQ(caseInsensitiveCompare(std::string_view("b"), std::string_view("A")), NSOrderedDescending);
    EXPECT_EQ(caseInsensitiveCompare(std::string_view("a"), std::string_view("ab")), NSOrderedAscending);
}

TEST(Lines, EverySeparator)
{
    struct Case {
        std::u16string text;
        NSRange range;
        NSRange line;
        NSUInteger contentsEnd;
    };
    const Case cases[] = {
        { u"ab\ncd", { 0, 0 }, { 0, 3 }, 2 },
        { u"ab\ncd", { 4, 0 }, { 3, 2 }, 5 },
        { u"ab\ncd", { 5, 0 }, { 3, 2 }, 5 }, // at the very end: the last line
        { u"ab\n", { 3, 0 }, { 3, 0 }, 3 }, // after a final terminator: an empty line
        { u"ab\rcd", { 1, 0 }, { 0, 3 }, 2 },
        { u"ab\r\ncd", { 1, 0 }, { 0, 4 }, 2 },
        { u"ab\r\ncd", { 2, 0 }, { 0, 4 }, 2 }, // on the CR
        { u"ab\r\ncd", { 3, 0 }, { 0, 4 }, 2 }, // on the LF of CR LF: same line
        { u"ab\r\ncd", { 4, 0 }, { 4, 2 }, 6 },
        { u"ab\n\rcd", { 3, 0 }, { 3, 1 }, 3 }, // LF CR is two separators
        { u"ab\u0085cd", { 0, 0 }, { 0, 3 }, 2 },
        { u"ab\u2028cd", { 4, 0 }, { 3, 2 }, 5 },
        { u"ab\u2029cd", { 0, 1 }, { 0, 3 }, 2 },
        { u"ab\ncd\nef", { 1, 3 }, { 0, 6 }, 5 }, // a range over two lines
        { u"ab\ncd\nef", { 0, 3 }, { 0, 3 }, 2 }, // a range ending with a terminator stays on its line
        { u"ab\r\ncd", { 0, 3 }, { 0, 4 }, 2 }, // ending inside CR LF
        { u"", { 0, 0 }, { 0, 0 }, 0 },
        { u"\n\n", { 1, 0 }, { 1, 1 }, 1 },
    };
    for (const Case& c : cases) {
        NSUInteger start = 99, end = 99, contentsEnd = 99;
        getLineStart(c.text, &start, &end, &contentsEnd, c.range);
        const std::string label = utf16ToUtf8(c.text) + " at " + NSStringFromRange(c.range);
        EXPECT_EQ(NSMakeRange(start, end - start), c.line) << label;
        EXPECT_EQ(contentsEnd, c.contentsEnd) << label;
        EXPECT_EQ(lineRangeForRange(c.text, c.range), c.line) << label;
    }
    EXPECT_THROW((void)lineRangeForRange(u"ab", NSMakeRange(3, 0)), NamedException);
}

// A file keeps its line break: its first one is found, and text going in takes it, without
// joining a CR before or an LF after it into one CR LF.
TEST(Lines, FirstLineBreakAndTextTakingIt)
{
    for (const auto& [text, first] : std::vector<std::pair<std::u16string, std::u16string>> {
             { u"a\nb\r\n", u"\n" }, { u"a\r\nb\n", u"\r\n" }, { u"a\rb\r\n", u"\r" }, { u"a\r", u"\r" },
             { u"a\u2028b\n", u"\n" }, { u"ab", u"" }, { u"", u"" } })
        EXPECT_EQ(firstLineBreak(text), first) << utf16ToUtf8(text);
    struct Case {
        std::u16string text;
        std::u16string lineBreak;
        std::u16string document;
        NSRange range;
        std::u16string expected;
    };
    const std::vector<Case> cases {
        { u"\n", u"\r\n", u"ab", { 1, 0 }, u"\r\n" },
        { u"p\r\nq\rr\ns", u"\r\n", u"", { 0, 0 }, u"p\r\nq\r\nr\r\ns" },
        { u"p\r\nq\rr\ns", u"\r", u"", { 0, 0 }, u"p\rq\rr\rs" },
        { u"p\r\nq\rr\n\n", u"\n", u"", { 0, 0 }, u"p\nq\nr\n\n" },
        { u"p\r\nq\n", u"", u"", { 0, 0 }, u"p\r\nq\n" }, // no break set: as it is
        { u"x", u"\r", u"a\r\nb", { 2, 0 }, u"x" },
        { u"\n", u"\n", u"a\rb", { 2, 0 }, u"\r\n" }, // after a CR: CR + LF would be one break
        { u"\n", u"\n", u"a\rb", { 1, 1 }, u"\n" }, // the CR is replaced
        { u"\n", u"\r", u"a\nb", { 1, 0 }, u"\r\n" }, // before an LF
        { u"\n", u"\r", u"a\nb", { 0, 1 }, u"\r\n" }, // a selection ending before an LF
        { u"\n", u"\r", u"a\nb", { 1, 1 }, u"\r" }, // the LF is replaced
    };
    for (const Case& c : cases)
        EXPECT_EQ(textWithLineBreak(c.text, c.lineBreak, c.document, c.range), c.expected)
            << utf16ToUtf8(c.text) << " into " << utf16ToUtf8(c.document) << " at " << NSStringFromRange(c.range);
}

TEST(Pieces, TrimmingAndComponents)
{
    const NSCharacterSet blanks = NSCharacterSet::whitespaceAndNewlineCharacterSet();
    EXPECT_EQ(stringByTrimmingCharactersInSet(std::u16string_view(u"\n\t x y \u2028"), blanks), u"x y");
    EXPECT_EQ(stringByTrimmingCharactersInSet(std::u16string_view(u" \n "), blanks), u"");
    EXPECT_EQ(stringByTrimmingCharactersInSet(std::string_view(" caf\xC3\xA9\r\n"), blanks), "caf\xC3\xA9");

    using V = std::vector<std::string>;
    EXPECT_EQ(componentsSeparatedByString(std::string_view("a\nb\n"), std::string_view("\n")), (V { "a", "b", "" }));
    EXPECT_EQ(componentsSeparatedByString(std::string_view("a,,b"), std::string_view(",")), (V { "a", "", "b" }));
    EXPECT_EQ(componentsSeparatedByString(std::string_view(""), std::string_view(",")), (V { "" }));
    EXPECT_EQ(componentsSeparatedByString(std::string_view("abc"), std::string_view("")), (V { "abc" }));
    EXPECT_EQ(componentsSeparatedByString(std::u16string_view(u"a::b"), std::u16string_view(u"::")), (std::vector<std::u16string> { u"a", u"b" }));
    EXPECT_TRUE(hasPrefix(std::string_view("ftp://h"), std::string_view("ftp://")));
    EXPECT_FALSE(hasSuffix(std::u16string_view(u"a"), std::u16string_view(u"ba")));
}

TEST(Numbers, ParsingLikeThePlatform)
{
    EXPECT_EQ(intValue(std::string_view("  42abc")), 42);
    EXPECT_EQ(intValue(std::string_view("-7")), -7);
    EXPECT_EQ(intValue(std::string_view("+8")), 8);
    EXPECT_EQ(intValue(std::string_view("abc")), 0);
    EXPECT_EQ(intValue(std::string_view("")), 0);
    EXPECT_EQ(intValue(std::string_view("99999999999")), 2147483647);
    EXPECT_EQ(intValue(std::string_view("-99999999999")), -2147483647 - 1);
    EXPECT_EQ(longLongValue(std::string_view("10737418240")), 10737418240LL);
    EXPECT_EQ(intValue(std::u16string_view(u"\u00a0 12")), 0); // only ASCII blanks are skipped
    EXPECT_DOUBLE_EQ(doubleValue(std::string_view(" 1.5e3x")), 1500.0);
    EXPECT_DOUBLE_EQ(doubleValue(std::string_view("-.25")), -0.25);
    EXPECT_DOUBLE_EQ(doubleValue(std::string_view("2.5e")), 2.5);
    EXPECT_DOUBLE_EQ(doubleValue(std::string_view("1,5")), 1.0);
    EXPECT_EQ(doubleValue(std::string_view("inf")), 0.0);
    EXPECT_EQ(doubleValue(std::string_view("nan")), 0.0);
    EXPECT_TRUE(std::isinf(doubleValue(std::string_view("1e999"))));
    EXPECT_EQ(doubleValue(std::string_view("1e-999")), 0.0);
    EXPECT_DOUBLE_EQ(doubleValue(std::u16string_view(u"3.25")), 3.25);
}

// Formatting and parsing must use "." even when the process runs under a locale with a
// decimal comma. A German locale is compiled into a private folder when the tools exist.
class LocaleIndependence : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("lexiphant-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        if (std::filesystem::exists("/usr/bin/localedef") && std::system(command.c_str()) == 0)
            ::setenv("LOCPATH", folder.c_str(), 1);
        commaLocale_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        if (!commaLocale_)
            std::fprintf(stderr, "note: no decimal-comma locale here; only the \".\" output is checked\n");
        folder_ = folder;
    }
    static void TearDownTestSuite()
    {
        std::setlocale(LC_NUMERIC, "C");
        ::unsetenv("LOCPATH");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    static inline bool commaLocale_ = false;
    static inline std::filesystem::path folder_;
};

TEST_F(LocaleIndependence, FormatAndParseUseDecimalPoint)
{
    if (commaLocale_) {
        char plain[32];
        std::snprintf(plain, sizeof plain, "%.1f", 1.5);
        EXPECT_STREQ(plain, "1,5") << "the comma locale did not take effect";
    }
    EXPECT_EQ(stringWithFormat("%.1f %s", 1.5, "KB"), "1.5 KB");
    EXPECT_EQ(stringWithFormat("%llu bytes", 1023ULL), "1023 bytes");
    EXPECT_DOUBLE_EQ(doubleValue(std::string_view("1.5")), 1.5);
    const std::string longText(300, 'x');
    EXPECT_EQ(stringWithFormat("%s%.2f", longText.c_str(), 0.25), longText + "0.25");

    // Other threads format the same way; the calling thread's own locale is left as it was.
    std::string fromThread;
    std::thread([&] { fromThread = stringWithFormat("%.3f", 2.125); }).join();
    EXPECT_EQ(fromThread, "2.125");
    if (commaLocale_) {
        char plain[32];
        std::snprintf(plain, sizeof plain, "%.1f", 1.5);
        EXPECT_STREQ(plain, "1,5");
    }
}
