// Draws the code view's overlay pictures (loupe, magnifier, selection handle) at @1x and @2x
// into Resources/Images/TextView. Run scripts/make-textview-images to rebuild and write them.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace {

using Painter = std::function<void(cairo_t*, double w, double h)>;

void write(const std::string& dir, const std::string& name, int w, int h, const Painter& paint)
{
    for (int scale : { 1, 2 }) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale);
        cairo_t* cr = cairo_create(surface);
        cairo_scale(cr, scale, scale);
        paint(cr, w, h);
        cairo_destroy(cr);
        const std::string path = dir + "/" + name + (scale == 2 ? "@2x" : "") + ".png";
        if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
        }
        cairo_surface_destroy(surface);
    }
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// The lens: a circle inset from the picture's edge, leaving room for the shadow.
constexpr double kLoupeInset = 6;
// The magnifier's lens: a rounded bar with a small pointer below it.
constexpr double kMagnifierInset = 4;
constexpr double kMagnifierBottom = 10;
constexpr double kMagnifierRadius = 12;

void loupeLens(cairo_t* cr, double w, double h)
{
    cairo_arc(cr, w / 2, h / 2, w / 2 - kLoupeInset, 0, 2 * M_PI);
}

void magnifierLens(cairo_t* cr, double w, double h)
{
    roundedRect(cr, kMagnifierInset, kMagnifierInset, w - 2 * kMagnifierInset, h - kMagnifierInset - kMagnifierBottom, kMagnifierRadius);
}

}

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "Resources/Images/TextView";

    // Under the content: a soft shadow and a white disc.
    write(dir, "loupe-lo", 127, 127, [](cairo_t* cr, double w, double h) {
        cairo_pattern_t* shadow = cairo_pattern_create_radial(w / 2, h / 2 + 2, w / 2 - kLoupeInset - 2, w / 2, h / 2 + 2, w / 2);
        cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.35);
        cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
        cairo_set_source(cr, shadow);
        cairo_paint(cr);
        cairo_pattern_destroy(shadow);
        loupeLens(cr, w, h);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
    });
    write(dir, "loupe-mask", 127, 127, [](cairo_t* cr, double w, double h) {
        loupeLens(cr, w, h);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_fill(cr);
    });
    // Over the content: the rim and a gloss on the upper half.
    write(dir, "loupe-hi", 127, 127, [](cairo_t* cr, double w, double h) {
        loupeLens(cr, w, h);
        cairo_set_line_width(cr, 3);
        cairo_set_source_rgba(cr, 0.55, 0.57, 0.6, 1);
        cairo_stroke(cr);
        cairo_arc(cr, w / 2, h / 2, w / 2 - kLoupeInset - 4, M_PI * 1.1, M_PI * 1.9);
        cairo_set_line_width(cr, 4);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.5);
        cairo_stroke(cr);
    });

    write(dir, "magnifier-ranged-lo", 145, 59, [](cairo_t* cr, double w, double h) {
        roundedRect(cr, kMagnifierInset - 2, kMagnifierInset, w - 2 * kMagnifierInset + 4, h - kMagnifierInset - kMagnifierBottom + 3,
                    kMagnifierRadius + 2);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
        cairo_fill(cr);
        magnifierLens(cr, w, h);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
    });
    write(dir, "magnifier-ranged-mask", 145, 59, [](cairo_t* cr, double w, double h) {
        magnifierLens(cr, w, h);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_fill(cr);
    });
    write(dir, "magnifier-ranged-hi", 145, 59, [](cairo_t* cr, double w, double h) {
        magnifierLens(cr, w, h);
        cairo_set_line_width(cr, 2.5);
        cairo_set_source_rgba(cr, 0.55, 0.57, 0.6, 1);
        cairo_stroke(cr);
        // The pointer toward the text below.
        const double base = h - kMagnifierBottom;
        cairo_move_to(cr, w / 2 - 8, base - 1);
        cairo_line_to(cr, w / 2, h - 1);
        cairo_line_to(cr, w / 2 + 8, base - 1);
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 0.55, 0.57, 0.6, 1);
        cairo_fill(cr);
    });

    // The round handle: the caret's blue with a light rim.
    write(dir, "drag-dot", 20, 20, [](cairo_t* cr, double w, double h) {
        cairo_arc(cr, w / 2, h / 2, w / 2 - 2, 0, 2 * M_PI);
        cairo_set_source_rgb(cr, 0.259, 0.42, 0.949);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1.5);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
        cairo_stroke(cr);
    });
    return 0;
}
