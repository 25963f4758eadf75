// Draws the demo site's picture (images/logo.png) and its one-page PDF (docs/price-list.pdf)
// with Cairo, so both stay small and can be made again:
//   g++ -std=c++20 -o /tmp/make-site-files demo/make-site-files.cpp $(pkg-config --cflags --libs cairo)
//   /tmp/make-site-files demo/site
#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

void drawLoaf(cairo_t* cr, double x, double y, double w, double h)
{
    // Crust: a rounded dome over a flat base.
    cairo_new_path(cr);
    cairo_move_to(cr, x, y + h);
    cairo_curve_to(cr, x - w * 0.05, y + h * 0.2, x + w * 0.2, y, x + w / 2, y);
    cairo_curve_to(cr, x + w * 0.8, y, x + w * 1.05, y + h * 0.2, x + w, y + h);
    cairo_close_path(cr);
    cairo_pattern_t* crust = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgb(crust, 0, 0.80, 0.52, 0.24);
    cairo_pattern_add_color_stop_rgb(crust, 1, 0.54, 0.29, 0.12);
    cairo_set_source(cr, crust);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(crust);
    cairo_set_source_rgb(cr, 0.36, 0.18, 0.07);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // Three scores across the top.
    cairo_set_source_rgb(cr, 0.98, 0.90, 0.72);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = 0; i < 3; ++i) {
        const double sx = x + w * (0.28 + 0.2 * i);
        cairo_move_to(cr, sx, y + h * 0.18);
        cairo_line_to(cr, sx + w * 0.1, y + h * 0.42);
    }
    cairo_stroke(cr);
}

bool writeLogo(const std::string& path)
{
    const int width = 160, height = 120;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    // Sea and sky behind the loaf.
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.64, 0.82, 0.94);
    cairo_pattern_add_color_stop_rgb(sky, 0.62, 0.92, 0.96, 0.98);
    cairo_pattern_add_color_stop_rgb(sky, 0.62, 0.12, 0.37, 0.54);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.07, 0.25, 0.40);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    // The sun.
    cairo_arc(cr, 126, 26, 14, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 0.99, 0.80, 0.25);
    cairo_fill(cr);
    drawLoaf(cr, 28, 34, 104, 58);
    // Waves.
    cairo_set_source_rgb(cr, 0.85, 0.93, 0.98);
    cairo_set_line_width(cr, 2);
    for (int row = 0; row < 2; ++row) {
        const double wy = 102 + row * 9;
        cairo_move_to(cr, 0, wy);
        for (int i = 0; i < 8; ++i)
            cairo_curve_to(cr, i * 20 + 5, wy - 4, i * 20 + 15, wy + 4, i * 20 + 20, wy);
    }
    cairo_stroke(cr);
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

bool writePriceList(const std::string& path)
{
    // A5 in points.
    const double width = 420, height = 595;
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.98, 0.97, 0.94);
    cairo_paint(cr);
    drawLoaf(cr, 150, 40, 120, 66);
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_source_rgb(cr, 0.54, 0.29, 0.12);
    cairo_set_font_size(cr, 24);
    cairo_move_to(cr, 40, 150);
    cairo_show_text(cr, "Harbour Bakery");
    cairo_set_font_size(cr, 14);
    cairo_set_source_rgb(cr, 0.17, 0.13, 0.09);
    cairo_move_to(cr, 40, 175);
    cairo_show_text(cr, "Price list");
    const struct {
        const char* item;
        const char* price;
    } rows[] = {
        { "Sourdough rye, 400 g", "3,20 EUR" }, { "Seeded spelt, 800 g", "2,80 EUR" },
        { "White tin, 750 g", "2,40 EUR" },     { "Cardamom bun", "1,10 EUR" },
        { "Cinnamon roll", "1,30 EUR" },        { "Butter croissant", "1,20 EUR" },
        { "Cheese scone", "1,80 EUR" },         { "Sausage roll", "2,10 EUR" },
    };
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    double y = 215;
    for (const auto& row : rows) {
        cairo_move_to(cr, 40, y);
        cairo_show_text(cr, row.item);
        cairo_text_extents_t extents;
        cairo_text_extents(cr, row.price, &extents);
        cairo_move_to(cr, width - 40 - extents.x_advance, y);
        cairo_show_text(cr, row.price);
        cairo_set_source_rgb(cr, 0.80, 0.74, 0.64);
        cairo_set_line_width(cr, 0.5);
        cairo_move_to(cr, 40, y + 8);
        cairo_line_to(cr, width - 40, y + 8);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.17, 0.13, 0.09);
        y += 28;
    }
    cairo_set_font_size(cr, 10);
    cairo_move_to(cr, 40, height - 40);
    cairo_show_text(cr, "4 Quay Street. Open Monday to Saturday from seven.");
    cairo_show_page(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-site-files SITE_FOLDER\n");
        return 2;
    }
    const std::string site = argv[1];
    if (!writeLogo(site + "/images/logo.png") || !writePriceList(site + "/docs/price-list.pdf")) {
        std::fprintf(stderr, "make-site-files: cannot write into %s\n", site.c_str());
        return 1;
    }
    return 0;
}
