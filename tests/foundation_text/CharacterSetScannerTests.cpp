#include "Platform/Foundation/NSCharacterSet.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSScanner.h"

#include <gtest/gtest.h>

TEST(CharacterSet, ClassSetsFollowUnicodeCategories)
{
    struct Case {
        const char* name;
        NSCharacterSet set;
        std::u16string members;
        std::u16string others;
    };
    const Case cases[] = {
        { "letter", NSCharacterSet::letterCharacterSet(), u"aZ\u00e9\u0301\u4e2d\u03a9", u"1 _-$" },
        { "alphanumeric", NSCharacterSet::alphanumericCharacterSet(), u"a9\u0663\u00bd", u" _-." },
        { "punctuation", NSCharacterSet::punctuationCharacterSet(), u"!\"#%&'()*,-./:;?@[\\]_{}\u00a1\u2026", u"$+<=>^`|~a " },
        { "symbol", NSCharacterSet::symbolCharacterSet(), u"$+<=>^`|~\u20ac\u00a9", u"!#_a " },
        { "whitespace", NSCharacterSet::whitespaceCharacterSet(), u" \t\u00a0\u3000", u"\n\r\u2028a" },
        { "whitespaceAndNewline", NSCharacterSet::whitespaceAndNewlineCharacterSet(), u" \t\n\v\f\r\u0085\u2028\u2029\u00a0", u"a_" },
        { "newline", NSCharacterSet::newlineCharacterSet(), u"\n\v\f\r\u0085\u2028\u2029", u" \ta" },
        { "decimalDigit", NSCharacterSet::decimalDigitCharacterSet(), u"09\u0663", u"a\u00bd " },
    };
    for (const Case& c : cases) {
        for (const char16_t unit : c.members)
            EXPECT_TRUE(c.set.characterIsMember(unit)) << c.name << " U+" << std::hex << int(unit);
        for (const char16_t unit : c.others)
            EXPECT_FALSE(c.set.characterIsMember(unit)) << c.name << " U+" << std::hex << int(unit);
        EXPECT_FALSE(c.set.characterIsMember(0xD800)) << c.name;
    }
}

TEST(CharacterSet, EditingAndCombining)
{
    // The colouring engine's keyword end set: white space, symbols, punctuation, minus "_".
    NSCharacterSet end = NSCharacterSet::whitespaceAndNewlineCharacterSet();
    end.formUnionWithCharacterSet(NSCharacterSet::symbolCharacterSet());
    end.formUnionWithCharacterSet(NSCharacterSet::punctuationCharacterSet());
    end.removeCharactersInString(u"_");
    EXPECT_FALSE(end.characterIsMember(u'_'));
    EXPECT_TRUE(end.characterIsMember(u'-'));
    EXPECT_TRUE(end.characterIsMember(u'<'));
    EXPECT_TRUE(end.characterIsMember(u'\n'));
    EXPECT_FALSE(end.characterIsMember(u'a'));

    // Sets are values: editing a copy leaves the class set alone.
    NSCharacterSet letters = NSCharacterSet::letterCharacterSet();
    letters.addCharactersInString(u"_:@#");
    EXPECT_TRUE(letters.characterIsMember(u'#'));
    EXPECT_FALSE(NSCharacterSet::letterCharacterSet().characterIsMember(u'#'));

    const NSCharacterSet quotes = NSCharacterSet::characterSetWithCharactersInString(u"\"'");
    const NSCharacterSet notQuotes = quotes.invertedSet();
    EXPECT_FALSE(notQuotes.characterIsMember(u'"'));
    EXPECT_TRUE(notQuotes.characterIsMember(u'x'));
    EXPECT_TRUE(notQuotes.characterIsMember(0xFFFF));
    EXPECT_EQ(notQuotes.invertedSet(), quotes);
}

namespace {
const NSCharacterSet kSpace = NSCharacterSet::characterSetWithCharactersInString(u" ");
}

