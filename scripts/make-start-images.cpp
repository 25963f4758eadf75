// Draws the start screen's and the connection form's pictures at @1x and @2x into
// Resources/Images: the logo (an elephant's head) and the edit button of a connection cell.
// Run scripts/make-start-images to rebuild and write them.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

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

// A white elephant's head seen from the front: round head, two large ears, a trunk curling to
// the right and one eye; transparent around it, so it sits on the accent colour.
void logo(cairo_t* cr, double w, double h)
{
    const double s = std::fmin(w, h) / 120.0;
    cairo_save(cr);
    cairo_translate(cr, (w - 120 * s) / 2, (h - 120 * s) / 2);
    cairo_scale(cr, s, s);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
    // Ears.
    cairo_save(cr);
    cairo_translate(cr, 30, 50);
    cairo_scale(cr, 1.0, 1.25);
    cairo_arc(cr, 0, 0, 24, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 90, 50);
    cairo_scale(cr, 1.0, 1.25);
    cairo_arc(cr, 0, 0, 24, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    // Head.
    cairo_arc(cr, 60, 48, 28, 0, 2 * M_PI);
    cairo_fill(cr);
    // Trunk.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 14);
    cairo_move_to(cr, 60, 60);
    cairo_curve_to(cr, 60, 90, 58, 104, 72, 106);
    cairo_curve_to(cr, 80, 107, 84, 100, 82, 94);
    cairo_stroke(cr);
    // Ear shading and eyes, cut out.
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_arc(cr, 50, 44, 3.5, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_arc(cr, 70, 44, 3.5, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_line_width(cr, 2.5);
    cairo_arc(cr, 30, 52, 15, M_PI * 0.6, M_PI * 1.4);
    cairo_stroke(cr);
    cairo_arc(cr, 90, 52, 15, -M_PI * 0.4, M_PI * 0.4);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// A white pencil on a dark, translucent rounded plate: reads on the accent colour and on grey.
void editButton(cairo_t* cr, double w, double h)
{
    const double r = 5;
    cairo_new_sub_path(cr);
    cairo_arc(cr, w - r - 0.5, r + 0.5, r, -M_PI / 2, 0);
    cairo_arc(cr, w - r - 0.5, h - r - 0.5, r, 0, M_PI / 2);
    cairo_arc(cr, r + 0.5, h - r - 0.5, r, M_PI / 2, M_PI);
    cairo_arc(cr, r + 0.5, r + 0.5, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_fill(cr);

    cairo_save(cr);
    cairo_translate(cr, w / 2, h / 2);
    cairo_rotate(cr, -M_PI / 4);
    const double len = std::fmin(w, h) * 0.8;
    const double thick = len * 0.22;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, -len / 2 + thick, -thick / 2, len - thick * 1.6, thick);
    cairo_fill(cr);
    cairo_move_to(cr, -len / 2 + thick * 0.8, -thick / 2);
    cairo_line_to(cr, -len / 2, 0);
    cairo_line_to(cr, -len / 2 + thick * 0.8, thick / 2);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_rectangle(cr, len / 2 - thick * 0.45, -thick / 2, thick * 0.45, thick);
    cairo_fill(cr);
    cairo_restore(cr);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "Resources/Images";
    bool ok = write(dir, "LXPH_Dino", 120, 120, logo);
    ok = write(dir, "LXPH_Edit", 36, 30, editButton) && ok;
    return ok ? 0 : 1;
}
