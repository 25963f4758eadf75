// The start screen's and the connection form's pictures: the logo (an elephant's head) and the
// edit button of a connection cell.
#include "scripts/images/ImageKit.h"

using namespace ImageKit;

namespace {

// An upright ellipse: a circle of the radius stretched by the factor in height.
void ellipse(cairo_t* cr, double cx, double cy, double radius, double stretch)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 1.0, stretch);
    cairo_arc(cr, 0, 0, radius, 0, 2 * M_PI);
    cairo_restore(cr);
}

// A white elephant's head seen from the front: round head, two large ears, a trunk curling to
// the right and two eyes; transparent around it, so it sits on the accent colour.
void logo(cairo_t* cr, double w, double h)
{
    const double s = std::fmin(w, h) / 120.0;
    cairo_save(cr);
    cairo_translate(cr, (w - 120 * s) / 2, (h - 120 * s) / 2);
    cairo_scale(cr, s, s);
    setSource(cr, { 1, 1, 1, 0.95 });
    // Ears.
    ellipse(cr, 30, 50, 24, 1.25);
    cairo_fill(cr);
    ellipse(cr, 90, 50, 24, 1.25);
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
    roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 5);
    setSource(cr, { 0, 0, 0, 0.45 });
    cairo_fill(cr);

    cairo_save(cr);
    cairo_translate(cr, w / 2, h / 2);
    cairo_rotate(cr, -M_PI / 4);
    const double len = std::fmin(w, h) * 0.8;
    const double thick = len * 0.22;
    setSource(cr, { 1, 1, 1 });
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

void drawStartImages(ImageFolder& folder)
{
    folder.write("LXPH_Dino", 120, 120, logo);
    folder.write("LXPH_Edit", 36, 30, editButton);
}
