#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIWebView.h"
#include "Platform/UIKit/UIWebViewConverter.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/uikit/UIKitTestSupport.h"
#include "tests/uikit_controls/WebViewTestFiles.h"
#include "tests/support/SnapshotFolder.h"

using namespace webview_test;
using Kind = UIWebViewDocument::Kind;

namespace {

class RecordingWebDelegate : public UIWebViewDelegate {
public:
    void webViewDidStartLoad(UIWebView&) override { events.push_back("start"); }
    void webViewDidFinishLoad(UIWebView&) override { events.push_back("finish"); }
    void webViewDidFailLoadWithError(UIWebView&, const NSError& error) override
    {
        events.push_back("fail");
        reason = error.localizedDescription();
    }
    bool ended() const { return !events.empty() && (events.back() == "finish" || events.back() == "fail"); }
    std::vector<std::string> events;
    std::string reason;
};

class WebView : public UIKitTest {
protected:
    void SetUp() override
    {
        UIKitTest::SetUp();
        home_ = std::make_unique<ScopedEnv>("LEXIPHANT_HOME", dir_ / "home");
        window_ = makeWindow();
        web_ = std::make_shared<UIWebView>(CGRectMake(0, 0, 320, 400));
        window_->addSubview(web_);
        delegate_ = std::make_shared<RecordingWebDelegate>();
        web_->setDelegate(delegate_);
    }

    // Loads the file and runs the loop until the load has ended (LibreOffice may take seconds).
    void load(const std::string& path)
    {
        delegate_->events.clear();
        web_->loadRequest(NSURLRequest::requestWithURL(NSURL::fileURLWithPath(path)));
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return delegate_->ended(); }, 120)) << path;
    }

    std::string file(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir_ / name;
        writeFile(path, bytes);
        return path;
    }

    CGImageRef snapshot(const std::string& name)
    {
        const std::string path = snapshotFile("uikit_controls", name);
        EXPECT_TRUE(UIRenderer::writeViewPNG(*web_, path, 1));
        return UIRenderer::snapshotView(*web_, 1);
    }

    TempDir dir_ { "webview" };
    std::unique_ptr<ScopedEnv> home_;
    std::shared_ptr<UIWindow> window_;
    std::shared_ptr<UIWebView> web_;
    std::shared_ptr<RecordingWebDelegate> delegate_;
};

bool near(CGImage::Pixel p, int r, int g, int b, int tolerance = 40)
{
    return std::abs(p.red - r) <= tolerance && std::abs(p.green - g) <= tolerance && std::abs(p.blue - b) <= tolerance;
}

}