TEST(Scanner, LocationBounds)
{
    NSScanner scanner(std::u16string(u"abc"));
    scanner.setScanLocation(3);
    EXPECT_TRUE(scanner.isAtEnd());
    try {
        scanner.setScanLocation(4);
        FAIL() << "no exception";
    } catch (const NamedException& e) {
        EXPECT_EQ(e.name(), "NSRangeException");
    }
    EXPECT_EQ(scanner.scanLocation(), 3u);

    // Every scan at the end answers false and stays put.
    std::u16string into = u"untouched";
    EXPECT_FALSE(scanner.scanUpToString(u"x", &into));
    EXPECT_FALSE(scanner.scanUpToCharactersFromSet(kSpace, &into));
    EXPECT_FALSE(scanner.scanCharactersFromSet(kSpace, &into));
    EXPECT_FALSE(scanner.scanString(u"c", &into));
    EXPECT_EQ(into, u"untouched");
    EXPECT_EQ(scanner.scanLocation(), 3u);

    NSScanner empty(std::u16string {});
    EXPECT_TRUE(empty.isAtEnd());
    EXPECT_NO_THROW(empty.setScanLocation(0));
}

TEST(Scanner, ScanUpToStringIgnoresCaseByDefault)
{
    auto text = std::make_shared<const std::u16string>(u"<a href=x><!-- note --></A>");
    NSScanner scanner(text);
    std::u16string passed;
    EXPECT_TRUE(scanner.scanUpToString(u"</a>", &passed));
    EXPECT_EQ(scanner.scanLocation(), 23u);
    EXPECT_EQ(passed, u"<a href=x><!-- note -->");
    // The marker right at the location passes nothing.
    EXPECT_FALSE(scanner.scanUpToString(u"</A>"));
    EXPECT_EQ(scanner.scanLocation(), 23u);

    scanner.setScanLocation(0);
    scanner.setCaseSensitive(true);
    EXPECT_TRUE(scanner.scanUpToString(u"</a>"));
    EXPECT_TRUE(scanner.isAtEnd()); // not found: runs to the end

    // Both scanners share one text.
    NSScanner second(text);
    EXPECT_EQ(&second.string(), &scanner.string());
}

TEST(Scanner, CaseInsensitiveMarkerWithNonAsciiText)
{
    NSScanner scanner(std::u16string(u"\u00c4rger STRASSE und stra\u00dfe"));
    EXPECT_TRUE(scanner.scanString(u"\u00e4RGER"));
    EXPECT_TRUE(scanner.scanUpToString(u"stra\u00dfe"));
    EXPECT_EQ(scanner.scanLocation(), 6u);
    EXPECT_TRUE(scanner.scanString(u"strasse"));
    EXPECT_EQ(scanner.scanLocation(), 13u);
    EXPECT_TRUE(scanner.scanUpToString(u"\u00e4")); // not present after here
    EXPECT_TRUE(scanner.isAtEnd());
}

TEST(Scanner, SetsAndSkipping)
{
    NSScanner scanner(std::u16string(u"  key_1 = 'v'"));
    const NSCharacterSet word = [] {
        NSCharacterSet s = NSCharacterSet::alphanumericCharacterSet();
        s.addCharactersInString(u"_");
        return s;
    }();
    std::u16string into;
    // Nothing skipped by default: the leading blanks stop a word scan.
    EXPECT_FALSE(scanner.scanCharactersFromSet(word, &into));
    EXPECT_TRUE(scanner.scanUpToCharactersFromSet(word));
    EXPECT_EQ(scanner.scanLocation(), 2u);
    EXPECT_TRUE(scanner.scanCharactersFromSet(word, &into));
    EXPECT_EQ(into, u"key_1");
    EXPECT_FALSE(scanner.scanString(u"="));

    scanner.setCharactersToBeSkipped(std::make_shared<const NSCharacterSet>(kSpace));
    EXPECT_TRUE(scanner.scanString(u"=", &into));
    EXPECT_EQ(into, u"=");
    const NSCharacterSet quote = NSCharacterSet::characterSetWithCharactersInString(u"'");
    // Only a skipped blank before the quote: nothing scanned, location kept.
    EXPECT_FALSE(scanner.scanUpToCharactersFromSet(quote, &into));
    EXPECT_EQ(scanner.scanLocation(), 9u);
    EXPECT_TRUE(scanner.scanCharactersFromSet(quote, &into));
    EXPECT_EQ(into, u"'");
    EXPECT_EQ(scanner.scanLocation(), 11u);
}
