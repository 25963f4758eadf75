#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Platform/Foundation/NSString.h"
#include "tests/colouring/ColouringTestSupport.h"

namespace {

using Dict = PlistValue::Dictionary;

struct Case {
    const char* text;
    const char* codes;
};

// Colours every text with one definition and compares the codes (see colourCodes).
void expectCodes(const Dict& definition, const std::vector<Case>& cases)
{
    DefinitionEngine setup(definition);
    for (const auto& c : cases) EXPECT_EQ(setup.colour(utf8ToUtf16(c.text)), c.codes) << "text: " << c.text;
}

const Dict kTags { { "beginCommand", "<" }, { "endCommand", ">" } };

} // namespace

TEST(RecolourCommands, ThroughTheMatchingEndOnTheLine)
{
    expectCodes(kTags, {
        { "x <a> y", "..CCC.." },
        { "<a <b> c> d", "CCCCCCCCC.." },     // nested: through the outer end
        { "<a <b> c\nd", "CCCCCCCCC." },       // unbalanced: to the end of the line, terminator included
        { "<a\nb>", "....." },                 // no end on the line of the begin
        { "<<<<", "...." },
        { "a > b", "....." },
    });
}

TEST(RecolourInstructions, AcrossLinesFromTheBeginMarker)
{
    expectCodes(Dict { { "beginInstruction", "<?" }, { "endInstruction", "?>" } }, {
        { "a <?b\n?> c", "..IIIIII.." },
        { "<?>x", "III." },                    // the end overlaps the begin marker
        { "a <?b", "..III" },                  // unclosed: to the end of the text
        { "<?a?><?b?>", "IIIIIIIIII" },
    });
    expectCodes(Dict { { "beginInstruction", "%" }, { "endInstruction", "%" } }, {
        { "a %b% c", "..IIIII" },              // equal markers never close
    });
}

TEST(RecolourKeywords, WordsOfTheSet)
{
    expectCodes(Dict { { "keywords", PlistValue::Array { "Echo", "if", "_x:" } } }, {
        { "ECHO x if", "KKKK...KK" },          // not case-sensitive: any case matches
        { "echoes echo_x (if)", "...............KK." },
        { "#if :if", "......." },
        { "i", "." },
    });
    expectCodes(Dict { { "keywords", PlistValue::Array { "Echo" } }, { "keywordsCaseSensitive", true } }, {
        { "Echo echo", "KKKK....." },
    });
    expectCodes(Dict { { "keywords", PlistValue::Array { "b" } }, { "beginCommand", "<" }, { "endCommand", ">" } }, {
        { "<b> b", "CCC.K" },                  // inside a command the command colour stays
    });
    expectCodes(Dict { { "keywords", PlistValue::Array { "b" } }, { "beginCommand", "<" }, { "endCommand", ">" },
                       { "recolourKeywordIfAlreadyColoured", true } }, {
        { "<b> b", "CKC.K" },
    });
}

TEST(RecolourVariables, FromBeginToEndCharacter)
{
    expectCodes(Dict { { "beginVariable", "$" }, { "endVariable", " ;" } }, {
        { "a $b; c", "..VV..." },              // the end character is not coloured
        { "$abc\nd", "VVVVV." },               // no end character: to the end of the line
        { "$a$b c", "VVVV.." },
    });
    // "%%name" with "%" comments: the second "%" starts the variable, then the comment covers all.
    DefinitionEngine setup(Dict { { "beginVariable", "%" }, { "endVariable", " " }, { "firstSingleLineComment", "%" } });
    auto view = std::make_shared<RecordingTextView>(u"%%name x");
    setup.engine->setTextView(view);
    setup.engine->setCompleteString(u"%%name x");
    setup.engine->recolourRange(NSRange { 0, 8 });
    EXPECT_TRUE(view->wrote(setup.engine->variablesColour(), NSRange { 1, 5 }));
    EXPECT_EQ(colourCodes(*setup.engine, view->text), "MMMMMMMM");
}

TEST(RecolourStrings, BothKindsFromTheQuote)
{
    expectCodes(Dict { { "firstString", "\"" }, { "secondString", "'" } }, {
        { "a \"b\" c", "..SSS.." },
        { "\"b\" c", "....." },                // needs a character before the quote
        { "a\"b\" c", "......" },              // after a letter or digit: no string
        { "x \"a\\\"b\" y", "..SSSSSS.." },    // an escaped quote does not close
        { "x 'a'\"b\"", "..SSS..." },          // a first-kind quote right after a second-kind string
        { "x \"a\nb\" y", "..SSSSS.." },
        { "x 'a", "...." },                    // unclosed
    });
}