TEST_F(WebView, ShowsEachKindAndExplainsWhatItCannotShow)
{
    ASSERT_TRUE(writePicture(dir_ / "photo.JPG", "jpeg", 40, 30, 200, 30, 30));
    ASSERT_TRUE(writePicture(dir_ / "pic.png", "png", 40, 30, 30, 200, 30));
    ASSERT_TRUE(writePicture(dir_ / "pic.bmp", "bmp", 40, 30, 30, 30, 200));
    ASSERT_TRUE(writePicture(dir_ / "pic.ico", "ico", 32, 32, 30, 30, 200));
    ASSERT_TRUE(writePicture(dir_ / "pic.tiff", "tiff", 40, 30, 30, 30, 200));
    writePdf(dir_ / "doc.pdf", 2);
    const std::string pdf = readFile(dir_ / "doc.pdf");
    struct Case {
        std::string name;
        std::string bytes; // empty with "keep": made above
        Kind kind;
        bool fails;
        std::string reason; // part of the failure's text
    };
    const std::vector<Case> cases = {
        { "photo.JPG", "keep", Kind::Picture, false, "" },
        { "pic.png", "keep", Kind::Picture, false, "" },
        { "pic.bmp", "keep", Kind::Picture, false, "" },
        { "pic.ico", "keep", Kind::Picture, false, "" },
        { "pic.tiff", "keep", Kind::Picture, false, "" },
        { "anim.gif", twoFrameGif(), Kind::Picture, false, "" },
        { "logo.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'><rect width='40' height='20' fill='red'/></svg>",
          Kind::Picture, false, "" },
        { "doc.pdf", "keep", Kind::PDF, false, "" },
        { "notes.txt", "line one\nline two\n", Kind::Text, false, "" },
        { "page.html", "<html><body><p>Hi</p></body></html>", Kind::Text, false, "" },
        { "latin1.txt", "caf\xE9\n", Kind::Text, false, "" },
        { "README", "plain words without an extension\n", Kind::Text, false, "" },
        { "broken.png", "\x89PNG\r\n\x1a\nnot really", Kind::Message, true, "damaged" },
        { "broken.jpg", "\xFF\xD8\xFF\xE0garbage", Kind::Message, true, "damaged" },
        { "broken.gif", "GIF89a\x01", Kind::Message, true, "damaged" },
        { "empty.bmp", "", Kind::Message, true, "empty" },
        { "broken.pdf", pdf.substr(0, 40), Kind::Message, true, "PDF document is damaged" },
        { "broken.odt", "this is no zip at all", Kind::Message, true, "not a valid word-processor document" },
        { "broken.xlsx", std::string("\0\1\2\3garbage", 11), Kind::Message, true, "not a valid spreadsheet" },
        { "broken.ppt", std::string("\0\0\0\0\xFF\xFE", 6), Kind::Message, true, "not a valid presentation" },
        { "broken.rtf", "no rtf header", Kind::Message, true, "not a valid RTF document" },
        { "data.bin", std::string("\0\1\2\3\4\5", 6), Kind::Message, true, "cannot be shown" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.bytes == "keep" ? std::string(dir_ / c.name) : file(c.name, c.bytes);
        load(path);
        EXPECT_EQ(delegate_->events, (std::vector<std::string> { "start", c.fails ? "fail" : "finish" }));
        EXPECT_EQ(web_->shownKind(), c.kind);
        EXPECT_NE(delegate_->reason.find(c.reason), std::string::npos) << delegate_->reason;
        EXPECT_EQ(web_->failureReason(), c.fails ? delegate_->reason : std::string());
        delegate_->reason.clear();
        EXPECT_FALSE(web_->isLoading());
        // Every kind draws without trouble.
        EXPECT_TRUE(UIRenderer::snapshotView(*web_, 1));
    }
}

TEST_F(WebView, MissingFilesFoldersAndOtherSchemesFail)
{
    struct Case {
        NSURLRequestRef request;
        std::string reason;
    };
    std::filesystem::create_directory(dir_ / "folder");
    const std::vector<Case> cases = {
        { NSURLRequest::requestWithURL(NSURL::fileURLWithPath(dir_ / "gone.png")), "does not exist" },
        { NSURLRequest::requestWithURL(NSURL::fileURLWithPath(dir_ / "folder")), "folder" },
        { NSURLRequest::requestWithURL(NSURL::URLWithString("http://127.0.0.1/x.png")), "Only files on this device" },
    };
    for (const Case& c : cases) {
        delegate_->events.clear();
        web_->loadRequest(c.request);
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return delegate_->ended(); }, 10));
        EXPECT_EQ(delegate_->events, (std::vector<std::string> { "start", "fail" }));
        EXPECT_NE(delegate_->reason.find(c.reason), std::string::npos) << delegate_->reason;
        EXPECT_EQ(web_->shownKind(), Kind::Message);
    }
}

TEST_F(WebView, GifShowsItsFirstFrame)
{
    const auto image = CGImage::createWithContentsOfFile(file("anim.gif", twoFrameGif()));
    ASSERT_TRUE(image);
    EXPECT_TRUE(near(image->pixelAt(0, 0), 255, 0, 0, 5));
}

