#pragma once

// What every picture family of the image generator draws with: an output folder that writes a
// painter at @1x and @2x, colours, and the few paths and fills they share. Plain Cairo, so the
// generator builds with one compiler call (scripts/make-images).
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

// The one rounded-rectangle path: the app's own mega button art already carries it.
#include "Classes/Controller/MegaButtonArtwork.h"

namespace ImageKit {

// Paints a picture over w x h points; the folder scales it for each resolution.
using Painter = std::function<void(cairo_t*, double w, double h)>;

struct Rgba {
    double red;
    double green;
    double blue;
    double alpha { 1 };
};

// A colour written as 0xRRGGBB, the way the designs give it.
constexpr Rgba hex(unsigned rgb, double alpha = 1)
{
    return { ((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, alpha };
}

inline void setSource(cairo_t* cr, Rgba colour)
{
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, colour.alpha);
}

using MegaButtonArtwork::roundedRect;

// Paints the whole picture with a gradient from the colour at the top to the one at the bottom.
inline void paintVertical(cairo_t* cr, double h, Rgba top, Rgba bottom)
{
    cairo_pattern_t* pattern = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgba(pattern, 0, top.red, top.green, top.blue, top.alpha);
    cairo_pattern_add_color_stop_rgba(pattern, 1, bottom.red, bottom.green, bottom.blue, bottom.alpha);
    cairo_set_source(cr, pattern);
    cairo_paint(cr);
    cairo_pattern_destroy(pattern);
}

// Paints the whole picture with a ring gradient around (cx, cy): the inner colour up to radius
// inner, fading to the outer colour at radius outer and beyond.
inline void paintRadial(cairo_t* cr, double cx, double cy, double inner, double outer, Rgba from, Rgba to)
{
    cairo_pattern_t* pattern = cairo_pattern_create_radial(cx, cy, inner, cx, cy, outer);
    cairo_pattern_add_color_stop_rgba(pattern, 0, from.red, from.green, from.blue, from.alpha);
    cairo_pattern_add_color_stop_rgba(pattern, 1, to.red, to.green, to.blue, to.alpha);
    cairo_set_source(cr, pattern);
    cairo_paint(cr);
    cairo_pattern_destroy(pattern);
}

// Where a family writes its pictures; remembers whether every one was written.
class ImageFolder {
public:
    explicit ImageFolder(std::string path)
        : path_(std::move(path))
    {
    }

    // Writes name.png (w x h pixels) and name@2x.png (twice that) from the painter.
    void write(const std::string& name, int w, int h, const Painter& paint)
    {
        for (int scale : { 1, 2 }) {
            cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale);
            cairo_t* cr = cairo_create(surface);
            cairo_scale(cr, scale, scale);
            paint(cr, w, h);
            cairo_destroy(cr);
            const std::string file = path_ + "/" + name + (scale == 2 ? "@2x" : "") + ".png";
            if (cairo_surface_write_to_png(surface, file.c_str()) != CAIRO_STATUS_SUCCESS) {
                std::fprintf(stderr, "cannot write %s\n", file.c_str());
                ok_ = false;
            }
            cairo_surface_destroy(surface);
        }
    }

    [[nodiscard]] bool ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ { true };
};

} // namespace ImageKit

// The families, one source each, in the folders their screens load from.
void drawTextViewImages(ImageKit::ImageFolder& textView);
void drawScreenImages(ImageKit::ImageFolder& images);
void drawStartImages(ImageKit::ImageFolder& images);
void drawDirectoryIcons(ImageKit::ImageFolder& images);
void drawEditorImages(ImageKit::ImageFolder& images);
