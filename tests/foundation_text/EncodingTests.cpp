#include "Platform/Foundation/NSStringEncoding.h"
#include "Platform/Foundation/NSString.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <memory>

namespace {

std::string allBytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

} // namespace

TEST(Encoding, MacRomanAll256BytesRoundTrip)
{
    const std::string bytes = allBytes();
    const auto text = stringFromData(bytes, NSMacOSRomanStringEncoding);
    ASSERT_TRUE(text);
    ASSERT_EQ(text->size(), 256u);
    EXPECT_EQ(dataUsingEncoding(std::u16string_view(*text), NSMacOSRomanStringEncoding), bytes);
}

TEST(Encoding, MacRomanTableMatchesIcuConverter)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open("macintosh", &status), ucnv_close);
    ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    const std::string bytes = allBytes();
    std::u16string expected(512, u'\0');
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(expected.data()), 512, bytes.data(), 256, &status);
    ASSERT_TRUE(U_SUCCESS(status));
    expected.resize(static_cast<std::size_t>(length));
    const auto text = stringFromData(bytes, NSMacOSRomanStringEncoding);
    ASSERT_TRUE(text);
    for (std::size_t i = 0x80; i < 256; ++i)
        EXPECT_EQ(static_cast<int>((*text)[i]), static_cast<int>(expected[i])) << "byte " << i;
}

TEST(Encoding, MacRomanRefusesCharactersItCannotHold)
{
    EXPECT_EQ(dataUsingEncoding(std::u16string_view(u"caf\u00e9 \u20ac"), NSMacOSRomanStringEncoding), std::string("caf\x8e \xdb"));
    EXPECT_FALSE(dataUsingEncoding(std::u16string_view(u"\u00bd"), NSMacOSRomanStringEncoding)); // one half: not in the set
    EXPECT_FALSE(dataUsingEncoding(std::u16string_view(u"\u4e2d"), NSMacOSRomanStringEncoding));
    EXPECT_FALSE(dataUsingEncoding(std::string_view("\xF0\x9F\x98\x80"), NSMacOSRomanStringEncoding)); // emoji
}

TEST(Encoding, Utf8IsStrictAndKeepsByteOrderMark)
{
    EXPECT_EQ(stringFromData("\xEF\xBB\xBFx", NSUTF8StringEncoding), std::u16string(u"\uFEFFx"));
    EXPECT_EQ(utf8StringFromData("\xEF\xBB\xBFx", NSUTF8StringEncoding), std::string("\xEF\xBB\xBFx"));
    EXPECT_EQ(stringFromData("", NSUTF8StringEncoding), std::u16string());
    EXPECT_EQ(stringFromData(std::string("a\0b", 3), NSUTF8StringEncoding), std::u16string(u"a\0b", 3));
    EXPECT_EQ(stringFromData("\xF0\x9F\x98\x80", NSUTF8StringEncoding), std::u16string(u"\U0001F600"));
    for (const char* bad : { "\xC3", "\xC3(", "\xFF", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ok\x80" })
        EXPECT_FALSE(stringFromData(bad, NSUTF8StringEncoding)) << bad;
}

TEST(Encoding, Latin1NeverFailsDecodingButRefusesWideCharacters)
{
    const std::string bytes = allBytes();
    const auto text = stringFromData(bytes, NSISOLatin1StringEncoding);
    ASSERT_TRUE(text);
    for (std::size_t i = 0; i < 256; ++i)
        EXPECT_EQ(static_cast<int>((*text)[i]), static_cast<int>(i));
    EXPECT_EQ(dataUsingEncoding(std::u16string_view(*text), NSISOLatin1StringEncoding), bytes);
    EXPECT_EQ(utf8StringFromData("caf\xE9", NSISOLatin1StringEncoding), std::string("caf\xC3\xA9"));
    EXPECT_FALSE(dataUsingEncoding(std::u16string_view(u"\u0100"), NSISOLatin1StringEncoding));
}

TEST(Encoding, AsciiFailsOnHighBytes)
{
    EXPECT_EQ(stringFromData("plain\x7F", NSASCIIStringEncoding), std::u16string(u"plain\x7F"));
    EXPECT_FALSE(stringFromData("caf\xE9", NSASCIIStringEncoding));
    EXPECT_FALSE(dataUsingEncoding(std::u16string_view(u"\u00e9"), NSASCIIStringEncoding));
    EXPECT_EQ(dataUsingEncoding(std::string_view("abc"), NSASCIIStringEncoding), std::string("abc"));
}

TEST(Encoding, Utf16LittleEndianBothWays)
{
    const std::u16string text = u"A\u00e9\U0001F600";
    const auto bytes = dataUsingEncoding(std::u16string_view(text), NSUTF16LittleEndianStringEncoding);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, std::string("A\0\xE9\0\x3D\xD8\x00\xDE", 8));
    EXPECT_EQ(stringFromData(*bytes, NSUTF16LittleEndianStringEncoding), text);
    EXPECT_FALSE(stringFromData("abc", NSUTF16LittleEndianStringEncoding)); // odd length
}

TEST(Encoding, Utf8EncodingRefusesUnpairedSurrogatesAndBadInput)
{
    EXPECT_FALSE(dataUsingEncoding(std::u16string_view(u"a\xD800" "b"), NSUTF8StringEncoding));
    EXPECT_FALSE(dataUsingEncoding(std::u16string_view(u"\xDC00"), NSUTF8StringEncoding));
    EXPECT_FALSE(dataUsingEncoding(std::string_view("\xFF"), NSISOLatin1StringEncoding));
    EXPECT_FALSE(stringFromData("x", static_cast<NSStringEncoding>(99)));
}

// The listing decoder undoes a Mac OS Roman reading of UTF-8 names: bytes -> Roman text ->
// bytes must give back the server's bytes exactly.
TEST(Encoding, MacRomanReadingOfUtf8NameReencodes)
{
    const std::string name = "M\xC3\xBCller #1 \xE2\x82\xAC.txt";
    const auto roman = stringFromData(name, NSMacOSRomanStringEncoding);
    ASSERT_TRUE(roman);
    const auto back = dataUsingEncoding(std::u16string_view(*roman), NSMacOSRomanStringEncoding);
    ASSERT_TRUE(back);
    EXPECT_EQ(utf8StringFromData(*back, NSUTF8StringEncoding), name);
}
