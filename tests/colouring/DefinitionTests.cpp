#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSString.h"
#include "tests/colouring/ColouringTestSupport.h"

namespace {

using Dict = PlistValue::Dictionary;
using Array = PlistValue::Array;

Dict entry(const char* name, const char* extensions)
{
    return Dict { { "name", name }, { "file", name }, { "extensions", extensions } };
}

std::string definitionFor(const std::string& fileName)
{
    SyntaxColouring engine;
    engine.setSyntaxDefinition(fileName);
    return engine.definitionName();
}

} // namespace

TEST(DefinitionChoice, ByTheFileNamesExtension)
{
    const struct {
        const char* fileName;
        const char* definition;
    } cases[] = {
        { "index.HTML", "html" }, { "page.htm", "html" }, { "view.tpl", "html" }, { "style.css", "css" },
        { "app.js", "javascript" }, { "ab.js.inc", "javascript" }, { "a.js.inc", "standard" },
        { "x.php.inc", "php" }, { "index.php5", "php" }, { "page.phtml", "php" }, { "feed.xml", "xml" },
        { "default.aspx", "asp" }, { ".htaccess", "htaccess" }, { ".HTACCESS", "htaccess" },
        { "site.htaccess", "htaccess" }, { "Module.pm", "perl" }, { "php.ini", "ini" }, { "app.rb", "ruby" },
        { "main.py", "python" }, { "notes.txt", "standard" }, { "data.csv", "standard" },
        { "server.log", "standard" }, { "README", "standard" }, { "archive.tar.gz", "standard" },
    };
    for (const auto& c : cases) EXPECT_EQ(definitionFor(c.fileName), c.definition) << c.fileName;
}

TEST(DefinitionChoice, EveryBundledDefinitionLoadsAndColours)
{
    const auto list = arrayWithContentsOfFile(realBundlePath() + "/SyntaxDefinitions.plist");
    ASSERT_TRUE(list.has_value());
    ASSERT_GE(list->size(), 12u);
    for (const PlistValue& item : *list) {
        const std::string file = item.objectForKey("file").asString();
        const auto definition = dictionaryWithContentsOfFile(realBundlePath() + "/Syntax Definitions/" + file + ".plist");
        ASSERT_TRUE(definition.has_value()) << file;
        const std::string extension = componentsSeparatedByString(item.objectForKey("extensions").asString(), " ").front();
        SyntaxColouring engine;
        LogCapture log;
        engine.setSyntaxDefinition("sample." + extension);
        EXPECT_EQ(engine.definitionName(), file);
        EXPECT_TRUE(engine.hasFirstStringPattern() && engine.hasSecondStringPattern()) << file;
        EXPECT_EQ(engine.keywords().empty(), file == "standard") << file;
        const std::string codes = colourText(engine, u"<a href=\"x\"> $v = 'y'; // c\n# d\n/* e */ <!-- f --> if x");
        EXPECT_EQ(log.lines(), (std::vector<std::string> { "setSyntaxDefiniton!", "Syntax-colored in 0 !" })) << file << " " << codes;
    }
}

TEST(DefinitionChoice, BundledLanguagesColourTheirOwnText)
{
    const auto coloured = [](const char* fileName, const std::u16string& text) {
        SyntaxColouring engine;
        engine.setSyntaxDefinition(fileName);
        return colourText(engine, text);
    };
    EXPECT_EQ(coloured("a.php", u"<?php $a = \"b\"; ?>"), "IIIIIIVVIIISSSIIII");
    EXPECT_EQ(coloured("a.html", u"<p class=\"x\">&amp; a</p>"), "CCAAAAAACSSSCKKKK...CCCC");
    EXPECT_EQ(coloured("a.html", u"<script><!-- go() --></script>"), std::string(30, 'C')) << "the hidden script stays as it was";
    EXPECT_EQ(coloured("a.html", u"<!-- a --><div>"), "MMMMMMMMMMCCCCC");
    EXPECT_EQ(coloured("a.py", u"#!/usr/bin/python\ndef f(): # c"), "..................KKK......MMM");
    EXPECT_EQ(coloured("a.css", u"p { background-color: red !important; }"), "....KKKKKKKKKKKKKKKK......KKKKKKKKKK...");
}

TEST(DefinitionChoice, ListRules)
{
    TemporaryBundle bundle;
    bundle.writeList(Array {
        "not a dictionary",
        Dict { { "name", "Broken" }, { "extensions", 42 } },
        entry("first", "aa bb"),
        entry("second", "bb  cc"), // two spaces: an empty piece
        Dict { { "name", "No file" }, { "extensions", "nf" } },
        Dict { { "name", "Other file" }, { "file", "missing" }, { "extensions", "mf" } },
    });
    EXPECT_EQ(definitionFor("x.bb"), "first") << "the earlier entry wins";
    EXPECT_EQ(definitionFor("x.CC"), "second");
    EXPECT_EQ(definitionFor("noextension"), "second") << "only an empty piece matches no extension";
    EXPECT_EQ(definitionFor("x.nf"), "standard") << "an entry without a file";
    EXPECT_EQ(definitionFor("x.zz"), "standard");

    // A definition that cannot be found leaves the plain fallback: font only, no colour.
    SyntaxColouring engine;
    engine.setSyntaxDefinition("x.mf");
    EXPECT_EQ(engine.definitionName(), "missing");
    EXPECT_EQ(colourText(engine, u"<a> \"s\" // c"), "............");
}

