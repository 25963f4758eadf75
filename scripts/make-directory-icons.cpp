// Draws the remote directory screen's row icons (one per file kind, the folder and the
// unsupported file) and its Up-arrow and Home pictures at @1x and @2x into Resources/Images.
// Run scripts/make-directory-icons to rebuild and write them.
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
        if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS)
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
        cairo_surface_destroy(surface);
    }
}

void hex(cairo_t* cr, unsigned rgb, double alpha = 1)
{
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, alpha);
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

// A sheet with a folded corner and a coloured band carrying the kind's short name.
Painter documentIcon(const std::string& text, unsigned band)
{
    return [text, band](cairo_t* cr, double w, double h) {
        const double x = 4.5, y = 1.5, right = w - 4.5, bottom = h - 1.5, fold = 7;
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, right - fold, y);
        cairo_line_to(cr, right, y + fold);
        cairo_line_to(cr, right, bottom);
        cairo_line_to(cr, x, bottom);
        cairo_close_path(cr);
        hex(cr, 0xf2f2f2);
        cairo_fill_preserve(cr);
        hex(cr, 0x8a8a8a);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_move_to(cr, right - fold, y);
        cairo_line_to(cr, right - fold, y + fold);
        cairo_line_to(cr, right, y + fold);
        hex(cr, 0xc8c8c8);
        cairo_fill_preserve(cr);
        hex(cr, 0x8a8a8a);
        cairo_stroke(cr);
        // Lines of text on the sheet.
        hex(cr, 0xb4b4b4);
        for (double ly = 7; ly < 12; ly += 2.5)
            cairo_rectangle(cr, x + 3, y + ly, right - x - fold - 4, 1);
        cairo_fill(cr);
        roundedRect(cr, 1, h - 13, w - 2, 10, 2);
        hex(cr, band);
        cairo_fill(cr);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        double size = 8;
        cairo_text_extents_t extents;
        for (;; size -= 0.5) {
            cairo_set_font_size(cr, size);
            cairo_text_extents(cr, text.c_str(), &extents);
            if (extents.width <= w - 4 || size <= 4)
                break;
        }
        hex(cr, 0xffffff);
        cairo_move_to(cr, (w - extents.width) / 2 - extents.x_bearing, h - 8 - (extents.height / 2 + extents.y_bearing));
        cairo_show_text(cr, text.c_str());
    };
}

void folderIcon(cairo_t* cr, double w, double h)
{
    cairo_move_to(cr, 2, 6);
    cairo_line_to(cr, 10, 6);
    cairo_line_to(cr, 13, 9);
    cairo_line_to(cr, w - 2, 9);
    cairo_line_to(cr, w - 2, h - 4);
    cairo_line_to(cr, 2, h - 4);
    cairo_close_path(cr);
    hex(cr, 0xd9a531);
    cairo_fill(cr);
    roundedRect(cr, 2, 11, w - 4, h - 15, 1.5);
    hex(cr, 0xf3c14b);
    cairo_fill(cr);
}

void pictureIcon(cairo_t* cr, double w, double h)
{
    roundedRect(cr, 2.5, 4.5, w - 5, h - 9, 2);
    hex(cr, 0xffffff);
    cairo_fill_preserve(cr);
    hex(cr, 0x8a8a8a);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, 5, 7, w - 10, h - 14);
    hex(cr, 0x7fb8e6);
    cairo_fill(cr);
    cairo_move_to(cr, 5, h - 7);
    cairo_line_to(cr, 11, 12);
    cairo_line_to(cr, 16, h - 11);
    cairo_line_to(cr, 19, 15);
    cairo_line_to(cr, w - 5, h - 7);
    cairo_close_path(cr);
    hex(cr, 0x4c8a2e);
    cairo_fill(cr);
    cairo_arc(cr, w - 9, 11, 2, 0, 2 * M_PI);
    hex(cr, 0xf7d23e);
    cairo_fill(cr);
}

void upArrow(cairo_t* cr, double w, double h)
{
    hex(cr, 0xe6e6e6);
    cairo_move_to(cr, w / 2, 7);
    cairo_line_to(cr, w - 3, 15);
    cairo_line_to(cr, w / 2 + 2, 15);
    cairo_line_to(cr, w / 2 + 2, h - 7);
    cairo_line_to(cr, w / 2 - 2, h - 7);
    cairo_line_to(cr, w / 2 - 2, 15);
    cairo_line_to(cr, 3, 15);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void home(cairo_t* cr, double w, double h)
{
    hex(cr, 0x6d6d6d);
    roundedRect(cr, 0, 0, w, h, 4);
    cairo_fill(cr);
    hex(cr, 0xffffff);
    const double cx = w / 2;
    cairo_move_to(cr, cx, 6);
    cairo_line_to(cr, cx + 11, 15);
    cairo_line_to(cr, cx + 7, 15);
    cairo_line_to(cr, cx + 7, h - 6);
    cairo_line_to(cr, cx + 2, h - 6);
    cairo_line_to(cr, cx + 2, h - 12);
    cairo_line_to(cr, cx - 2, h - 12);
    cairo_line_to(cr, cx - 2, h - 6);
    cairo_line_to(cr, cx - 7, h - 6);
    cairo_line_to(cr, cx - 7, 15);
    cairo_line_to(cr, cx - 11, 15);
    cairo_close_path(cr);
    cairo_fill(cr);
}

struct Kind {
    const char* file;
    const char* text;
    unsigned band;
};

constexpr Kind kKinds[] = {
    { "Icon_TXT", "TXT", 0x6d6d6d },     { "Icon_CSS", "CSS", 0x2f6fb5 },       { "Icon_HTML", "HTML", 0xd8562b },
    { "Icon_JS", "JS", 0xc9a400 },       { "Icon_PHP", "PHP", 0x6a6fb0 },       { "Icon_XML", "XML", 0x2e8b7a },
    { "Icon_XLS", "XLS", 0x1f7a3a },     { "Icon_PDF", "PDF", 0xc0392b },       { "Icon_PPT", "PPT", 0xd35400 },
    { "Icon_DOC", "DOC", 0x2b5797 },     { "Icon_RTF", "RTF", 0x7f5a9a },       { "Icon_CSV", "CSV", 0x3f8f3f },
    { "Icon_ASP_ASPNET", "ASP", 0x5c2d91 }, { "Icon_htaccess", "HTA", 0x555555 }, { "Icon_PERL", "PERL", 0x39457e },
    { "Icon_INI", "INI", 0x7a7a5a },     { "Icon_LOG", "LOG", 0x8a6d3b },       { "Icon_tpl", "TPL", 0x4c7fa8 },
    { "Icon_ruby", "RB", 0xb0232a },     { "Icon_PY", "PY", 0x3572a5 },         { "Icon_Unsupported", "?", 0x999999 },
};

}

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "Resources/Images";
    for (const Kind& kind : kKinds)
        write(dir, kind.file, 28, 28, documentIcon(kind.text, kind.band));
    write(dir, "Icon_Folder", 28, 28, folderIcon);
    write(dir, "Icon_Picture", 28, 28, pictureIcon);
    write(dir, "LXPH_UpArrow", 20, 30, upArrow);
    write(dir, "LXPH_Home", 41, 30, home);
    return 0;
}
