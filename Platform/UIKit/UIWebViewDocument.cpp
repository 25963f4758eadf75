#include "Platform/UIKit/UIWebViewDocument.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <poppler.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <vector>

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/CoreText/CTTypesetter.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSStringEncoding.h"
#include "Platform/UIKit/UIWebViewConverter.h"

namespace {

using Kind = UIWebViewDocument::Kind;

// Pictures larger than this many pixels are refused rather than decoded into gigabytes.
constexpr double kMaxPicturePixels = 64.0 * 1024 * 1024;
// Text beyond this many bytes is not shown: a phone screen of a log file is enough.
constexpr std::size_t kMaxTextBytes = 512 * 1024;
constexpr CGFloat kTextMargin = 8;
constexpr CGFloat kTextFontSize = 12;
constexpr CGFloat kPageMargin = 8;
// Pages kept rendered beyond those on screen, on each side.
constexpr int kPagesKeptAround = 1;

struct GObjectDeleter {
    void operator()(gpointer object) const
    {
        if (object != nullptr) {
            g_object_unref(object);
        }
    }
};

struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};

std::string describe(Kind kind)
{
    switch (kind) {
    case Kind::Picture:
        return "picture";
    case Kind::PDF:
        return "PDF document";
    case Kind::Office:
        return "document";
    case Kind::Text:
        return "text";
    case Kind::Message:
        break;
    }
    return "file";
}

enum class OfficeFamily { Legacy, Zipped, RTF };

struct ExtensionKind {
    const char* extension;
    Kind kind;
};

constexpr ExtensionKind kExtensions[] = {
    { "png", Kind::Picture }, { "jpg", Kind::Picture }, { "jpeg", Kind::Picture }, { "jpe", Kind::Picture },
    { "gif", Kind::Picture }, { "bmp", Kind::Picture }, { "ico", Kind::Picture }, { "cur", Kind::Picture },
    { "tif", Kind::Picture }, { "tiff", Kind::Picture }, { "svg", Kind::Picture }, { "svgz", Kind::Picture },
    { "tga", Kind::Picture }, { "xpm", Kind::Picture }, { "pnm", Kind::Picture }, { "ppm", Kind::Picture },
    { "pgm", Kind::Picture }, { "pbm", Kind::Picture }, { "webp", Kind::Picture },
    { "pdf", Kind::PDF },
    { "doc", Kind::Office }, { "dot", Kind::Office }, { "docx", Kind::Office }, { "docm", Kind::Office },
    { "dotx", Kind::Office }, { "odt", Kind::Office }, { "ott", Kind::Office }, { "rtf", Kind::Office },
    { "xls", Kind::Office }, { "xlt", Kind::Office }, { "xlsx", Kind::Office }, { "xlsm", Kind::Office },
    { "xltx", Kind::Office }, { "ods", Kind::Office }, { "ots", Kind::Office },
    { "ppt", Kind::Office }, { "pps", Kind::Office }, { "pot", Kind::Office }, { "pptx", Kind::Office },
    { "pptm", Kind::Office }, { "ppsx", Kind::Office }, { "potx", Kind::Office }, { "odp", Kind::Office },
    { "otp", Kind::Office },
    { "txt", Kind::Text }, { "text", Kind::Text }, { "html", Kind::Text }, { "htm", Kind::Text },
    { "xhtml", Kind::Text }, { "shtml", Kind::Text }, { "phtml", Kind::Text }, { "xml", Kind::Text },
    { "css", Kind::Text }, { "js", Kind::Text }, { "json", Kind::Text }, { "csv", Kind::Text },
    { "log", Kind::Text }, { "md", Kind::Text }, { "ini", Kind::Text }, { "conf", Kind::Text },
    { "php", Kind::Text }, { "pl", Kind::Text }, { "py", Kind::Text }, { "sh", Kind::Text },
};

bool startsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

