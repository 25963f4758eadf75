// The remote directory screen's row icons (one per file kind, the folder and the unsupported
// file) and its Up-arrow and Home pictures.
#include "scripts/images/ImageKit.h"

using namespace ImageKit;

namespace {

constexpr Rgba kOutline = hex(0x8a8a8a);
constexpr Rgba kWhite = hex(0xffffff);

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
        setSource(cr, hex(0xf2f2f2));
        cairo_fill_preserve(cr);
        setSource(cr, kOutline);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_move_to(cr, right - fold, y);
        cairo_line_to(cr, right - fold, y + fold);
        cairo_line_to(cr, right, y + fold);
        setSource(cr, hex(0xc8c8c8));
        cairo_fill_preserve(cr);
        setSource(cr, kOutline);
        cairo_stroke(cr);
        // Lines of text on the sheet.
        setSource(cr, hex(0xb4b4b4));
        for (double ly = 7; ly < 12; ly += 2.5)
            cairo_rectangle(cr, x + 3, y + ly, right - x - fold - 4, 1);
        cairo_fill(cr);
        roundedRect(cr, 1, h - 13, w - 2, 10, 2);
        setSource(cr, hex(band));
        cairo_fill(cr);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        double size = 8;
        cairo_text_extents_t extents;
        for (;; size -= 0.5) {
            cairo_set_font_size(cr, size);
            cairo_text_extents(cr, text.c_str(), &extents);
            if (extents.width <= w - 4 || size <= 4) break;
        }
        setSource(cr, kWhite);
        cairo_move_to(cr, (w - extents.width) / 2 - extents.x_bearing,
            h - 8 - (extents.height / 2 + extents.y_bearing));
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
    setSource(cr, hex(0xd9a531));
    cairo_fill(cr);
    roundedRect(cr, 2, 11, w - 4, h - 15, 1.5);
    setSource(cr, hex(0xf3c14b));
    cairo_fill(cr);
}

void pictureIcon(cairo_t* cr, double w, double h)
{
    roundedRect(cr, 2.5, 4.5, w - 5, h - 9, 2);
    setSource(cr, kWhite);
    cairo_fill_preserve(cr);
    setSource(cr, kOutline);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, 5, 7, w - 10, h - 14);
    setSource(cr, hex(0x7fb8e6));
    cairo_fill(cr);
    cairo_move_to(cr, 5, h - 7);
    cairo_line_to(cr, 11, 12);
    cairo_line_to(cr, 16, h - 11);
    cairo_line_to(cr, 19, 15);
    cairo_line_to(cr, w - 5, h - 7);
    cairo_close_path(cr);
    setSource(cr, hex(0x4c8a2e));
    cairo_fill(cr);
    cairo_arc(cr, w - 9, 11, 2, 0, 2 * M_PI);
    setSource(cr, hex(0xf7d23e));
    cairo_fill(cr);
}

void upArrow(cairo_t* cr, double w, double h)
{
    setSource(cr, hex(0xe6e6e6));
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
    setSource(cr, hex(0x6d6d6d));
    roundedRect(cr, 0, 0, w, h, 4);
    cairo_fill(cr);
    setSource(cr, kWhite);
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
    { "Icon_TXT", "TXT", 0x6d6d6d },
    { "Icon_CSS", "CSS", 0x2f6fb5 },
    { "Icon_HTML", "HTML", 0xd8562b },
    { "Icon_JS", "JS", 0xc9a400 },
    { "Icon_PHP", "PHP", 0x6a6fb0 },
    { "Icon_XML", "XML", 0x2e8b7a },
    { "Icon_XLS", "XLS", 0x1f7a3a },
    { "Icon_PDF", "PDF", 0xc0392b },
    { "Icon_PPT", "PPT", 0xd35400 },
    { "Icon_DOC", "DOC", 0x2b5797 },
    { "Icon_RTF", "RTF", 0x7f5a9a },
    { "Icon_CSV", "CSV", 0x3f8f3f },
    { "Icon_ASP_ASPNET", "ASP", 0x5c2d91 },
    { "Icon_htaccess", "HTA", 0x555555 },
    { "Icon_PERL", "PERL", 0x39457e },
    { "Icon_INI", "INI", 0x7a7a5a },
    { "Icon_LOG", "LOG", 0x8a6d3b },
    { "Icon_tpl", "TPL", 0x4c7fa8 },
    { "Icon_ruby", "RB", 0xb0232a },
    { "Icon_PY", "PY", 0x3572a5 },
    { "Icon_Unsupported", "?", 0x999999 },
};

} // namespace

void drawDirectoryIcons(ImageFolder& folder)
{
    for (const Kind& kind : kKinds)
        folder.write(kind.file, 28, 28, documentIcon(kind.text, kind.band));
    folder.write("Icon_Folder", 28, 28, folderIcon);
    folder.write("Icon_Picture", 28, 28, pictureIcon);
    folder.write("LXPH_UpArrow", 20, 30, upArrow);
    folder.write("LXPH_Home", 41, 30, home);
}
