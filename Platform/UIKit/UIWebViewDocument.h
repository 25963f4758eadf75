#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSError.h"

// What a web view shows of one file. Loading (reading, decoding, converting) runs on a
// background thread; layout and drawing on the main thread only.
class UIWebViewDocument {
public:
    enum class Kind {
        Picture,   // a format gdk-pixbuf reads: PNG, JPEG, GIF (first frame), BMP, ICO, TIFF, SVG...
        PDF,
        Office,    // shown as the PDF LibreOffice makes of it
        Text,      // plain text and HTML, shown as text
        Message,   // the panel saying why a file cannot be shown
    };

    virtual ~UIWebViewDocument() = default;

    [[nodiscard]] virtual Kind kind() const = 0;
    // Lays the document out for the view's size; answers the content size (at least as wide as
    // the view).
    virtual CGSize layoutForSize(CGSize viewSize) = 0;
    // Draws the part inside `visible` (content coordinates, y downward) into a context whose user
    // space is content coordinates.
    virtual void draw(CGContextRef context, CGRect visible) = 0;

    // PDF: the number of pages and of pages rendered and kept now (tests).
    [[nodiscard]] virtual int pageCount() const { return 0; }
    [[nodiscard]] virtual int renderedPageCount() const { return 0; }

    // The kind a file is taken for: by its extension first, then by its first bytes.
    [[nodiscard]] static Kind kindForPath(const std::string& path);

    struct Loaded {
        std::unique_ptr<UIWebViewDocument> document; // what to show (the panel on failure)
        NSErrorRef error;                             // set on failure
        Kind kind { Kind::Message };                  // the kind the file was taken for
    };
    // Everything from reading to the finished document. `cancelled` is polled during a
    // conversion. `converting` runs (on the calling thread) before a conversion starts.
    [[nodiscard]] static Loaded load(const std::string& path, const std::atomic<bool>* cancelled,
                                     const std::function<void()>& converting);
    // The panel for a failure, naming the file.
    [[nodiscard]] static std::unique_ptr<UIWebViewDocument> messagePanel(const std::string& fileName, const std::string& reason);
};
