#include "Classes/Controller/UIColorHexColor.h"

#include <string>

namespace UIColorHexColor {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}

std::optional<Components> parseHexColor(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c == '#')
            continue;
        // Hex digits beyond the eighth are ignored, but anything else makes the text no colour.
        if (hexDigit(c) < 0)
            return std::nullopt;
        digits += c;
    }
    if (digits.size() == 3)
        digits = std::string { digits[0], digits[0], digits[1], digits[1], digits[2], digits[2] };
    if (digits.size() == 6)
        digits += "ff";
    if (digits.size() < 8)
        return std::nullopt;
    unsigned bytes[4];
    for (int i = 0; i < 4; ++i) {
        const int high = hexDigit(digits[2 * i]);
        const int low = hexDigit(digits[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = static_cast<unsigned>(high * 16 + low);
    }
    return Components { bytes[0], bytes[1], bytes[2], bytes[3] };
}

UIColorRef colorWithHexString(std::string_view text)
{
    const auto parts = parseHexColor(text);
    if (!parts)
        return UIColor::blackColor();
    return UIColor::colorWithRed(parts->red / 255.0, parts->green / 255.0, parts->blue / 255.0, parts->alpha / 255.0);
}

}
