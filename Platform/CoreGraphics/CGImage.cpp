#include "Platform/CoreGraphics/CGImage.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "Platform/Foundation/NSFileManager.h"

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfaceHolder = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};
struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};

constexpr unsigned char kPngSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n' };

struct ReadCursor {
    const NSData* bytes;
    std::size_t offset { 0 };
};

cairo_status_t readFromData(void* closure, unsigned char* data, unsigned int length)
{
    auto* cursor = static_cast<ReadCursor*>(closure);
    if (cursor->offset + length > cursor->bytes->size()) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(data, cursor->bytes->data() + cursor->offset, length);
    cursor->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t appendToData(void* closure, const unsigned char* data, unsigned int length)
{
    // Called from Cairo's C frames: a failed append is a write error, never an exception.
    try {
        static_cast<NSData*>(closure)->append(reinterpret_cast<const char*>(data), length);
    } catch (...) {
        return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
}

CGImageRef decodePng(const NSData& bytes)
{
    ReadCursor cursor { &bytes };
    SurfaceHolder surface(cairo_image_surface_create_from_png_stream(readFromData, &cursor));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    // Everything downstream reads ARGB32; PNGs without alpha arrive as RGB24.
    if (cairo_image_surface_get_format(surface.get()) != CAIRO_FORMAT_ARGB32) {
        const int w = cairo_image_surface_get_width(surface.get());
        const int h = cairo_image_surface_get_height(surface.get());
        SurfaceHolder converted(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
        cairo_t* cr = cairo_create(converted.get());
        cairo_set_source_surface(cr, surface.get(), 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        cairo_destroy(cr);
        surface = std::move(converted);
    }
    return std::make_shared<const CGImage>(surface.release());
}

CGImageRef decodeWithPixbuf(const NSData& bytes)
{
    std::unique_ptr<GdkPixbufLoader, GObjectDeleter> loader(gdk_pixbuf_loader_new());
    GError* rawError = nullptr;
    const bool written = gdk_pixbuf_loader_write(loader.get(), reinterpret_cast<const guchar*>(bytes.data()),
                                                 bytes.size(), &rawError);
    std::unique_ptr<GError, GErrorDeleter> error(rawError);
    rawError = nullptr;
    const bool closed = gdk_pixbuf_loader_close(loader.get(), &rawError);
    std::unique_ptr<GError, GErrorDeleter> closeError(rawError);
    if (!written || !closed) {
        return nullptr;
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get()); // owned by the loader
    if (!pixbuf || gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8) {
        return nullptr;
    }
    const int w = gdk_pixbuf_get_width(pixbuf);
    const int h = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (channels < (alpha ? 4 : 3)) {
        return nullptr;
    }
    const int srcStride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* src = gdk_pixbuf_read_pixels(pixbuf);
    SurfaceHolder surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_surface_flush(surface.get());
    unsigned char* dst = cairo_image_surface_get_data(surface.get());
    const int dstStride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < h; ++y) {
        const guchar* s = src + static_cast<std::ptrdiff_t>(y) * srcStride;
        auto* d = reinterpret_cast<std::uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * dstStride);
        for (int x = 0; x < w; ++x, s += channels) {
            const std::uint32_t a = alpha ? s[3] : 255;
            const auto premultiply = [a](std::uint32_t c) { return (c * a + 127) / 255; };
            d[x] = (a << 24) | (premultiply(s[0]) << 16) | (premultiply(s[1]) << 8) | premultiply(s[2]);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return std::make_shared<const CGImage>(surface.release());
}

}

CGImage::CGImage(cairo_surface_t* surface)
    : surface_(surface)
{
}

CGImage::~CGImage()
{
    if (surface_) {
        cairo_surface_destroy(surface_);
    }
}

CGImageRef CGImage::createWithData(const NSData& bytes)
{
    if (bytes.size() >= sizeof kPngSignature && std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) == 0) {
        return decodePng(bytes);
    }
    if (bytes.empty()) {
        return nullptr;
    }
    return decodeWithPixbuf(bytes);
}

CGImageRef CGImage::createWithContentsOfFile(const std::string& path)
{
    const std::optional<NSData> bytes = NSFileManager::defaultManager().contentsAtPath(path);
    return bytes ? createWithData(*bytes) : nullptr;
}

std::size_t CGImage::width() const { return static_cast<std::size_t>(cairo_image_surface_get_width(surface_)); }
std::size_t CGImage::height() const { return static_cast<std::size_t>(cairo_image_surface_get_height(surface_)); }
bool CGImage::hasAlpha() const { return cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_ARGB32; }

CGImage::Pixel CGImage::pixelAt(std::size_t x, std::size_t y) const
{
    if (x >= width() || y >= height()) {
        return {};
    }
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    const std::uint32_t v = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride)[x];
    const std::uint32_t a = hasAlpha() ? v >> 24 : 255;
    const auto unpremultiply = [a](std::uint32_t c) -> std::uint8_t {
        return a == 0 ? 0 : static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (c * 255 + a / 2) / a));
    };
    return { unpremultiply((v >> 16) & 0xff), unpremultiply((v >> 8) & 0xff), unpremultiply(v & 0xff),
             static_cast<std::uint8_t>(a) };
}

NSData CGImage::pngData() const
{
    NSData out;
    if (cairo_surface_write_to_png_stream(surface_, appendToData, &out) != CAIRO_STATUS_SUCCESS) {
        return {};
    }
    return out;
}

bool CGImage::writePNG(const std::string& path) const
{
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::size_t CGImageGetWidth(const CGImageRef& image) { return image ? image->width() : 0; }
std::size_t CGImageGetHeight(const CGImageRef& image) { return image ? image->height() : 0; }

CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect)
{
    if (!image) {
        return nullptr;
    }
    const CGRect bounds = CGRectMake(0, 0, static_cast<CGFloat>(image->width()), static_cast<CGFloat>(image->height()));
    const CGRect part = CGRectIntegral(CGRectIntersection(bounds, rect));
    if (CGRectIsEmpty(part)) {
        return nullptr;
    }
    const int w = static_cast<int>(part.size.width);
    const int h = static_cast<int>(part.size.height);
    SurfaceHolder surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    cairo_t* cr = cairo_create(surface.get());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, image->surface(), -part.origin.x, -part.origin.y);
    cairo_paint(cr);
    cairo_destroy(cr);
    return std::make_shared<const CGImage>(surface.release());
}
