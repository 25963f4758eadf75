// The editor's pictures: the backdrop behind a shown binary file.
#include "scripts/images/ImageKit.h"

using namespace ImageKit;

namespace {

// A dark slate with a soft top light and a faint dot grid, so the web view's page stands out.
void backdrop(cairo_t* cr, double w, double h)
{
    paintVertical(cr, h, { 0.23, 0.24, 0.26 }, { 0.11, 0.114, 0.122 });
    setSource(cr, { 1, 1, 1, 0.05 });
    for (int y = 12; y < h; y += 24)
        for (int x = 12; x < w; x += 24)
            cairo_rectangle(cr, x, y, 1.5, 1.5);
    cairo_fill(cr);
}

} // namespace

void drawEditorImages(ImageFolder& folder)
{
    folder.write("LXPH_Editor_Back", 768, 1024, backdrop);
}