TEST_F(WebView, PictureIsScaledDownToFitAndCentred)
{
    ASSERT_TRUE(writePicture(dir_ / "wide.png", "png", 640, 320, 220, 20, 20));
    load(dir_ / "wide.png");
    const CGImageRef shot = snapshot("webview-picture");
    ASSERT_TRUE(shot);
    // 640 x 320 into 320 x 400: 320 x 160, centred vertically (y 120 to 280).
    EXPECT_TRUE(near(shot->pixelAt(5, 125), 220, 20, 20));
    EXPECT_TRUE(near(shot->pixelAt(160, 200), 255, 255, 255)); // the white centre square
    EXPECT_TRUE(near(shot->pixelAt(160, 100), 255, 255, 255)); // above the picture: background
    EXPECT_TRUE(near(shot->pixelAt(314, 275), 220, 20, 20));
    EXPECT_TRUE(near(shot->pixelAt(160, 290), 255, 255, 255));
}

TEST_F(WebView, PdfPagesAreStackedAndOnlyThoseOnScreenAreRendered)
{
    writePdf(dir_ / "long.pdf", 20);
    load(dir_ / "long.pdf");
    ASSERT_EQ(web_->pageCount(), 20);
    const CGImageRef top = snapshot("webview-pdf");
    ASSERT_TRUE(top);
    // Page 1's blue band near the top; the page fills the width less the margins.
    EXPECT_TRUE(near(top->pixelAt(160, 30), 26, 77, 204));
    EXPECT_TRUE(near(top->pixelAt(4, 30), 140, 145, 153));
    EXPECT_LE(web_->renderedPageCount(), 2);
    // A page is 304 x 430 points: the content is 20 pages tall.
    EXPECT_GT(web_->scrollView()->contentSize().height, 20 * 430);
    web_->scrollView()->setContentOffset(web_->scrollView()->maximumContentOffset());
    const CGImageRef bottom = snapshot("webview-pdf-end");
    ASSERT_TRUE(bottom);
    EXPECT_LE(web_->renderedPageCount(), 2);
    EXPECT_GE(web_->renderedPageCount(), 1);
}

TEST_F(WebView, TextIsShownInAMonospacedFont)
{
    load(file("code.txt", "iiiiiiii\nWWWWWWWW\n"));
    const CGImageRef shot = snapshot("webview-text");
    ASSERT_TRUE(shot);
    // Both lines end at the same x in a monospaced font: find the last inked column of each.
    auto lastInk = [&](std::size_t y0, std::size_t y1) {
        std::size_t last = 0;
        for (std::size_t y = y0; y < y1; ++y) {
            for (std::size_t x = 0; x < 320; ++x) {
                if (shot->pixelAt(x, y).red < 128) last = std::max(last, x);
            }
        }
        return last;
    };
    const std::size_t first = lastInk(8, 22);
    const std::size_t second = lastInk(23, 37);
    EXPECT_GT(first, 40u);
    EXPECT_NEAR(double(first), double(second), 3);
}

TEST_F(WebView, OfficeConversionFailuresAreReportedNotHung)
{
    const std::string odt = file("letter.odt", minimalOdt("Hello"));
    // No converter installed.
    {
        ScopedEnv none("LEXIPHANT_SOFFICE", dir_ / "no-such-program");
        load(odt);
        EXPECT_EQ(delegate_->events.back(), "fail");
        EXPECT_NE(delegate_->reason.find("not installed"), std::string::npos);
    }
    // A converter that never finishes is stopped at the time limit.
    const std::string hang = file("hang.sh", "#!/bin/sh\nsleep 30\n");
    chmod(hang.c_str(), 0755);
    {
        ScopedEnv slow("LEXIPHANT_SOFFICE", hang);
        UIWebViewConverter::setTimeLimit(0.5);
        load(odt);
        UIWebViewConverter::setTimeLimit(UIWebViewConverter::kDefaultTimeLimit);
        EXPECT_EQ(delegate_->events.back(), "fail");
        EXPECT_NE(delegate_->reason.find("took longer"), std::string::npos) << delegate_->reason;
        EXPECT_FALSE(web_->isConverting());
    }
    // A converter that ends without a PDF.
    const std::string nothing = file("nothing.sh", "#!/bin/sh\nexit 3\n");
    chmod(nothing.c_str(), 0755);
    {
        ScopedEnv quiet("LEXIPHANT_SOFFICE", nothing);
        load(odt);
        EXPECT_EQ(delegate_->events.back(), "fail");
        EXPECT_NE(delegate_->reason.find("status 3"), std::string::npos) << delegate_->reason;
    }
}