constexpr std::string_view kOle2Magic { "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8 };
constexpr std::string_view kZipMagic { "PK\x03\x04", 4 };

bool looksLikeText(std::string_view bytes)
{
    return bytes.find('\0') == std::string_view::npos && utf8ToUtf16Strict(bytes).has_value();
}

std::string_view skipBomAndSpace(std::string_view bytes)
{
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    while (!bytes.empty() && (bytes.front() == ' ' || bytes.front() == '\t' || bytes.front() == '\r' || bytes.front() == '\n')) {
        bytes.remove_prefix(1);
    }
    return bytes;
}

std::string readHead(const std::string& path, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    return bytes;
}

OfficeFamily officeFamily(const std::string& extension)
{
    if (extension == "rtf") {
        return OfficeFamily::RTF;
    }
    if (extension == "doc" || extension == "dot" || extension == "xls" || extension == "xlt" || extension == "ppt"
        || extension == "pps" || extension == "pot") {
        return OfficeFamily::Legacy;
    }
    return OfficeFamily::Zipped;
}

std::string officeLabel(const std::string& extension)
{
    if (extension == "rtf") {
        return "RTF document";
    }
    if (extension.starts_with("xl") || extension == "ods" || extension == "ots") {
        return "spreadsheet";
    }
    if (extension.starts_with("pp") || extension.starts_with("po") || extension == "odp" || extension == "otp") {
        return "presentation";
    }
    return "word-processor document";
}

// Whether the first bytes can begin a document of the extension's family. LibreOffice imports
// anything it does not recognise as plain text, so damage is caught here, before it runs.
bool officeHeadIsPlausible(const std::string& extension, std::string_view head)
{
    switch (officeFamily(extension)) {
    case OfficeFamily::RTF:
        return startsWith(skipBomAndSpace(head), "{\\rtf");
    case OfficeFamily::Zipped:
        return startsWith(head, kZipMagic);
    case OfficeFamily::Legacy:
        // Old binary files; also what is often saved under those names: the newer zipped
        // form, RTF, or HTML and other text.
        return startsWith(head, kOle2Magic) || startsWith(head, kZipMagic) || startsWith(skipBomAndSpace(head), "{\\rtf")
            || (!skipBomAndSpace(head).empty() && looksLikeText(head.substr(0, std::min<std::size_t>(head.size(), 4000))));
    }
    return false;
}

NSErrorRef failure(long code, std::string reason) { return NSError::errorWithDomain(NSURLErrorDomain, code, std::move(reason)); }

// ---- Drawing helpers ------------------------------------------------------------------------

CTFontRef textFont()
{
    static const CTFontRef font = CTFontCreateWithName("DejaVu Sans Mono", kTextFontSize);
    return font;
}

NSAttributedString styled(const std::u16string& text, const CTFontRef& font, const CGColorRef& color)
{
    NSAttributeDictionary attributes;
    attributes[kCTFontAttributeName] = font;
    if (color) {
        attributes[kCTForegroundColorAttributeName] = color;
    }
    return NSAttributedString(text, attributes);
}

// Lines of the typesetter within the width: start offsets in order.
std::vector<CTLineRef> breakLines(const CTTypesetterRef& typesetter, double width)
{
    std::vector<CTLineRef> lines;
    const CFIndex n = typesetter->length();
    CFIndex start = 0;
    while (start < n) {
        const CFIndex count = std::max<CFIndex>(1, CTTypesetterSuggestLineBreak(typesetter, start, width));
        lines.push_back(CTTypesetterCreateLine(typesetter, CFRangeMake(start, count)));
        start += count;
    }
    return lines;
}

// Draws a line with its baseline's start at (x, y) of a y-downward space.
void drawLine(CGContextRef context, const CTLineRef& line, CGFloat x, CGFloat baseline)
{
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, x, baseline);
    CGContextScaleCTM(context, 1, -1);
    CGContextSetTextPosition(context, 0, 0);
    CTLineDraw(line, context);
    CGContextRestoreGState(context);
}

