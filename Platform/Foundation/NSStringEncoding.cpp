#include "Platform/Foundation/NSStringEncoding.h"

#include "Platform/Foundation/NSString.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Mac OS Roman, bytes 0x80 to 0xFF (0x00 to 0x7F are ASCII). 0xDB is the euro sign and 0xF0
// the private-use Apple logo, as in the current published mapping.
constexpr std::array<char16_t, 128> kMacRomanHigh = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, // 0x80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8, // 0x88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, // 0x90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, // 0x98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF, // 0xA0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, // 0xA8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, // 0xB0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, // 0xB8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, // 0xC0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, // 0xC8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, // 0xD0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, // 0xD8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, // 0xE0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, // 0xE8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC, // 0xF0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7, // 0xF8
};

// The table reversed and sorted by character, for encoding.
const std::array<std::pair<char16_t, unsigned char>, 128>& macRomanReverse()
{
    static const auto reverse = [] {
        std::array<std::pair<char16_t, unsigned char>, 128> table {};
        for (std::size_t i = 0; i < kMacRomanHigh.size(); ++i)
            table[i] = { kMacRomanHigh[i], static_cast<unsigned char>(0x80 + i) };
        std::sort(table.begin(), table.end());
        return table;
    }();
    return reverse;
}

std::optional<char> macRomanByte(char16_t unit)
{
    if (unit < 0x80)
        return static_cast<char>(unit);
    const auto& table = macRomanReverse();
    const auto found = std::lower_bound(table.begin(), table.end(), std::pair<char16_t, unsigned char> { unit, 0 });
    if (found == table.end() || found->first != unit)
        return std::nullopt;
    return static_cast<char>(found->second);
}

// Encodings that map one byte to one UTF-16 unit.
template <typename ByteFor>
std::optional<NSData> encodeSingleByte(std::u16string_view text, ByteFor byteFor)
{
    NSData out;
    out.reserve(text.size());
    for (const char16_t unit : text) {
        const std::optional<char> byte = byteFor(unit);
        if (!byte)
            return std::nullopt;
        out.push_back(*byte);
    }
    return out;
}

} // namespace

std::optional<std::u16string> stringFromData(std::string_view bytes, NSStringEncoding encoding)
{
    switch (encoding) {
    case NSUTF8StringEncoding:
        return utf8ToUtf16Strict(bytes);
    case NSISOLatin1StringEncoding: {
        std::u16string text(bytes.size(), u'\0');
        std::transform(bytes.begin(), bytes.end(), text.begin(), [](char b) { return static_cast<char16_t>(static_cast<unsigned char>(b)); });
        return text;
    }
    case NSASCIIStringEncoding: {
        std::u16string text;
        text.reserve(bytes.size());
        for (const char b : bytes) {
            if (static_cast<unsigned char>(b) >= 0x80)
                return std::nullopt;
            text.push_back(static_cast<char16_t>(b));
        }
        return text;
    }
    case NSMacOSRomanStringEncoding: {
        std::u16string text(bytes.size(), u'\0');
        std::transform(bytes.begin(), bytes.end(), text.begin(), [](char b) {
            const auto byte = static_cast<unsigned char>(b);
            return byte < 0x80 ? static_cast<char16_t>(byte) : kMacRomanHigh[byte - 0x80];
        });
        return text;
    }
    case NSUTF16LittleEndianStringEncoding: {
        if (bytes.size() % 2 != 0)
            return std::nullopt;
        std::u16string text(bytes.size() / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
        return text;
    }
    }
    return std::nullopt;
}

std::optional<std::string> utf8StringFromData(std::string_view bytes, NSStringEncoding encoding)
{
    if (encoding == NSUTF8StringEncoding)
        return utf8ToUtf16Strict(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    const auto text = stringFromData(bytes, encoding);
    if (!text)
        return std::nullopt;
    return utf16ToUtf8(*text);
}

std::optional<NSData> dataUsingEncoding(std::u16string_view text, NSStringEncoding encoding)
{
    switch (encoding) {
    case NSUTF8StringEncoding: {
        // An unpaired surrogate cannot be written as UTF-8.
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i];
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
                ++i;
            else if (unit >= 0xD800 && unit <= 0xDFFF)
                return std::nullopt;
        }
        return utf16ToUtf8(text);
    }
    case NSISOLatin1StringEncoding:
        return encodeSingleByte(text, [](char16_t unit) { return unit <= 0xFF ? std::optional<char>(static_cast<char>(unit)) : std::nullopt; });
    case NSASCIIStringEncoding:
        return encodeSingleByte(text, [](char16_t unit) { return unit < 0x80 ? std::optional<char>(static_cast<char>(unit)) : std::nullopt; });
    case NSMacOSRomanStringEncoding:
        return encodeSingleByte(text, macRomanByte);
    case NSUTF16LittleEndianStringEncoding: {
        NSData out(text.size() * 2, '\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            out[2 * i] = static_cast<char>(text[i] & 0xFF);
            out[2 * i + 1] = static_cast<char>(text[i] >> 8);
        }
        return out;
    }
    }
    return std::nullopt;
}

std::optional<NSData> dataUsingEncoding(std::string_view utf8, NSStringEncoding encoding)
{
    if (encoding == NSUTF8StringEncoding)
        return utf8ToUtf16Strict(utf8) ? std::optional<NSData>(utf8) : std::nullopt;
    const auto text = utf8ToUtf16Strict(utf8);
    if (!text)
        return std::nullopt;
    return dataUsingEncoding(std::u16string_view(*text), encoding);
}