TEST(DefinitionChoice, BrokenOrMissingFilesFallBack)
{
    const std::string kGoodList = "good";
    const std::string kNoFile = "none";
    const struct {
        const char* name;
        std::string list;
        std::string definition;
    } cases[] = {
        { "list is not a property list", "<plist><array><dict>", kNoFile },
        { "list is a dictionary", "<plist version=\"1.0\"><dict/></plist>", kNoFile },
        { "list is missing", kNoFile, kNoFile },
        { "definition is missing", kGoodList, kNoFile },
        { "definition is garbage", kGoodList, std::string("\x00\x01garbage", 9) },
        { "definition is an array", kGoodList, "<plist version=\"1.0\"><array><string>x</string></array></plist>" },
        { "definition is truncated", kGoodList, "<plist version=\"1.0\"><dict><key>beginCommand</key><string><" },
    };
    for (const auto& c : cases) {
        TemporaryBundle bundle;
        if (c.list == kGoodList) bundle.writeList(Array { entry("test", "test") });
        else if (c.list != kNoFile) bundle.writeFile("SyntaxDefinitions.plist", c.list);
        if (c.definition != kNoFile) bundle.writeFile("Syntax Definitions/test.plist", c.definition);
        SyntaxColouring engine;
        engine.setSyntaxDefinition("x.test");
        EXPECT_EQ(colourText(engine, u"<a> \"s\""), ".......") << c.name;
    }
}

TEST(DefinitionLoading, WrongValueTypesLeaveDefaults)
{
    DefinitionEngine setup(Dict {
        { "keywords", "if" }, { "beginCommand", 5 }, { "endCommand", Array { ">" } }, { "firstString", true },
        { "keywordsCaseSensitive", "YES" }, { "beginVariable", Dict {} }, { "secondString", "'" },
        { "excludeFromKeywordStartCharacterSet", 3.5 }, { "autocompleteWords", Array { "x" } },
    });
    EXPECT_TRUE(setup.engine->keywords().empty());
    EXPECT_EQ(setup.colour(u"<a> \"s\" x 'y'"), "..........SSS");
}

TEST(DefinitionLoading, KeywordSetsAndCharacterSetEdits)
{
    DefinitionEngine setup(Dict {
        { "keywords", Array { "MixedCase", "", 7, "$var" } },
        { "includeInKeywordStartCharacterSet", "$" }, { "excludeFromKeywordStartCharacterSet", "$_" },
        { "excludeFromKeywordEndCharacterSet", "-" }, { "includeInKeywordEndCharacterSet", "q" },
    });
    EXPECT_EQ(setup.engine->keywords().count(u"mixedcase"), 1u) << "lowercased when not case-sensitive";
    EXPECT_TRUE(setup.engine->keywordStartCharacterSet().characterIsMember(u'$')) << "additions come last";
    EXPECT_FALSE(setup.engine->keywordStartCharacterSet().characterIsMember(u'_'));
    EXPECT_FALSE(setup.engine->keywordEndCharacterSet().characterIsMember(u'-'));
    EXPECT_TRUE(setup.engine->keywordEndCharacterSet().characterIsMember(u'q'));
    EXPECT_TRUE(setup.engine->keywordEndCharacterSet().characterIsMember(u'\n'));
    EXPECT_TRUE(setup.engine->attributesCharacterSet().characterIsMember(u' '));
    EXPECT_EQ(setup.colour(u"MIXEDCASE $VAR mixed-case"), "KKKKKKKKK.KKKK...........");
}

TEST(DefinitionLoading, ASecondDefinitionStartsFromTheDefaults)
{
    TemporaryBundle bundle;
    bundle.writeList(Array { entry("one", "one"), entry("two", "two") });
    bundle.writeDefinition("one", Dict { { "beginCommand", "<" }, { "endCommand", ">" }, { "includeInKeywordEndCharacterSet", "a" } });
    bundle.writeDefinition("two", Dict { { "firstString", "\"" } });
    SyntaxColouring engine;
    engine.setSyntaxDefinition("x.one");
    engine.setSyntaxDefinition("x.two");
    EXPECT_FALSE(engine.keywordEndCharacterSet().characterIsMember(u'a'));
    EXPECT_EQ(colourText(engine, u"<a> \"s\""), "....SSS");
}