// Draws wrapped text, each line centred or flush left, from the top; answers the height used.
CGFloat drawWrapped(CGContextRef context, const std::u16string& text, const CTFontRef& font, const CGColorRef& color, CGRect rect,
                    bool centred, bool draw = true)
{
    const auto typesetter = CTTypesetterCreateWithAttributedString(styled(text, font, color));
    const CGFloat lineHeight = font->ascent() + font->descent() + font->leading();
    CGFloat y = rect.origin.y;
    for (const CTLineRef& line : breakLines(typesetter, rect.size.width)) {
        if (draw) {
            const double width = line->width() - line->trailingWhitespaceWidth();
            const CGFloat x = centred ? rect.origin.x + (rect.size.width - width) / 2 : rect.origin.x;
            drawLine(context, line, x, y + font->ascent());
        }
        y += lineHeight;
    }
    return y - rect.origin.y;
}

void fill(CGContextRef context, CGRect rect, CGFloat r, CGFloat g, CGFloat b)
{
    CGContextSetRGBFillColor(context, r, g, b, 1);
    CGContextFillRect(context, rect);
}

// Paints an image surface upright into a rectangle of a y-downward space.
void paintSurface(CGContextRef context, cairo_surface_t* surface, CGRect rect)
{
    const double w = cairo_image_surface_get_width(surface);
    const double h = cairo_image_surface_get_height(surface);
    if (w <= 0 || h <= 0 || CGRectIsEmpty(rect)) {
        return;
    }
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    cairo_translate(cr, rect.origin.x, rect.origin.y);
    cairo_scale(cr, rect.size.width / w, rect.size.height / h);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
}

// Pixels per point of the context's current transform.
double deviceScale(CGContextRef context)
{
    double dx = 1, dy = 0;
    cairo_user_to_device_distance(context->cairo(), &dx, &dy);
    return std::max(0.25, std::hypot(dx, dy));
}

// ---- Kinds ----------------------------------------------------------------------------------

class PictureDocument final : public UIWebViewDocument {
public:
    explicit PictureDocument(CGImageRef image) : image_(std::move(image)) { }
    Kind kind() const override { return Kind::Picture; }
    CGSize layoutForSize(CGSize viewSize) override
    {
        viewSize_ = viewSize;
        return viewSize;
    }
    void draw(CGContextRef context, CGRect) override
    {
        // Scaled down to fit, never up; centred.
        const double w = double(image_->width()), h = double(image_->height());
        const double scale = std::min({ 1.0, viewSize_.width / w, viewSize_.height / h });
        const CGSize size = CGSizeMake(w * scale, h * scale);
        paintSurface(context, image_->surface(),
                     CGRectMake((viewSize_.width - size.width) / 2, (viewSize_.height - size.height) / 2, size.width, size.height));
    }

private:
    CGImageRef image_;
    CGSize viewSize_ {};
};

class PdfDocument final : public UIWebViewDocument {
public:
    PdfDocument(PopplerDocument* document, std::shared_ptr<GBytes> bytes)
        : document_(document)
        , bytes_(std::move(bytes))
    {
        const int count = poppler_document_get_n_pages(document);
        for (int i = 0; i < count; ++i) {
            std::unique_ptr<PopplerPage, GObjectDeleter> page(poppler_document_get_page(document, i));
            double w = 0, h = 0;
            if (page) {
                poppler_page_get_size(page.get(), &w, &h);
            }
            pageSizes_.push_back(CGSizeMake(std::max(1.0, w), std::max(1.0, h)));
        }
    }
    Kind kind() const override { return Kind::PDF; }
    int pageCount() const override { return static_cast<int>(pageSizes_.size()); }
    int renderedPageCount() const override { return static_cast<int>(rendered_.size()); }

    CGSize layoutForSize(CGSize viewSize) override
    {
        pageRects_.clear();
        const CGFloat width = std::max<CGFloat>(1, viewSize.width - 2 * kPageMargin);
        CGFloat y = kPageMargin;
        for (const CGSize& page : pageSizes_) {
            const CGFloat height = page.height * width / page.width;
            pageRects_.push_back(CGRectMake(kPageMargin, y, width, height));
            y += height + kPageMargin;
        }
        return CGSizeMake(viewSize.width, std::max(y, viewSize.height));
    }

