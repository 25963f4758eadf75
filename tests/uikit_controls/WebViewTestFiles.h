#pragma once

// Files of every kind the web view shows, made by the tests themselves.

#include <cairo-pdf.h>
#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace webview_test {

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A picture of one colour with a white square in its middle, saved by gdk-pixbuf in a format
// it can write ("png", "jpeg", "bmp", "ico", "tiff").
inline bool writePicture(const std::string& path, const char* format, int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool centre = x > w * 2 / 5 && x < w * 3 / 5 && y > h * 2 / 5 && y < h * 3 / 5;
            guchar* p = pixels + y * stride + x * 3;
            p[0] = centre ? 255 : r;
            p[1] = centre ? 255 : g;
            p[2] = centre ? 255 : b;
        }
    }
    const bool ok = gdk_pixbuf_save(pixbuf, path.c_str(), format, nullptr, nullptr);
    g_object_unref(pixbuf);
    return ok;
}

// A 1 x 1 GIF with two frames: red first, then blue.
inline std::string twoFrameGif()
{
    const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, // screen 1x1, global table of 2
        0xFF, 0, 0, 0, 0, 0xFF,                               // red, blue
        0x21, 0xF9, 4, 0, 10, 0, 0, 0,                        // frame delay
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, // frame 1: index 0
        0x21, 0xF9, 4, 0, 10, 0, 0, 0,
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, // frame 2: index 1
        0x3B,
    };
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A PDF of `pages` A4 pages, each with a coloured band at the top and its number as a bar.
inline void writePdf(const std::string& path, int pages)
{
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 595, 842);
    cairo_t* cr = cairo_create(surface);
    for (int i = 0; i < pages; ++i) {
        cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
        cairo_rectangle(cr, 40, 40, 515, 120);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_rectangle(cr, 40, 200, 10.0 * (i + 1), 20);
        cairo_fill(cr);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

inline std::uint32_t crc32(const std::string& data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// A zip archive of stored (uncompressed) entries, as an ODF package needs ("mimetype" first).
inline std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries)
{
    auto u16 = [](std::string& s, unsigned v) { s.push_back(char(v & 0xFF)); s.push_back(char((v >> 8) & 0xFF)); };
    auto u32 = [&](std::string& s, std::uint32_t v) { u16(s, v & 0xFFFF); u16(s, v >> 16); };
    std::string out, central;
    for (const auto& [name, data] : entries) {
        const std::uint32_t offset = std::uint32_t(out.size());
        const std::uint32_t crc = crc32(data);
        std::string header;
        u32(header, 0x04034b50); u16(header, 10); u16(header, 0); u16(header, 0); u16(header, 0); u16(header, 0x21);
        u32(header, crc); u32(header, std::uint32_t(data.size())); u32(header, std::uint32_t(data.size()));
        u16(header, unsigned(name.size())); u16(header, 0);
        out += header + name + data;
        u32(central, 0x02014b50); u16(central, 20); u16(central, 10); u16(central, 0); u16(central, 0); u16(central, 0);
        u16(central, 0x21); u32(central, crc); u32(central, std::uint32_t(data.size())); u32(central, std::uint32_t(data.size()));
        u16(central, unsigned(name.size())); u16(central, 0); u16(central, 0); u16(central, 0); u16(central, 0); u32(central, 0);
        u32(central, offset);
        central += name;
    }
    const std::uint32_t centralOffset = std::uint32_t(out.size());
    out += central;
    u32(out, 0x06054b50); u16(out, 0); u16(out, 0); u16(out, unsigned(entries.size())); u16(out, unsigned(entries.size()));
    u32(out, std::uint32_t(central.size())); u32(out, centralOffset); u16(out, 0);
    return out;
}

inline std::string odfPackage(const std::string& mimeType, const std::string& content)
{
    const std::string manifest = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
        "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"" + mimeType + "\"/>"
        "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
        "</manifest:manifest>";
    return storedZip({ { "mimetype", mimeType }, { "META-INF/manifest.xml", manifest }, { "content.xml", content } });
}

// A one-page text document.
inline std::string minimalOdt(const std::string& paragraph)
{
    return odfPackage("application/vnd.oasis.opendocument.text",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
        "<office:body><office:text><text:p>" + paragraph + "</text:p></office:text></office:body></office:document-content>");
}

// A spreadsheet of rows of numbers.
inline std::string minimalOds(int rows, int columns)
{
    std::string table;
    for (int r = 0; r < rows; ++r) {
        table += "<table:table-row>";
        for (int c = 0; c < columns; ++c) {
            const std::string v = std::to_string((r + 1) * (c + 1));
            table += "<table:table-cell office:value-type=\"float\" office:value=\"" + v + "\"><text:p>" + v + "</text:p></table:table-cell>";
        }
        table += "</table:table-row>";
    }
    return odfPackage("application/vnd.oasis.opendocument.spreadsheet",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
        "<office:body><office:spreadsheet><table:table table:name=\"Sheet1\">" + table
        + "</table:table></office:spreadsheet></office:body></office:document-content>");
}

}