TEST(DefinitionLoading, QuoteMarksThatAreSpecialToPatternsAreReadLiterally)
{
    const struct {
        const char* quote;
        const char* text;
        const char* codes;
    } cases[] = {
        { "]", "a ]x] b", "..SSS.." },
        { "^", "a ^x^ b", "..SSS.." },
        { "\\", "a \\x\\ b", "......." },       // a backslash escapes the closing mark too
        { "[", "a [x[ b", "..SSS.." },
        { ".", "a .x. b", "..SSS.." },
        { "\"", "a \"x\" b", "..SSS.." },
    };
    for (const auto& c : cases) {
        LogCapture log;
        DefinitionEngine setup(Dict { { "firstString", c.quote }, { "secondString", c.quote } });
        EXPECT_TRUE(setup.engine->hasFirstStringPattern()) << c.quote;
        EXPECT_EQ(setup.colour(utf8ToUtf16(c.text)), c.codes) << c.quote;
    }
    LogCapture log;
    DefinitionEngine bracket(Dict { { "firstString", "]" } });
    EXPECT_TRUE(log.contains("The first string mark \"]\" is special in patterns; it is read literally"));

    // A quote that is a NUL character colours nothing (a binary property list:
    // {firstString = "\0"; secondString = "'"}).
    const std::string nulQuote("\x62\x70\x6c\x69\x73\x74\x30\x30\xd2\x01\x02\x03\x04\x5b\x66\x69\x72\x73\x74\x53"
                               "\x74\x72\x69\x6e\x67\x5c\x73\x65\x63\x6f\x6e\x64\x53\x74\x72\x69\x6e\x67\x51\x00"
                               "\x51\x27\x08\x0d\x19\x26\x28\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00"
                               "\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x2a",
        79);
    TemporaryBundle bundle;
    bundle.writeList(Array { entry("test", "test") });
    bundle.writeFile("Syntax Definitions/test.plist", nulQuote);
    SyntaxColouring nul;
    nul.setSyntaxDefinition("x.test");
    EXPECT_TRUE(nul.hasSecondStringPattern());
    EXPECT_EQ(colourText(nul, u"a 'x' b"), "..SSS..");
}

TEST(ColourRecords, ValuesFontAndEquality)
{
    SyntaxColouring engine;
    ASSERT_TRUE(engine.font());
    EXPECT_EQ(engine.font()->name(), "Droid Sans Mono");
    EXPECT_EQ(engine.font()->size(), 14.0);

    const struct {
        NSAttributeDictionaryRef record;
        double red, green, blue;
    } cases[] = {
        { engine.commandsColour(), 0.01, 0.31, 0.17 }, { engine.commentsColour(), 0.63, 0.63, 0.63 },
        { engine.instructionsColour(), 0.0, 0.71, 0.64 }, { engine.keywordsColour(), 0.95, 0.44, 0.13 },
        { engine.stringsColour(), 0.03, 0.68, 0.82 }, { engine.variablesColour(), 0.39, 0.27, 0.44 },
        { engine.attributesColour(), 0.05, 0.32, 0.64 },
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.record->size(), 2u);
        const auto colour = c.record->valueForKey<CGColor>(kCTForegroundColorAttributeName);
        ASSERT_TRUE(colour);
        EXPECT_EQ(colour->red(), c.red);
        EXPECT_EQ(colour->green(), c.green);
        EXPECT_EQ(colour->blue(), c.blue);
        EXPECT_EQ(colour->alpha(), 1.0);
        EXPECT_TRUE(c.record->objectForKey(kCTFontAttributeName)->isEqual(*engine.font()));
    }
    EXPECT_EQ(engine.standardColour()->size(), 1u);

    // Records built again with an equal font are equal; a different font makes them differ.
    const auto before = engine.commandsColour();
    engine.setFont(CTFontCreateWithName("Droid Sans Mono", 14.0));
    EXPECT_NE(before.get(), engine.commandsColour().get());
    EXPECT_TRUE(NSAttributeDictionaryEqual(before, engine.commandsColour()));
    engine.setFont(CTFontCreateWithName("Droid Sans Mono", 11.0));
    EXPECT_FALSE(NSAttributeDictionaryEqual(before, engine.commandsColour()));
    EXPECT_EQ(engine.font()->size(), 11.0);
}

TEST(ColourRecords, StandardsRemoveColourAndSetUpLogs)
{
    LogCapture log;
    SyntaxColouring engine(u"ignored");
    engine.setSyntaxDefinition("x.txt");
    EXPECT_EQ(log.lines(), (std::vector<std::string> { "initWithText!", "setSyntaxDefiniton!" }));
    EXPECT_EQ(engine.completeString(), u"ignored");
    EXPECT_TRUE(engine.reactToChanges());

    auto view = std::make_shared<RecordingTextView>(u"abcdef");
    engine.setTextView(view);
    engine.setColour(engine.keywordsColour(), NSRange { 0, 6 });
    engine.setStandardsInRange(NSRange { 1, 3 });
    EXPECT_EQ(colourCodes(engine, view->text), "K...KK");
    engine.removeColoursFromRange(NSRange { 4, 2 });
    EXPECT_EQ(view->text.attributesAtIndex(5, nullptr).size(), 1u) << "only the font is left";

    // The engine does not keep its view alive.
    view.reset();
    EXPECT_EQ(engine.textView(), nullptr);
    engine.setColour(engine.keywordsColour(), NSRange { 0, 1 });
}
