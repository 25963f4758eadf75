// Draws the screens' pictures at @1x and @2x into Resources/Images: the password screens'
// backgrounds for portrait and landscape, and the start screen's mega button in the default
// accent colour. Run scripts/make-screen-images to rebuild and write them.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "Classes/Controller/MegaButtonArtwork.h"

namespace {

using Painter = std::function<void(cairo_t*, double w, double h)>;

bool write(const std::string& dir, const std::string& name, int w, int h, const Painter& paint)
{
    bool ok = true;
    for (int scale : { 1, 2 }) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale);
        cairo_t* cr = cairo_create(surface);
        cairo_scale(cr, scale, scale);
        paint(cr, w, h);
        cairo_destroy(cr);
        const std::string path = dir + "/" + name + (scale == 2 ? "@2x" : "") + ".png";
        if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            ok = false;
        }
        cairo_surface_destroy(surface);
    }
    return ok;
}

// A dark slate backdrop: lighter towards the upper middle, with fine diagonal hatching. Plain
// enough to stretch over any screen of the orientation without showing it.
void background(cairo_t* cr, double w, double h)
{
    cairo_pattern_t* base = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(base, 0, 0.23, 0.24, 0.26);
    cairo_pattern_add_color_stop_rgb(base, 1, 0.11, 0.115, 0.125);
    cairo_set_source(cr, base);
    cairo_paint(cr);
    cairo_pattern_destroy(base);

    const double radius = std::fmax(w, h) * 0.7;
    cairo_pattern_t* glow = cairo_pattern_create_radial(w / 2, h * 0.3, 0, w / 2, h * 0.3, radius);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1, 1, 1, 0.10);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1, 1, 1, 0);
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);

    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.025);
    for (double x = -h; x < w; x += 14) {
        cairo_move_to(cr, x, h);
        cairo_line_to(cr, x + h, 0);
    }
    cairo_stroke(cr);

    // A darker rim, so the form in the middle draws the eye.
    cairo_pattern_t* rim = cairo_pattern_create_radial(w / 2, h / 2, std::fmin(w, h) * 0.45, w / 2, h / 2, radius);
    cairo_pattern_add_color_stop_rgba(rim, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(rim, 1, 0, 0, 0, 0.35);
    cairo_set_source(cr, rim);
    cairo_paint(cr);
    cairo_pattern_destroy(rim);
}

}

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "Resources/Images";
    bool ok = write(dir, "QV_LXPH_P_Hintergrund", 768, 1024, background);
    ok = write(dir, "QV_LXPH_LS_Hintergrund", 1024, 768, background) && ok;
    // The default colorScheme, 4CAA1E.
    ok = write(dir, "LXPH_MegaButton_4CAA1E", int(MegaButtonArtwork::kWidth), int(MegaButtonArtwork::kHeight),
               [](cairo_t* cr, double w, double h) { MegaButtonArtwork::paint(cr, w, h, 0x4C / 255.0, 0xAA / 255.0, 0x1E / 255.0); })
        && ok;
    return ok ? 0 : 1;
}
