#pragma once

#include <string_view>

#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSString.h"

// How the colouring engine writes colours onto its text view and reads them back. Ranges are
// UTF-16 ranges of the whole text being coloured. Every operation is optional: the defaults do
// nothing and answer no attributes (which never equal a colour record).
class SyntaxColouringDelegate {
public:
    virtual ~SyntaxColouringDelegate() = default;

    // Replaces every attribute of the range by the given set (a colour record carries the font too).
    virtual void setTemporaryAttributesForCharacterRange(const NSAttributeDictionaryRef& attributes, NSRange range) { }
    // Removes one attribute from the range.
    virtual void removeTemporaryAttributeForCharacterRange(std::string_view name, NSRange range) { }
    // The attributes at the index (null for none) and, when asked, the range they cover.
    virtual NSAttributeDictionaryRef temporaryAttributesAtCharacterIndex(NSUInteger index, NSRange* effectiveRange)
    {
        return nullptr;
    }
};
