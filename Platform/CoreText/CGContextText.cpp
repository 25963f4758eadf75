#include "Platform/CoreText/CGContextText.h"

#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSStringEncoding.h"

namespace {

// Gutter numbers arrive as bytes in the platform's text encoding, Mac OS Roman, which maps
// every byte.
std::u16string decodeMacRoman(const char* bytes, std::size_t length)
{
    return stringFromData(std::string_view(bytes, length), NSMacOSRomanStringEncoding).value_or(std::u16string());
}

}

void CGContextSelectFont(CGContextRef c, const char* name, CGFloat size, CGTextEncoding)
{
    if (c && name) {
        c->state().font = CTFontCreateWithName(name, size);
        c->state().fontSize = size;
    }
}

void CGContextSetFont(CGContextRef c, const CTFontRef& font)
{
    if (c && font) {
        c->state().font = font;
    }
}

void CGContextSetFontSize(CGContextRef c, CGFloat size)
{
    if (c && size > 0) {
        c->state().fontSize = size;
    }
}

void CGContextShowText(CGContextRef c, const char* bytes, std::size_t length)
{
    if (!c || !bytes) {
        return;
    }
    auto font = std::dynamic_pointer_cast<const CTFont>(c->state().font);
    if (!font) {
        font = CTFontCreateWithName("Helvetica", c->state().fontSize);
    } else if (font->size() != c->state().fontSize) {
        font = CTFontCreateCopyWithSize(font, c->state().fontSize);
    }
    NSAttributeDictionary attributes;
    attributes[kCTFontAttributeName] = font;
    attributes[kCTForegroundColorAttributeName] = c->state().fillColor;
    const CTLineRef line = CTLineCreateWithAttributedString(NSAttributedString(decodeMacRoman(bytes, length), attributes));
    CTLineDraw(line, c);
    const CGPoint position = CGContextGetTextPosition(c);
    CGContextSetTextPosition(c, position.x + line->width(), position.y);
}

void CGContextShowTextAtPoint(CGContextRef c, CGFloat x, CGFloat y, const char* bytes, std::size_t length)
{
    CGContextSetTextPosition(c, x, y);
    CGContextShowText(c, bytes, length);
}
