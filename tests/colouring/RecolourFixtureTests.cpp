// Speed work on the passes must not change a single colour: random texts built from every
// definition's markers are coloured with each definition of the bundle and compared with the
// colours recorded in recolour-fixtures.txt. To record them again (only when a colour change is
// intended), run with LEXIPHANT_RECORD_COLOUR_FIXTURES=1.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSPropertyList.h"
#include "Platform/Foundation/NSString.h"
#include "tests/colouring/ColouringTestSupport.h"

namespace {

// Reproducible on every platform: no library distribution in between.
class SplitMix {
public:
    explicit SplitMix(std::uint64_t seed) : state_(seed) { }
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

private:
    std::uint64_t state_;
};

// The markers of every definition, the characters their special rules look at, and filler.
const char* const kTokens[] = {
    "\"", "'", "\\", "\\\"", "\\'", "\n", "\r\n", " ", " ", "a", "x1", "if", "echo", "function", "<", ">", "</", "/*",
    "*/", "//", "#", "#!", "$", "$x", "%", "%%", "@", "&", ":", ";", "=", "[", "]", "<!--", "-->", "<?", "?>", "<%",
    "%>", "=pod", "=cut", "=begin", "=end", "<![CDATA[", "]]>", "</script>", "</style>", "\t", "-", "_", "(", ")",
    "\xC3\xA9", "\xE2\x80\xA8",
    // Perl: a CGI call with "=head" inside a line, and POD markers that open and close nothing there.
    "$out=header(", "=head1", "x=cut",
};

std::u16string randomText(SplitMix& random, std::size_t tokens)
{
    std::string text;
    for (std::size_t i = 0; i < tokens; ++i) text += kTokens[random.below(std::size(kTokens))];
    return utf8ToUtf16(text);
}

std::uint64_t fnv1a(const std::string& bytes)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3ull;
    return hash;
}

std::string fixturePath()
{
#ifdef LEXIPHANT_SOURCE_DIR
    return LEXIPHANT_SOURCE_DIR "/tests/colouring/recolour-fixtures.txt";
#else
    return "tests/colouring/recolour-fixtures.txt";
#endif
}

// One file name per definition of the bundle list.
std::map<std::string, std::string> fileNamePerDefinition()
{
    std::map<std::string, std::string> names;
    const auto list = arrayWithContentsOfFile(realBundlePath() + "/SyntaxDefinitions.plist");
    if (!list) return names;
    for (const PlistValue& item : *list) {
        const PlistValue& extensions = item.objectForKey("extensions");
        if (!extensions.isString()) continue;
        for (const std::string& extension : componentsSeparatedByString(extensions.asString(), " ")) {
            for (const std::string& candidate : { "sample." + extension, "." + extension }) {
                SyntaxColouring engine;
                engine.setSyntaxDefinition(candidate);
                if (!names.contains(engine.definitionName())) names.emplace(engine.definitionName(), candidate);
            }
        }
    }
    return names;
}

constexpr int kTextsPerDefinition = 400;

// Sixteen bits of each text's colours are plenty to catch a change: one line per definition,
// four hex digits per text.
std::uint16_t colourDigest(const std::string& codes)
{
    return static_cast<std::uint16_t>(fnv1a(codes));
}

} // namespace

TEST(RecolourFixtures, EveryBundleDefinitionColoursAsRecorded)
{
    const auto names = fileNamePerDefinition();
    ASSERT_GE(names.size(), 10u);

    std::map<std::string, std::string> recorded;
    {
        std::ifstream in(fixturePath());
        std::string definition;
        std::string digests;
        while (in >> definition >> digests) recorded[definition] = digests;
    }
    const bool record = std::getenv("LEXIPHANT_RECORD_COLOUR_FIXTURES") != nullptr;
    std::ostringstream out;

    for (const auto& [definition, fileName] : names) {
        SyntaxColouring engine;
        engine.setSyntaxDefinition(fileName);
        const std::string& digests = recorded[definition];
        ASSERT_TRUE(record || digests.size() == 4 * kTextsPerDefinition) << definition << " was never recorded";
        out << definition << ' ';
        SplitMix random(fnv1a(definition));
        for (int i = 0; i < kTextsPerDefinition; ++i) {
            // Mostly short texts, where every rule meets the edges of the text, some long ones.
            const std::size_t tokens = i % 10 == 9 ? 200 + random.below(600) : random.below(60);
            const std::u16string text = randomText(random, tokens);
            char digest[5];
            std::snprintf(digest, sizeof digest, "%04x", colourDigest(colourText(engine, text)));
            out << digest;
            if (!record) {
                EXPECT_EQ(digests.substr(4 * i, 4), digest)
                    << definition << " text " << i << " colours differently: " << utf16ToUtf8(text);
            }
        }
        out << '\n';
    }
    if (record) {
        std::ofstream(fixturePath()) << out.str();
        GTEST_SKIP() << "recorded " << fixturePath();
    }
    EXPECT_EQ(recorded.size(), names.size()) << "a definition of the recording is gone";
}

// POD: documentation opens with "=head1" or "=pod" at the start of a line and ends at a line
// starting "=cut"; code before and after it keeps its own colours. Inside a line "=head" is code
// (the CGI idiom) and "=cut" ends nothing. A block on the text's very first line stays code.
TEST(BundleDefinitions, PerlDocumentationFromHeadOrPodThroughCut)
{
    SyntaxColouring engine;
    engine.setSyntaxDefinition("script.pl");
    ASSERT_EQ(engine.definitionName(), "perl");
    const struct {
        const char* text;
        const char* codes;
    } cases[] = {
        { "x\n=head1 NAME\nx 'a'\n=cut\nBEGIN", ".MMMMMMMMMMMMMMMMMMMMMMM.KKKKK" },
        { "x\n=pod\ny=cut\n=cut\nEND", ".MMMMMMMMMMMMMMMM.KKK" },
        { "BEGIN\n=head2 A\n=cut\n", "KKKKKMMMMMMMMMMMMMM." },
        { "my $out=header(1);\nprint $out;", "KK.VVVV............KKKKK.VVVV." },
        { "=pod\nx\n=cut\nEND", "............KKK" },
        { "$x = '=head1';", "VV...SSSSSSSS." }, // a marker inside a string opens nothing
    };
    for (const auto& c : cases) EXPECT_EQ(colourText(engine, utf8ToUtf16(c.text)), c.codes) << c.text;
}
