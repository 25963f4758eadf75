#pragma once

// The start screen's big "new connection" button, painted in the accent colour. Header-only and
// on plain Cairo, so the image generator (scripts/images/ScreenImages.cpp) and the app's own
// fallback for a colour without a bundled picture draw the very same thing.
#include <cairo.h>

#include <cmath>

namespace MegaButtonArtwork {

// Size in points of the bundled picture (the button stretches it).
inline constexpr double kWidth = 240;
inline constexpr double kHeight = 140;
inline constexpr double kCornerRadius = 8;

inline void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// Paints the button over w x h points in the colour (components 0 to 1): a rounded plate with
// a soft top light, and a white plus in a ring in its middle.
inline void paint(cairo_t* cr, double w, double h, double red, double green, double blue)
{
    cairo_save(cr);
    roundedRect(cr, 1, 1, w - 2, h - 2, kCornerRadius);
    cairo_set_source_rgb(cr, red, green, blue);
    cairo_fill_preserve(cr);
    cairo_pattern_t* light = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgba(light, 0, 1, 1, 1, 0.22);
    cairo_pattern_add_color_stop_rgba(light, 0.5, 1, 1, 1, 0.04);
    cairo_pattern_add_color_stop_rgba(light, 1, 0, 0, 0, 0.12);
    cairo_set_source(cr, light);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(light);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
    cairo_stroke(cr);

    const double cx = w / 2;
    const double cy = h / 2;
    const double ring = std::fmin(w, h) * 0.3;
    cairo_arc(cr, cx, cy, ring, 0, 2 * M_PI);
    cairo_set_line_width(cr, 4);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
    cairo_stroke(cr);
    const double arm = ring * 0.55;
    cairo_set_line_width(cr, 7);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, cx - arm, cy);
    cairo_line_to(cr, cx + arm, cy);
    cairo_move_to(cr, cx, cy - arm);
    cairo_line_to(cr, cx, cy + arm);
    cairo_stroke(cr);
    cairo_restore(cr);
}

}
