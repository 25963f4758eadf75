#include "Platform/CoreText/CGContextText.h"

#include <unicode/ucnv.h>

#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"

namespace {

struct ConverterDeleter {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

std::u16string decodeMacRoman(const char* bytes, std::size_t length)
{
    std::u16string out;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterDeleter> converter(ucnv_open("macintosh", &status));
    if (U_SUCCESS(status)) {
        out.resize(length * 2 + 1);
        const int32_t n = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                        bytes, static_cast<int32_t>(length), &status);
        if (U_SUCCESS(status)) {
            out.resize(static_cast<std::size_t>(n));
            return out;
        }
    }
    // Without the converter the bytes still show: ASCII is the same in every case that matters.
    out.clear();
    for (std::size_t i = 0; i < length; ++i) {
        out.push_back(static_cast<unsigned char>(bytes[i]));
    }
    return out;
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
