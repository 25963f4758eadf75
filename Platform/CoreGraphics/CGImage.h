#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSData.h"

typedef struct _cairo_surface cairo_surface_t;

class CGImage;
using CGImageRef = std::shared_ptr<const CGImage>;

// A bitmap in device pixels: premultiplied 32-bit ARGB (Cairo's image format), row 0 at the top.
class CGImage {
public:
    // Takes over one reference to an image surface.
    explicit CGImage(cairo_surface_t* surface);
    ~CGImage();
    CGImage(const CGImage&) = delete;
    CGImage& operator=(const CGImage&) = delete;

    // Decodes PNG (through Cairo) or JPEG, GIF, BMP and the other formats gdk-pixbuf reads;
    // null for bytes that are no picture.
    [[nodiscard]] static CGImageRef createWithData(const NSData& bytes);
    [[nodiscard]] static CGImageRef createWithContentsOfFile(const std::string& path);

    std::size_t width() const;
    std::size_t height() const;
    bool hasAlpha() const;
    cairo_surface_t* surface() const { return surface_; }

    struct Pixel {
        std::uint8_t red { 0 };
        std::uint8_t green { 0 };
        std::uint8_t blue { 0 };
        std::uint8_t alpha { 0 };
        friend bool operator==(const Pixel&, const Pixel&) = default;
    };
    // The colour at a pixel, not premultiplied; transparent black outside the image.
    Pixel pixelAt(std::size_t x, std::size_t y) const;

    // PNG bytes (empty when encoding fails) and a PNG file (false when it cannot be written).
    [[nodiscard]] NSData pngData() const;
    [[nodiscard]] bool writePNG(const std::string& path) const;

private:
    cairo_surface_t* surface_ { nullptr };
};

std::size_t CGImageGetWidth(const CGImageRef& image);
std::size_t CGImageGetHeight(const CGImageRef& image);
// A copy of the part of the image inside the rectangle (pixels, rounded out); null when they
// do not overlap.
CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect);
