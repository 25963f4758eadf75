#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/Foundation/NSAttributedString.h"

namespace graphics_test {

// The code font at a size (the alias table maps it to an installed monospace face).
CTFontRef codeFont(double size = 10);

// An attributed string in one font, optionally with a colour.
NSAttributedString attributed(const std::u16string& text, const CTFontRef& font, const CGColorRef& color = nullptr);

CTFramesetterRef framesetter(const std::u16string& text, double fontSize = 10);

// A bitmap context with y upward (as a flipped layer draws), filled white.
std::unique_ptr<CGContext> whiteCanvas(double width, double height, double scale = 1);

// Writes the context's picture beside the test program (graphics-png/<name>.png) for people to
// look at; answers the path.
std::string keepPng(CGContext& context, const std::string& name);

// Pixels of the picture (row 0 at the top) darker than the threshold in a box of pixels.
std::size_t inkCount(const CGImage& image, std::size_t x0, std::size_t y0, std::size_t x1, std::size_t y1, int threshold = 128);

}