    void draw(CGContextRef context, CGRect visible) override
    {
        fill(context, visible, 0.55, 0.57, 0.6);
        const double scale = deviceScale(context);
        int first = -1, last = -1;
        for (int i = 0; i < static_cast<int>(pageRects_.size()); ++i) {
            if (!CGRectIntersectsRect(pageRects_[static_cast<std::size_t>(i)], visible)) {
                continue;
            }
            if (first < 0) {
                first = i;
            }
            last = i;
            const CGRect rect = pageRects_[static_cast<std::size_t>(i)];
            if (cairo_surface_t* picture = pagePicture(i, rect.size, scale)) {
                paintSurface(context, picture, rect);
            } else {
                fill(context, rect, 1, 1, 1);
            }
        }
        // Only what is on screen and its neighbours stays rendered.
        for (auto it = rendered_.begin(); it != rendered_.end();) {
            if (first < 0 || it->first < first - kPagesKeptAround || it->first > last + kPagesKeptAround) {
                it = rendered_.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    cairo_surface_t* pagePicture(int index, CGSize size, double scale)
    {
        const int pw = std::max(1, static_cast<int>(std::lround(size.width * scale)));
        const int ph = std::max(1, static_cast<int>(std::lround(size.height * scale)));
        auto found = rendered_.find(index);
        if (found != rendered_.end() && cairo_image_surface_get_width(found->second.get()) == pw) {
            return found->second.get();
        }
        std::unique_ptr<PopplerPage, GObjectDeleter> page(poppler_document_get_page(document_.get(), index));
        if (!page) {
            return nullptr;
        }
        std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, pw, ph));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
            return nullptr;
        }
        cairo_t* cr = cairo_create(surface.get());
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        const CGSize pageSize = pageSizes_[static_cast<std::size_t>(index)];
        cairo_scale(cr, pw / pageSize.width, ph / pageSize.height);
        poppler_page_render(page.get(), cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface.get());
        cairo_surface_t* raw = surface.get();
        rendered_[index] = std::move(surface);
        return raw;
    }

    std::unique_ptr<PopplerDocument, GObjectDeleter> document_;
    std::shared_ptr<GBytes> bytes_; // the document reads from these
    std::vector<CGSize> pageSizes_;
    std::vector<CGRect> pageRects_;
    std::map<int, std::unique_ptr<cairo_surface_t, SurfaceDeleter>> rendered_;
};

class TextDocument final : public UIWebViewDocument {
public:
    explicit TextDocument(std::u16string text) : text_(std::move(text)) { }
    Kind kind() const override { return Kind::Text; }

    CGSize layoutForSize(CGSize viewSize) override
    {
        const CTFontRef& font = textFont();
        if (!typesetter_) {
            typesetter_ = CTTypesetterCreateWithAttributedString(styled(text_, font, nullptr));
        }
        const double width = std::max<CGFloat>(1, viewSize.width - 2 * kTextMargin);
        if (width != laidOutWidth_) {
            lines_ = breakLines(typesetter_, width);
            laidOutWidth_ = width;
        }
        lineHeight_ = font->ascent() + font->descent() + font->leading();
        return CGSizeMake(viewSize.width, std::max<CGFloat>(viewSize.height, 2 * kTextMargin + lineHeight_ * lines_.size()));
    }

    void draw(CGContextRef context, CGRect visible) override
    {
        if (lines_.empty() || !(lineHeight_ > 0)) {
            return;
        }
        const auto first = static_cast<std::size_t>(std::max<CGFloat>(0, std::floor((visible.origin.y - kTextMargin) / lineHeight_)));
        const CGFloat ascent = textFont()->ascent();
        for (std::size_t i = first; i < lines_.size(); ++i) {
            const CGFloat top = kTextMargin + lineHeight_ * i;
            if (top > CGRectGetMaxY(visible)) {
                break;
            }
            drawLine(context, lines_[i], kTextMargin, top + ascent);
        }
    }

private:
    std::u16string text_;
    CTTypesetterRef typesetter_;
    std::vector<CTLineRef> lines_;
    double laidOutWidth_ { -1 };
    CGFloat lineHeight_ { 0 };
};

