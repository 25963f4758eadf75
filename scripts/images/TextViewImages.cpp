// The code view's overlay pictures: the loupe and the magnifier (each under the content, its
// mask, and over the content) and the selection handle.
#include "scripts/images/ImageKit.h"

using namespace ImageKit;

namespace {

// The lens: a circle inset from the picture's edge, leaving room for the shadow.
constexpr double kLoupeInset = 6;
// The magnifier's lens: a rounded bar with a small pointer below it.
constexpr double kMagnifierInset = 4;
constexpr double kMagnifierBottom = 10;
constexpr double kMagnifierRadius = 12;
constexpr Rgba kRim { 0.55, 0.57, 0.6 };
constexpr Rgba kWhite { 1, 1, 1 };

void loupeLens(cairo_t* cr, double w, double h)
{
    cairo_arc(cr, w / 2, h / 2, w / 2 - kLoupeInset, 0, 2 * M_PI);
}

void magnifierLens(cairo_t* cr, double w, double h)
{
    roundedRect(cr, kMagnifierInset, kMagnifierInset, w - 2 * kMagnifierInset,
        h - kMagnifierInset - kMagnifierBottom, kMagnifierRadius);
}

// The lens filled white: the mask on its own, and the disc under the content over a shadow.
void fillLens(cairo_t* cr, double w, double h, const Painter& lens)
{
    lens(cr, w, h);
    setSource(cr, kWhite);
    cairo_fill(cr);
}

} // namespace

void drawTextViewImages(ImageFolder& folder)
{
    // Under the content: a soft shadow and a white disc.
    folder.write("loupe-lo", 127, 127, [](cairo_t* cr, double w, double h) {
        paintRadial(cr, w / 2, h / 2 + 2, w / 2 - kLoupeInset - 2, w / 2, { 0, 0, 0, 0.35 }, { 0, 0, 0, 0 });
        fillLens(cr, w, h, loupeLens);
    });
    folder.write(
        "loupe-mask", 127, 127, [](cairo_t* cr, double w, double h) { fillLens(cr, w, h, loupeLens); });
    // Over the content: the rim and a gloss on the upper half.
    folder.write("loupe-hi", 127, 127, [](cairo_t* cr, double w, double h) {
        loupeLens(cr, w, h);
        cairo_set_line_width(cr, 3);
        setSource(cr, kRim);
        cairo_stroke(cr);
        cairo_arc(cr, w / 2, h / 2, w / 2 - kLoupeInset - 4, M_PI * 1.1, M_PI * 1.9);
        cairo_set_line_width(cr, 4);
        setSource(cr, { 1, 1, 1, 0.5 });
        cairo_stroke(cr);
    });

    folder.write("magnifier-ranged-lo", 145, 59, [](cairo_t* cr, double w, double h) {
        roundedRect(cr, kMagnifierInset - 2, kMagnifierInset, w - 2 * kMagnifierInset + 4,
            h - kMagnifierInset - kMagnifierBottom + 3, kMagnifierRadius + 2);
        setSource(cr, { 0, 0, 0, 0.25 });
        cairo_fill(cr);
        fillLens(cr, w, h, magnifierLens);
    });
    folder.write("magnifier-ranged-mask", 145, 59,
        [](cairo_t* cr, double w, double h) { fillLens(cr, w, h, magnifierLens); });
    folder.write("magnifier-ranged-hi", 145, 59, [](cairo_t* cr, double w, double h) {
        magnifierLens(cr, w, h);
        cairo_set_line_width(cr, 2.5);
        setSource(cr, kRim);
        cairo_stroke(cr);
        // The pointer toward the text below.
        const double base = h - kMagnifierBottom;
        cairo_move_to(cr, w / 2 - 8, base - 1);
        cairo_line_to(cr, w / 2, h - 1);
        cairo_line_to(cr, w / 2 + 8, base - 1);
        cairo_close_path(cr);
        cairo_fill(cr);
    });

    // The round handle: the caret's blue with a light rim.
    folder.write("drag-dot", 20, 20, [](cairo_t* cr, double w, double h) {
        cairo_arc(cr, w / 2, h / 2, w / 2 - 2, 0, 2 * M_PI);
        setSource(cr, { 0.259, 0.42, 0.949 });
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1.5);
        setSource(cr, { 1, 1, 1, 0.9 });
        cairo_stroke(cr);
    });
}
