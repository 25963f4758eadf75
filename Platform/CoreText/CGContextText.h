#pragma once

#include <cstddef>
#include <string>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreText/CTFont.h"

// The context's own text drawing: a font chosen by name and bytes shown at a point. It lives
// with the layout code because glyphs come from the same fonts and shaper.

enum CGTextEncoding { kCGEncodingFontSpecific, kCGEncodingMacRoman };

void CGContextSelectFont(CGContextRef c, const char* name, CGFloat size, CGTextEncoding encoding);
void CGContextSetFont(CGContextRef c, const CTFontRef& font);
void CGContextSetFontSize(CGContextRef c, CGFloat size);
// Draws length bytes of text (Mac OS Roman) in the selected font and the fill colour with the
// baseline's start at (x, y), upright where y runs upward; the text position moves past it.
void CGContextShowTextAtPoint(CGContextRef c, CGFloat x, CGFloat y, const char* bytes, std::size_t length);
void CGContextShowText(CGContextRef c, const char* bytes, std::size_t length);