class MessageDocument final : public UIWebViewDocument {
public:
    MessageDocument(std::string fileName, std::string reason) : fileName_(std::move(fileName)), reason_(std::move(reason)) { }
    Kind kind() const override { return Kind::Message; }
    CGSize layoutForSize(CGSize viewSize) override
    {
        viewSize_ = viewSize;
        return viewSize;
    }
    void draw(CGContextRef context, CGRect) override
    {
        fill(context, CGRectMake(0, 0, viewSize_.width, viewSize_.height), 0.93, 0.93, 0.94);
        static const CTFontRef titleFont = CTFontCreateWithName("Helvetica-Bold", 17);
        static const CTFontRef bodyFont = CTFontCreateWithName("Helvetica", 14);
        static const CGColorRef dark = std::make_shared<const CGColor>(0.15, 0.15, 0.17, 1);
        static const CGColorRef grey = std::make_shared<const CGColor>(0.35, 0.35, 0.4, 1);
        const CGFloat width = std::min<CGFloat>(420, viewSize_.width - 40);
        if (!(width > 40)) {
            return;
        }
        const std::u16string title = u"This file cannot be shown";
        const std::u16string name = utf8ToUtf16(fileName_);
        const std::u16string reason = utf8ToUtf16(reason_);
        const CGFloat padding = 20;
        const CGFloat inner = width - 2 * padding;
        const CGFloat iconSize = 36;
        const CGFloat height = padding + iconSize + 12 + drawWrapped(context, title, titleFont, dark, CGRectMake(0, 0, inner, 0), true, false) + 6
            + (name.empty() ? 0 : drawWrapped(context, name, bodyFont, grey, CGRectMake(0, 0, inner, 0), true, false) + 10)
            + drawWrapped(context, reason, bodyFont, dark, CGRectMake(0, 0, inner, 0), true, false) + padding;
        const CGRect panel = CGRectMake((viewSize_.width - width) / 2, std::max<CGFloat>(10, (viewSize_.height - height) / 2), width, height);
        // The panel: white, rounded, with a thin border.
        CGPathRef path = CGPathCreateWithRoundedRect(panel, 10, 10, nullptr);
        CGContextAddPath(context, path);
        CGContextSetRGBFillColor(context, 1, 1, 1, 1);
        CGContextFillPath(context);
        CGContextAddPath(context, path);
        CGContextSetRGBStrokeColor(context, 0.75, 0.75, 0.78, 1);
        CGContextSetLineWidth(context, 1);
        CGContextStrokePath(context);
        // A warning mark: an orange disc with an exclamation mark.
        const CGRect disc = CGRectMake(CGRectGetMidX(panel) - iconSize / 2, panel.origin.y + padding, iconSize, iconSize);
        CGContextSetRGBFillColor(context, 0.93, 0.55, 0.13, 1);
        CGContextFillEllipseInRect(context, disc);
        CGContextSetRGBFillColor(context, 1, 1, 1, 1);
        CGContextFillRect(context, CGRectMake(CGRectGetMidX(disc) - 2, disc.origin.y + 7, 4, 14));
        CGContextFillRect(context, CGRectMake(CGRectGetMidX(disc) - 2, disc.origin.y + 25, 4, 4));
        CGFloat y = disc.origin.y + iconSize + 12;
        const CGFloat x = panel.origin.x + padding;
        y += drawWrapped(context, title, titleFont, dark, CGRectMake(x, y, inner, 0), true) + 6;
        if (!name.empty()) {
            y += drawWrapped(context, name, bodyFont, grey, CGRectMake(x, y, inner, 0), true) + 10;
        }
        drawWrapped(context, reason, bodyFont, dark, CGRectMake(x, y, inner, 0), true);
    }

private:
    std::string fileName_;
    std::string reason_;
    CGSize viewSize_ {};
};

// ---- Loading --------------------------------------------------------------------------------