TEST(RecolourAttributes, NamesBeforeEqualsInsideCommands)
{
    expectCodes(Dict { { "beginCommand", "<" }, { "endCommand", ">" }, { "firstString", "\"" } }, {
        { "<a href=\"x\">", "CCAAAAACSSSC" },
        { "<a b>", "CCCCC" },
        { "x data-id=1", "..........." },      // not inside a command
        { "<<a> b c", "CCCCCCCC" },            // last word at the end of the text: nothing read past it
    });
}

TEST(RecolourSingleLineComments, SlashRules)
{
    expectCodes(Dict { { "firstSingleLineComment", "//" }, { "firstString", "\"" } }, {
        { "a://b", "....." },                  // directly after a colon: no comment
        { "a //b\nc", "..MMMM." },
        { "x \"//\" y", "..SSSS.." },          // inside a string
        { "// a", "MMMM" },
    });
}

TEST(RecolourSingleLineComments, HashRules)
{
    expectCodes(Dict { { "firstSingleLineComment", "#" } }, {
        { "#!x #a\n#y", ".......MM" },         // a line holding "#!" gets nothing from this marker
        { "$#a &#b #c", "........MM" },
        { "#a", "MM" },
        { "#", "M" },                          // texts shorter than two skip the rules
    });
}

TEST(RecolourSingleLineComments, PercentRulesOnlyForTheFirstMarker)
{
    expectCodes(Dict { { "firstSingleLineComment", "%" } }, {
        { "\\%a %b", "....MM" },
        { "%a", "MM" },
    });
    expectCodes(Dict { { "secondSingleLineComment", "%" } }, {
        { "\\%a", ".MM" },
    });
}

TEST(RecolourMultiLineComments, BeginThroughEnd)
{
    expectCodes(Dict { { "beginFirstMultiLineComment", "/*" }, { "endFirstMultiLineComment", "*/" }, { "firstString", "\"" } }, {
        { "/*/x", "MMM." },                    // the end is looked for from the begin marker
        { "a /* b", "..MMMM" },                // unclosed: to the end of the text
        { "a /* b\n */ c", "..MMMMMMMM.." },
        { "x \"/*\" y */ z", "..SSSS......." }, // a begin marker inside a string
    });
    expectCodes(Dict { { "beginFirstMultiLineComment", "|" }, { "endFirstMultiLineComment", "|" } }, {
        { "a |b| c", "..MMMMM" },              // equal markers: to the end of the text
    });
    expectCodes(Dict { { "beginSecondMultiLineComment", "{-" }, { "endSecondMultiLineComment", "-}" } }, {
        { "a {- b -} c", "..MMMMMMM.." },
    });
}

TEST(RecolourMultiLineComments, HiddenScriptAndStyleStayUncoloured)
{
    expectCodes(Dict { { "beginFirstMultiLineComment", "<!--" }, { "endFirstMultiLineComment", "-->" } }, {
        { "<!-- a --></script>x", "...................." },
        { "<!-- a --></SCRIPT>", "..................." },          // still counts at the very end
        { "<!-- a -->\n </Style>x", "....................." },
        { "<!-- a -->\n </Style >x", "MMMMMMMMMM............" },
        { "<!-- a --></style>", "MMMMMMMMMM........" },             // "</style>" ending the text does not count
        { "<!-- a --></div>x", "MMMMMMMMMM......." },
        { "<!-- a -->", "MMMMMMMMMM" },
    });
}

TEST(RecolourSecondStrings, StringsInsideCommentsStayComments)
{
    expectCodes(Dict { { "secondString", "'" }, { "firstSingleLineComment", "#" } }, {
        { "# 'a'", "MMMMM" },
        { "x 'a' # 'b'\n'", "..SSS.MMMMMM." },
    });
}

// A text that ends in the character of a "no comment here" rule, with no marker left, must not
// end the recolouring: the block comment and strings of later passes keep their colour.
TEST(RecolourFaults, TextEndingAfterALastSkippedMarkerKeepsLaterPasses)
{
    const struct {
        const char* marker;
        const char* text;
        const char* codes;
    } cases[] = {
        { "//", "/* c */ x:", "MMMMMMM..." },
        { "#", "/* c */ x$", "MMMMMMM..." },
        { "#", "/* c */ x&", "MMMMMMM..." },
        { "%", "/* c */ x\\", "MMMMMMM..." },
        { "//", "a:", ".." },
    };
    for (const auto& c : cases) {
        DefinitionEngine setup(Dict { { "firstSingleLineComment", c.marker }, { "beginFirstMultiLineComment", "/*" },
                                      { "endFirstMultiLineComment", "*/" } });
        LogCapture log;
        EXPECT_EQ(setup.colour(utf8ToUtf16(c.text)), c.codes) << c.text;
        EXPECT_EQ(log.lines(), std::vector<std::string> { "Syntax-colored in 0 !" }) << c.text;
    }
}

