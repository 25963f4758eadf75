#include "Platform/Foundation/NSCharacterSet.h"

#include <unicode/uchar.h>

namespace {

// Every UTF-16 unit whose general category is in `mask` (surrogate halves are Cs).
NSCharacterSet setOfCategories(uint32_t mask, std::u16string_view extra = {})
{
    NSCharacterSet set;
    std::u16string members;
    for (UChar32 c = 0; c <= 0xFFFF; ++c) {
        if (U_GET_GC_MASK(c) & mask)
            members.push_back(static_cast<char16_t>(c));
    }
    members.append(extra);
    set.addCharactersInString(members);
    return set;
}

} // namespace

NSCharacterSet NSCharacterSet::letterCharacterSet()
{
    static const NSCharacterSet set = setOfCategories(U_GC_L_MASK | U_GC_M_MASK);
    return set;
}

NSCharacterSet NSCharacterSet::alphanumericCharacterSet()
{
    static const NSCharacterSet set = setOfCategories(U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK);
    return set;
}

NSCharacterSet NSCharacterSet::punctuationCharacterSet()
{
    static const NSCharacterSet set = setOfCategories(U_GC_P_MASK);
    return set;
}

NSCharacterSet NSCharacterSet::symbolCharacterSet()
{
    static const NSCharacterSet set = setOfCategories(U_GC_S_MASK);
    return set;
}

NSCharacterSet NSCharacterSet::whitespaceCharacterSet()
{
    static const NSCharacterSet set = setOfCategories(U_GC_ZS_MASK, u"\t");
    return set;
}

NSCharacterSet NSCharacterSet::whitespaceAndNewlineCharacterSet()
{
    static const NSCharacterSet set = setOfCategories(U_GC_Z_MASK, u"\t\n\v\f\r\u0085");
    return set;
}

NSCharacterSet NSCharacterSet::newlineCharacterSet()
{
    static const NSCharacterSet set = characterSetWithCharactersInString(u"\n\v\f\r\u0085\u2028\u2029");
    return set;
}

NSCharacterSet NSCharacterSet::decimalDigitCharacterSet()
{
    static const NSCharacterSet set = setOfCategories(U_GC_ND_MASK);
    return set;
}

NSCharacterSet NSCharacterSet::characterSetWithCharactersInString(std::u16string_view characters)
{
    NSCharacterSet set;
    set.addCharactersInString(characters);
    return set;
}

void NSCharacterSet::addCharactersInString(std::u16string_view characters)
{
    for (const char16_t unit : characters)
        bits_.set(unit);
}

void NSCharacterSet::removeCharactersInString(std::u16string_view characters)
{
    for (const char16_t unit : characters)
        bits_.reset(unit);
}

void NSCharacterSet::formUnionWithCharacterSet(const NSCharacterSet& other) { bits_ |= other.bits_; }
void NSCharacterSet::formIntersectionWithCharacterSet(const NSCharacterSet& other) { bits_ &= other.bits_; }
void NSCharacterSet::invert() { bits_.flip(); }

NSCharacterSet NSCharacterSet::invertedSet() const
{
    NSCharacterSet inverted = *this;
    inverted.invert();
    return inverted;
}