UIWebViewDocument::Loaded loadPicture(const std::string& path, const std::string& name)
{
    int width = 0, height = 0;
    if (gdk_pixbuf_get_file_info(path.c_str(), &width, &height) == nullptr) {
        return { nullptr, failure(NSURLErrorCannotDecodeContentData, "The picture is damaged or of a format that cannot be read."), Kind::Picture };
    }
    if (double(width) * double(height) > kMaxPicturePixels) {
        return { nullptr, failure(NSURLErrorCannotDecodeContentData,
                                  stringWithFormat("The picture is too large to be shown (%d x %d pixels).", width, height)), Kind::Picture };
    }
    if (CGImageRef image = CGImage::createWithContentsOfFile(path); image && image->width() > 0 && image->height() > 0) {
        return { std::make_unique<PictureDocument>(std::move(image)), nullptr, Kind::Picture };
    }
    // Decoded again only to learn why it failed.
    GError* raw = nullptr;
    std::unique_ptr<GdkPixbuf, GObjectDeleter> pixbuf(gdk_pixbuf_new_from_file(path.c_str(), &raw));
    std::unique_ptr<GError, GErrorDeleter> error(raw);
    std::string reason = "The picture is damaged and cannot be shown";
    if (error && error->message != nullptr) {
        reason += std::string(": ") + error->message;
    }
    if (!reason.ends_with('.')) {
        reason += ".";
    }
    return { nullptr, failure(NSURLErrorCannotDecodeContentData, reason), Kind::Picture };
}

UIWebViewDocument::Loaded loadPdfBytes(NSData bytes, Kind kind)
{
    auto* copy = new NSData(std::move(bytes));
    std::shared_ptr<GBytes> gbytes(
        g_bytes_new_with_free_func(copy->data(), copy->size(), [](gpointer data) { delete static_cast<NSData*>(data); }, copy),
        g_bytes_unref);
    GError* raw = nullptr;
    PopplerDocument* document = poppler_document_new_from_bytes(gbytes.get(), nullptr, &raw);
    std::unique_ptr<GError, GErrorDeleter> error(raw);
    if (document == nullptr) {
        std::string reason = "The PDF document is damaged and cannot be shown";
        if (error && error->message != nullptr) {
            reason += std::string(": ") + error->message;
        }
        if (!reason.ends_with('.')) {
            reason += ".";
        }
        return { nullptr, failure(NSURLErrorCannotDecodeContentData, reason), kind };
    }
    if (poppler_document_get_n_pages(document) <= 0) {
        g_object_unref(document);
        return { nullptr, failure(NSURLErrorCannotDecodeContentData, "The PDF document has no pages."), kind };
    }
    return { std::make_unique<PdfDocument>(document, std::move(gbytes)), nullptr, kind };
}

UIWebViewDocument::Loaded loadText(const std::string& path)
{
    std::string bytes = readHead(path, kMaxTextBytes + 1);
    const bool cut = bytes.size() > kMaxTextBytes;
    if (cut) {
        bytes.resize(kMaxTextBytes);
        // Not in the middle of a UTF-8 sequence.
        while (!bytes.empty() && (static_cast<unsigned char>(bytes.back()) & 0xC0) == 0x80) {
            bytes.pop_back();
        }
        if (!bytes.empty() && static_cast<unsigned char>(bytes.back()) >= 0xC0) {
            bytes.pop_back();
        }
    }
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
    }
    std::u16string text;
    if (auto utf8 = utf8ToUtf16Strict(bytes)) {
        text = std::move(*utf8);
    } else {
        text = stringFromData(bytes, NSISOLatin1StringEncoding).value_or(u"");
    }
    // Control characters other than tabs and line ends would show as boxes.
    for (char16_t& c : text) {
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') {
            c = 0xFFFD;
        }
    }
    if (cut) {
        text += u"\n\n[The rest of the file is not shown.]";
    }
    return { std::make_unique<TextDocument>(std::move(text)), nullptr, Kind::Text };
}

}

