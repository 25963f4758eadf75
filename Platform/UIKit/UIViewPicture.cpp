#include "Platform/UIKit/UIViewPicture.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

using UIRendering::flipWithin;

namespace {

// Whether no pixel of the image has any ink.
bool isClear(cairo_surface_t* image)
{
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    if (w <= 0 || h <= 0) {
        return true;
    }
    const std::size_t rowBytes = std::size_t(w) * 4;
    // The first row byte by byte, then every other row against it with memcmp, which runs wide;
    // a per-pixel loop that stops early cannot, and this runs for every redrawn plain view.
    for (std::size_t i = 0; i < rowBytes; ++i) {
        if (data[i] != 0) {
            return false;
        }
    }
    for (int y = 1; y < h; ++y) {
        if (std::memcmp(data, data + std::ptrdiff_t(y) * stride, rowBytes) != 0) {
            return false;
        }
    }
    return true;
}

// How the picture's pixels lie in look space.
CGRect pixelRectInLook(const UIViewPicture& picture, CGRect look)
{
    const CGRect b = picture.bounds;
    const double s = picture.scale;
    const double x0 = std::floor((look.origin.x - b.origin.x) * s), y0 = std::floor((look.origin.y - b.origin.y) * s);
    const double x1 = std::ceil((CGRectGetMaxX(look) - b.origin.x) * s), y1 = std::ceil((CGRectGetMaxY(look) - b.origin.y) * s);
    return CGRectMake(b.origin.x + x0 / s, b.origin.y + y0 / s, (x1 - x0) / s, (y1 - y0) / s);
}

} // namespace

UIViewPicture* UIViewPicture::updated(UIView& view, bool upward, CGFloat scale)
{
    const CGRect bounds = view.bounds();
    const double pw = std::ceil(bounds.size.width * scale), ph = std::ceil(bounds.size.height * scale);
    if (!(pw <= kMaxSide && ph <= kMaxSide)) {
        return nullptr;
    }
    auto* picture = dynamic_cast<UIViewPicture*>(view.backingStore());
    const bool valid = picture != nullptr && picture->bounds == bounds && picture->scale == scale && picture->upward == upward;
    if (!valid) {
        auto made = std::make_unique<UIViewPicture>();
        if (picture != nullptr && picture->surface && picture->scale == scale
            && cairo_image_surface_get_width(picture->surface.get()) == int(pw)
            && cairo_image_surface_get_height(picture->surface.get()) == int(ph)) {
            made->surface = std::move(picture->surface);
        }
        made->bounds = bounds;
        made->scale = scale;
        made->upward = upward;
        picture = made.get();
        view.setBackingStore(std::move(made));
        view.setNeedsDisplay();
    }
    const CGRect invalid = view.invalidRect();
    if (CGRectIsNull(invalid)) {
        return picture;
    }
    if (!(pw >= 1 && ph >= 1)) {
        picture->surface.reset();
        view.displayRectInContext(nullptr, bounds);
        return picture;
    }
    const bool whole = invalid == bounds || !picture->surface;
    if (!picture->surface) {
        picture->surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(pw), int(ph)));
        if (cairo_surface_status(picture->surface.get()) != CAIRO_STATUS_SUCCESS) {
            picture->surface.reset();
            return nullptr;
        }
    }
    {
        CGContext context(picture->surface.get());
        cairo_t* cr = context.cairo();
        cairo_scale(cr, scale, scale);
        cairo_translate(cr, -bounds.origin.x, -bounds.origin.y);
        // Whole pixels only, so what is kept around the redrawn part stays exactly as it was.
        const CGRect lookInvalid = upward ? CGRectApplyAffineTransform(invalid, flipWithin(bounds)) : invalid;
        const CGRect redrawn = whole ? bounds : pixelRectInLook(*picture, lookInvalid);
        cairo_save(cr);
        cairo_rectangle(cr, redrawn.origin.x, redrawn.origin.y, redrawn.size.width, redrawn.size.height);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_fill(cr);
        cairo_restore(cr);
        view.displayRectInContext(&context, whole || !upward ? redrawn : CGRectApplyAffineTransform(redrawn, flipWithin(bounds)));
    }
    cairo_surface_flush(picture->surface.get());
    if (whole && view.lastDrawReachedBaseDrawRect() && isClear(picture->surface.get())) {
        // The view drew nothing of its own (a plain view): it keeps no picture.
        picture->surface.reset();
    }
    return picture;
}