TEST_F(WebView, AViewThatIsGoneOrReplacedHearsNoLateCall)
{
    const std::string hang = file("hang.sh", "#!/bin/sh\nsleep 30\n");
    chmod(hang.c_str(), 0755);
    ScopedEnv slow("LEXIPHANT_SOFFICE", hang);
    const std::string odt = file("letter.odt", minimalOdt("Hello"));

    // A newer load replaces a conversion that is still running.
    web_->loadRequest(NSURLRequest::requestWithURL(NSURL::fileURLWithPath(odt)));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return web_->isConverting(); }, 10));
    load(file("note.txt", "hello"));
    EXPECT_EQ(delegate_->events, (std::vector<std::string> { "start", "finish" }));
    EXPECT_EQ(web_->shownKind(), Kind::Text);

    // A view dropped while it converts: its delegate hears nothing more.
    delegate_->events.clear();
    web_->loadRequest(NSURLRequest::requestWithURL(NSURL::fileURLWithPath(odt)));
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return web_->isConverting(); }, 10));
    web_->removeFromSuperview();
    web_.reset();
    EXPECT_FALSE(RunLoop::main().runUntil([&] { return delegate_->events.size() > 1; }, 1.5));
    EXPECT_EQ(delegate_->events, (std::vector<std::string> { "start" }));
}

TEST_F(WebView, OfficeDocumentsAreConvertedAndShownAsPdf)
{
    if (UIWebViewConverter::converterProgram().empty()) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    bool sawSpinner = false;
    delegate_->events.clear();
    web_->loadRequest(NSURLRequest::requestWithURL(NSURL::fileURLWithPath(file("table.ods", minimalOds(12, 4)))));
    ASSERT_TRUE(RunLoop::main().runUntil([&] {
        if (web_->isConverting() && !sawSpinner) {
            sawSpinner = true;
            EXPECT_TRUE(UIRenderer::writeViewPNG(*web_, snapshotFile("uikit_controls", "webview-converting"), 1));
        }
        return delegate_->ended();
    }, 120));
    EXPECT_TRUE(sawSpinner);
    ASSERT_EQ(delegate_->events, (std::vector<std::string> { "start", "finish" })) << delegate_->reason;
    EXPECT_EQ(web_->shownKind(), Kind::PDF);
    EXPECT_GE(web_->pageCount(), 1);
    const CGImageRef shot = snapshot("webview-spreadsheet");
    ASSERT_TRUE(shot);
    // A white page with the table's digits in dark ink somewhere near its top left.
    std::size_t ink = 0;
    for (std::size_t y = 10; y < 120; ++y) {
        for (std::size_t x = 10; x < 310; ++x) {
            if (shot->pixelAt(x, y).red < 180) ++ink;
        }
    }
    EXPECT_GT(ink, 20u);
    EXPECT_TRUE(near(shot->pixelAt(160, 300), 255, 255, 255, 10));

    // A zip that is no document: LibreOffice fails on it, and the panel says so.
    load(file("torn.odt", minimalOdt("x").substr(0, 120)));
    EXPECT_EQ(delegate_->events.back(), "fail");
    EXPECT_EQ(web_->shownKind(), Kind::Message);
    snapshot("webview-failed-conversion");
}

TEST_F(WebView, InterfaceFilesCanMakeOneAndNameItsDelegate)
{
    auto& registry = UIClassRegistry::shared();
    const auto* info = registry.classNamed("UIWebView");
    ASSERT_TRUE(info);
    EXPECT_TRUE(registry.isKindOf("UIWebView", "UIView"));
    const UIPropertySetter* delegate = registry.propertyOf("UIWebView", "delegate");
    ASSERT_TRUE(delegate);
    auto made = std::dynamic_pointer_cast<UIWebView>(info->make());
    ASSERT_TRUE(made);
    // Anything that is no web-view delegate is refused, naming why.
    EXPECT_THROW(delegate->set(*made, UIPropertyValue(std::static_pointer_cast<UIResponder>(std::make_shared<UIView>()))),
                 std::invalid_argument);
}