UIWebViewDocument::Kind UIWebViewDocument::kindForPath(const std::string& path)
{
    const std::string extension = lowercaseString(std::string_view(pathExtension(path)));
    for (const ExtensionKind& entry : kExtensions) {
        if (extension == entry.extension) {
            return entry.kind;
        }
    }
    const std::string head = readHead(path, 4096);
    if (startsWith(head, "%PDF-")) {
        return Kind::PDF;
    }
    if (startsWith(head, "\x89PNG") || startsWith(head, "\xFF\xD8\xFF") || startsWith(head, "GIF8") || startsWith(head, "BM")) {
        return Kind::Picture;
    }
    if (startsWith(skipBomAndSpace(head), "{\\rtf")) {
        return Kind::Office;
    }
    // Cut in the middle of a character at the end of the sample: judge what comes before.
    std::string_view sample = head;
    for (int k = 0; k < 3 && !sample.empty() && !looksLikeText(sample); ++k) {
        sample.remove_suffix(1);
    }
    return looksLikeText(sample) ? Kind::Text : Kind::Message;
}

std::unique_ptr<UIWebViewDocument> UIWebViewDocument::messagePanel(const std::string& fileName, const std::string& reason)
{
    return std::make_unique<MessageDocument>(fileName, reason);
}

UIWebViewDocument::Loaded UIWebViewDocument::load(const std::string& path, const std::atomic<bool>* cancelled,
                                                  const std::function<void()>& converting)
{
    const std::string name = lastPathComponent(path);
    auto withPanel = [&](Loaded loaded) {
        if (!loaded.document && loaded.error) {
            loaded.document = messagePanel(name, loaded.error->localizedDescription());
        }
        return loaded;
    };
    bool isDirectory = false;
    if (!NSFileManager::defaultManager().fileExistsAtPath(path, isDirectory)) {
        return withPanel({ nullptr, failure(NSURLErrorFileDoesNotExist, "The file does not exist."), Kind::Message });
    }
    if (isDirectory) {
        return withPanel({ nullptr, failure(NSURLErrorCannotOpenFile, "This is a folder, not a file."), Kind::Message });
    }
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        return withPanel({ nullptr, failure(NSURLErrorCannotOpenFile, "The file cannot be read (no permission)."), Kind::Message });
    }
    const Kind kind = kindForPath(path);
    const std::string head = readHead(path, 4096);
    if (head.empty() && kind != Kind::Text) {
        return withPanel({ nullptr, failure(NSURLErrorCannotDecodeContentData, "The " + describe(kind) + " is empty."), kind });
    }
    switch (kind) {
    case Kind::Picture:
        return withPanel(loadPicture(path, name));
    case Kind::PDF: {
        auto bytes = NSFileManager::defaultManager().contentsAtPath(path);
        if (!bytes) {
            return withPanel({ nullptr, failure(NSURLErrorCannotOpenFile, "The file cannot be read."), kind });
        }
        return withPanel(loadPdfBytes(std::move(*bytes), kind));
    }
    case Kind::Office: {
        std::string extension = lowercaseString(std::string_view(pathExtension(path)));
        if (extension.empty()) {
            extension = "rtf"; // only RTF is recognised by its content
        }
        if (!officeHeadIsPlausible(extension, head)) {
            return withPanel({ nullptr, failure(NSURLErrorCannotDecodeContentData,
                                                "The file is not a valid " + officeLabel(extension) + ": it is damaged or of another kind."),
                               kind });
        }
        if (converting) {
            converting();
        }
        UIWebViewConverter::Result converted = UIWebViewConverter::convertToPDF(path, cancelled);
        if (!converted.ok) {
            return withPanel({ nullptr, failure(NSURLErrorCannotDecodeContentData, converted.reason), kind });
        }
        Loaded loaded = loadPdfBytes(std::move(converted.pdf), kind);
        return withPanel(std::move(loaded));
    }
    case Kind::Text:
        return withPanel(loadText(path));
    case Kind::Message:
        break;
    }
    const std::string extension = pathExtension(path);
    const std::string what = extension.empty() ? "Files of this kind" : "Files of the kind \"" + extension + "\"";
    return withPanel({ nullptr, failure(NSURLErrorUnsupportedURL, what + " cannot be shown."), Kind::Message });
}
