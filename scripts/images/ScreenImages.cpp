// The screens' pictures: the password screens' backgrounds for portrait and landscape, and the
// start screen's mega button in the default accent colour (the app draws any other colour
// itself from the same artwork).
#include "scripts/images/ImageKit.h"

using namespace ImageKit;

namespace {

// A dark slate backdrop: lighter towards the upper middle, with fine diagonal hatching. Plain
// enough to stretch over any screen of the orientation without showing it.
void background(cairo_t* cr, double w, double h)
{
    paintVertical(cr, h, { 0.23, 0.24, 0.26 }, { 0.11, 0.115, 0.125 });
    const double radius = std::fmax(w, h) * 0.7;
    paintRadial(cr, w / 2, h * 0.3, 0, radius, { 1, 1, 1, 0.10 }, { 1, 1, 1, 0 });

    cairo_set_line_width(cr, 1);
    setSource(cr, { 1, 1, 1, 0.025 });
    for (double x = -h; x < w; x += 14) {
        cairo_move_to(cr, x, h);
        cairo_line_to(cr, x + h, 0);
    }
    cairo_stroke(cr);

    // A darker rim, so the form in the middle draws the eye.
    paintRadial(cr, w / 2, h / 2, std::fmin(w, h) * 0.45, radius, { 0, 0, 0, 0 }, { 0, 0, 0, 0.35 });
}

// The default colorScheme, 4CAA1E.
constexpr Rgba kDefaultAccent = hex(0x4caa1e);

} // namespace

void drawScreenImages(ImageFolder& folder)
{
    folder.write("QV_LXPH_P_Hintergrund", 768, 1024, background);
    folder.write("QV_LXPH_LS_Hintergrund", 1024, 768, background);
    folder.write("LXPH_MegaButton_4CAA1E", int(MegaButtonArtwork::kWidth), int(MegaButtonArtwork::kHeight),
        [](cairo_t* cr, double w, double h) {
            MegaButtonArtwork::paint(cr, w, h, kDefaultAccent.red, kDefaultAccent.green, kDefaultAccent.blue);
        });
}
