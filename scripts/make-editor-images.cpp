// Draws the editor's pictures (the backdrop behind a shown binary file) at @1x and @2x into
// Resources/Images. Run scripts/make-editor-images to rebuild and write them.
#include <cairo.h>

#include <cstdio>
#include <string>

namespace {

// A dark slate with a soft top light and a faint dot grid, so the web view's page stands out.
void writeBackdrop(const std::string& dir, int w, int h)
{
    for (int scale : { 1, 2 }) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale);
        cairo_t* cr = cairo_create(surface);
        cairo_scale(cr, scale, scale);
        cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, h);
        cairo_pattern_add_color_stop_rgb(shade, 0, 0.23, 0.24, 0.26);
        cairo_pattern_add_color_stop_rgb(shade, 1, 0.11, 0.114, 0.122);
        cairo_set_source(cr, shade);
        cairo_paint(cr);
        cairo_pattern_destroy(shade);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.05);
        for (int y = 12; y < h; y += 24)
            for (int x = 12; x < w; x += 24) {
                cairo_rectangle(cr, x, y, 1.5, 1.5);
            }
        cairo_fill(cr);
        cairo_destroy(cr);
        const std::string path = dir + "/LXPH_Editor_Back" + (scale == 2 ? "@2x" : "") + ".png";
        if (cairo_surface_write_to_png(surface, path.c_str()) != CAIRO_STATUS_SUCCESS)
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
        cairo_surface_destroy(surface);
    }
}

}

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "Resources/Images";
    writeBackdrop(dir, 768, 1024);
    return 0;
}
