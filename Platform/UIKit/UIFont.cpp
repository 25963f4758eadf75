#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIStringDrawing.h"

#include <functional>

#include "Platform/CoreText/CTFontFace.h"
#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"

namespace {
// The system font of the platform the screens were designed on; the alias table maps it.
constexpr char kSystemFontName[] = "Helvetica";
constexpr char kBoldSystemFontName[] = "Helvetica-Bold";
constexpr char kItalicSystemFontName[] = "Helvetica-Oblique";
constexpr CGFloat kSystemFontSize = 14.0;
}

UIFont::UIFont(CTFontRef font)
    : font_(std::move(font))
{
}

UIFontRef UIFont::fontWithName(const std::string& fontName, CGFloat size)
{
    return std::make_shared<const UIFont>(CTFontCreateWithName(fontName, size));
}

UIFontRef UIFont::systemFontOfSize(CGFloat size) { return fontWithName(kSystemFontName, size); }
UIFontRef UIFont::boldSystemFontOfSize(CGFloat size) { return fontWithName(kBoldSystemFontName, size); }
UIFontRef UIFont::italicSystemFontOfSize(CGFloat size) { return fontWithName(kItalicSystemFontName, size); }
CGFloat UIFont::systemFontSize() { return kSystemFontSize; }

UIFontRef UIFont::fontWithSize(CGFloat size) const
{
    return std::make_shared<const UIFont>(CTFontCreateCopyWithSize(font_, size));
}

const std::string& UIFont::fontName() const { return font_->name(); }
std::string UIFont::familyName() const { return CTFontCopyFamilyName(font_); }
CGFloat UIFont::pointSize() const { return font_->size(); }
CGFloat UIFont::ascender() const { return font_->ascent(); }
CGFloat UIFont::descender() const { return -font_->descent(); }
CGFloat UIFont::lineHeight() const { return font_->ascent() + font_->descent() + font_->leading(); }
// The platform these screens were written for answers the line height here, and the caret
// arithmetic of the text view ("one leading below the last line") relies on it.
CGFloat UIFont::leading() const { return lineHeight(); }

CGFloat UIFont::capHeight() const
{
    return font_->face() ? font_->face()->capHeight() * font_->size() : 0.7 * font_->size();
}

CGFloat UIFont::xHeight() const
{
    return font_->face() ? font_->face()->xHeight() * font_->size() : 0.5 * font_->size();
}

bool UIFont::isEqual(const NSObject& other) const
{
    const auto* font = dynamic_cast<const UIFont*>(&other);
    return font && font_->isEqual(*font->font_);
}

std::size_t UIFont::hash() const { return font_->hash(); }

CGSize sizeWithFont(const std::u16string& text, const UIFontRef& font)
{
    if (!font) {
        return CGSizeZero;
    }
    NSAttributeDictionary attributes;
    attributes[kCTFontAttributeName] = font->CTFont();
    const CTLineRef line = CTLineCreateWithAttributedString(NSAttributedString(text, attributes));
    return { line->width(), font->lineHeight() };
}

CGSize sizeWithFontConstrainedToSize(const std::u16string& text, const UIFontRef& font, CGSize size)
{
    // The lines a label would show: one layout for measuring and drawing.
    return sizeWithFontConstrainedToSize(text, font, size, UILineBreakModeWordWrap);
}
