#pragma once

#include <memory>
#include <string>

#include "Platform/CoreText/CTFont.h"
#include "Platform/Foundation/NSObject.h"

class UIFont;
using UIFontRef = std::shared_ptr<const UIFont>;

// An interface font; compared by face and size. Its drawing form is a CTFont.
class UIFont : public NSObject, public CTFontConvertible {
public:
    explicit UIFont(CTFontRef font);

    static UIFontRef fontWithName(const std::string& fontName, CGFloat size);
    static UIFontRef systemFontOfSize(CGFloat size);
    static UIFontRef boldSystemFontOfSize(CGFloat size);
    static UIFontRef italicSystemFontOfSize(CGFloat size);
    static CGFloat systemFontSize();

    UIFontRef fontWithSize(CGFloat size) const;

    const std::string& fontName() const;
    std::string familyName() const;
    CGFloat pointSize() const;
    CGFloat ascender() const;
    // Negative: below the baseline.
    CGFloat descender() const;
    // Distance from one baseline to the next, as the platform's leading answers it.
    CGFloat leading() const;
    CGFloat lineHeight() const;
    CGFloat capHeight() const;
    CGFloat xHeight() const;

    const CTFontRef& CTFont() const { return font_; }
    const CTFontRef& drawingFont() const override { return font_; }

    bool isEqual(const NSObject& other) const override;
    std::size_t hash() const override;

private:
    CTFontRef font_;
};

// The string-measuring additions of the interface: the size of a text drawn in a font on one
// line (hard breaks kept as characters), and wrapped by words within a size.
CGSize sizeWithFont(const std::u16string& text, const UIFontRef& font);
CGSize sizeWithFontConstrainedToSize(const std::u16string& text, const UIFontRef& font, CGSize size);
