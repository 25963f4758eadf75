#pragma once

// A set of UTF-16 units, tested in constant time. A value type: copies are independent.
// The class sets are built once per process from ICU's character properties.

#include <bitset>
#include <string_view>

class NSCharacterSet {
public:
    NSCharacterSet() = default; // empty

    // General categories L* and M*.
    static NSCharacterSet letterCharacterSet();
    // L*, M* and N*.
    static NSCharacterSet alphanumericCharacterSet();
    // P*.
    static NSCharacterSet punctuationCharacterSet();
    // S*.
    static NSCharacterSet symbolCharacterSet();
    // Zs and tab.
    static NSCharacterSet whitespaceCharacterSet();
    // Z*, U+0009 to U+000D and U+0085.
    static NSCharacterSet whitespaceAndNewlineCharacterSet();
    // U+000A to U+000D, U+0085, U+2028, U+2029.
    static NSCharacterSet newlineCharacterSet();
    // Nd.
    static NSCharacterSet decimalDigitCharacterSet();
    // The units of `characters`.
    static NSCharacterSet characterSetWithCharactersInString(std::u16string_view characters);

    bool characterIsMember(char16_t unit) const { return bits_.test(unit); }

    void addCharactersInString(std::u16string_view characters);
    void removeCharactersInString(std::u16string_view characters);
    void formUnionWithCharacterSet(const NSCharacterSet& other);
    void formIntersectionWithCharacterSet(const NSCharacterSet& other);
    void invert();
    NSCharacterSet invertedSet() const;

    bool operator==(const NSCharacterSet& other) const = default;

private:
    std::bitset<0x10000> bits_;
};
