// The image generator: draws every family of pictures into an images folder (Resources/Images
// and its TextView folder), or compares the pictures of two such folders pixel by pixel, so a
// change to a helper can be shown to leave today's pictures as they are.
//   MakeImages IMAGES              write every picture into IMAGES
//   MakeImages --compare OLD NEW   every PNG below NEW must have the same pixels below OLD
#include "scripts/images/ImageKit.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

namespace {

namespace fs = std::filesystem;

bool drawAll(const fs::path& images)
{
    std::error_code error;
    fs::create_directories(images / "TextView", error);
    if (error) {
        std::fprintf(
            stderr, "cannot create %s: %s\n", (images / "TextView").c_str(), error.message().c_str());
        return false;
    }
    ImageKit::ImageFolder folder(images.string());
    ImageKit::ImageFolder textView((images / "TextView").string());
    drawTextViewImages(textView);
    drawScreenImages(folder);
    drawStartImages(folder);
    drawDirectoryIcons(folder);
    drawEditorImages(folder);
    return folder.ok() && textView.ok();
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

Surface load(const fs::path& file)
{
    Surface surface(cairo_image_surface_create_from_png(file.c_str()), cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Surface(nullptr, cairo_surface_destroy);
    cairo_surface_flush(surface.get());
    return surface;
}

// Both decoded to premultiplied ARGB32, so equal pixels compare equal row by row whatever the
// PNG encoder chose.
bool samePixels(cairo_surface_t* a, cairo_surface_t* b)
{
    const int w = cairo_image_surface_get_width(a);
    const int h = cairo_image_surface_get_height(a);
    if (w != cairo_image_surface_get_width(b) || h != cairo_image_surface_get_height(b)) return false;
    if (cairo_image_surface_get_format(a) != cairo_image_surface_get_format(b)) return false;
    // Cairo decodes opaque PNGs to RGB24, where the top byte is unused.
    const bool opaque = cairo_image_surface_get_format(a) == CAIRO_FORMAT_RGB24;
    for (int y = 0; y < h; ++y) {
        const auto* rowA = reinterpret_cast<const uint32_t*>(
            cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a));
        const auto* rowB = reinterpret_cast<const uint32_t*>(
            cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b));
        for (int x = 0; x < w; ++x) {
            const uint32_t mask = opaque ? 0x00ffffffu : 0xffffffffu;
            if ((rowA[x] & mask) != (rowB[x] & mask)) return false;
        }
    }
    return true;
}

std::set<fs::path> pngsBelow(const fs::path& root)
{
    std::set<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().extension() == ".png")
            files.insert(fs::relative(entry.path(), root));
    return files;
}

bool compare(const fs::path& old, const fs::path& fresh)
{
    bool same = true;
    const std::set<fs::path> written = pngsBelow(fresh);
    for (const fs::path& file : written) {
        const Surface a = load(old / file);
        const Surface b = load(fresh / file);
        if (!a || !b) {
            std::printf("%s: %s\n", file.c_str(),
                a ? "unreadable as written" : "missing or unreadable in the folder");
            same = false;
        } else if (!samePixels(a.get(), b.get())) {
            std::printf("%s: pixels differ\n", file.c_str());
            same = false;
        }
    }
    for (const fs::path& file : pngsBelow(old))
        if (!written.contains(file)) std::printf("%s: not drawn by the generator\n", file.c_str());
    std::printf("%zu pictures compared, %s\n", written.size(), same ? "all the same" : "some differ");
    return same;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--compare") == 0) return compare(argv[2], argv[3]) ? 0 : 1;
    if (argc == 2 && argv[1][0] != '-') return drawAll(argv[1]) ? 0 : 1;
    std::fprintf(stderr, "usage: %s IMAGES | --compare OLD NEW\n", argv[0]);
    return 2;
}