// Only the first unit of a longer end marker is counted; a count that stops at the last
// character must not step past the end of the text and end the recolouring.
TEST(RecolourFaults, CommandEndingInHalfAMarkerAtTheEndOfTheText)
{
    DefinitionEngine setup(Dict { { "beginCommand", "<" }, { "endCommand", "?>" }, { "beginFirstMultiLineComment", "/*" },
                                  { "endFirstMultiLineComment", "*/" } });
    EXPECT_EQ(setup.colour(u"/* c */ <<?>?"), "MMMMMMM.CCCCC");
}

TEST(RecolourFailures, AViewFailureEndsTheRunAndKeepsWhatWasWritten)
{
    DefinitionEngine setup(kTags);
    auto view = std::make_shared<RecordingTextView>(u"<a> <b>");
    view->failAfter = 3; // remove colours, standard record, first command; the next call fails
    setup.engine->setTextView(view);
    setup.engine->setCompleteString(u"<a> <b>");
    LogCapture log;
    setup.engine->recolourRange(NSRange { 0, 7 });
    EXPECT_EQ(colourCodes(*setup.engine, view->text), "CCC....");
    EXPECT_EQ(log.lines(), (std::vector<std::string> { "view refused", "Syntax-colored in 0 !" }));
}

TEST(RecolourGuards, NothingHappensOutsideTheText)
{
    DefinitionEngine setup(kTags);
    auto view = std::make_shared<RecordingTextView>(u"<a>");
    setup.engine->setTextView(view);
    setup.engine->setCompleteString(u"<a>");
    LogCapture log;
    setup.engine->recolourRange(NSRange { 3, 0 });
    setup.engine->recolourRange(NSRange { 1, 0 });
    setup.engine->recolourRange(NSRange { 0, 4 });
    setup.engine->recolourRange(NSRange { 2, NSUInteger(-1) });
    setup.engine->setReactToChanges(false);
    setup.engine->recolourRange(NSRange { 0, 3 });
    EXPECT_EQ(view->sets + view->removes + view->reads, 0);
    EXPECT_TRUE(log.lines().empty());

    // Without a text view nothing is written and nothing fails.
    SyntaxColouring alone;
    alone.setCompleteString(u"<a>");
    alone.recolourRange(NSRange { 0, 3 });
}

TEST(RecolourGuards, PartOfTheTextUsesWindowsAndBackwardSearches)
{
    DefinitionEngine setup(Dict { { "beginFirstMultiLineComment", "/*" }, { "endFirstMultiLineComment", "*/" },
                                  { "beginInstruction", "<?" }, { "endInstruction", "?>" } });
    const std::u16string text = u"/* open\nstill <? x\nmore */ y ?> z";
    auto view = std::make_shared<RecordingTextView>(text);
    setup.engine->setTextView(view);
    setup.engine->setCompleteString(text);
    setup.engine->recolourRange(NSRange { 8, 10 }); // "still <? x"
    // The comment opened before the range is recoloured from its opening; so is the instruction.
    EXPECT_TRUE(view->wrote(setup.engine->commentsColour(), NSRange { 0, 26 }));
    EXPECT_TRUE(view->wrote(setup.engine->instructionsColour(), NSRange { 14, 17 }));
}

TEST(RecolourBadInput, OddTextsColourSanely)
{
    DefinitionEngine setup(Dict { { "beginCommand", "<" }, { "endCommand", ">" }, { "firstString", "\"" },
                                  { "secondString", "'" }, { "firstSingleLineComment", "//" },
                                  { "beginFirstMultiLineComment", "/*" }, { "endFirstMultiLineComment", "*/" },
                                  { "keywords", PlistValue::Array { "if" } }, { "beginVariable", "$" } });
    const std::u16string unpaired { u'a', u' ', 0xD800, u'"', u'x', u'"', u' ', 0xDC00, u'i', u'f' };
    EXPECT_EQ(setup.colour(unpaired), "...SSS..KK");
    const std::u16string withNul { u'x', u' ', u'"', u'a', u'"', u'\0', u' ', u'"', u'b', u'"' };
    EXPECT_EQ(setup.colour(withNul), "..SSS.....") << "strings are searched up to the NUL";
    EXPECT_EQ(setup.colour(std::u16string(64, u'"')).size(), 64u);
    EXPECT_EQ(setup.colour(u"x /* never closed\n<a>\n"), "..MMMMMMMMMMMMMMMMMMMM");
    EXPECT_EQ(setup.colour(u"$"), "V");
    EXPECT_EQ(setup.colour(u"\r\n\r\n"), "....");
}
