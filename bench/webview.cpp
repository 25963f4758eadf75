// How fast the web view shows what the editor hands it: a PDF's first page, and an office
// document converted by LibreOffice.

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSURL.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIWebView.h"
#include "Platform/UIKit/UIWebViewConverter.h"
#include "tests/uikit_controls/WebViewTestFiles.h"

namespace {

class Ended : public UIWebViewDelegate {
public:
    void webViewDidFinishLoad(UIWebView&) override { ended = true; }
    void webViewDidFailLoadWithError(UIWebView&, const NSError& e) override
    {
        ended = true;
        failed = e.localizedDescription();
    }
    bool ended { false };
    std::string failed;
};

const std::string& scratch()
{
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench-webview-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        setenv("LEXIPHANT_HOME", (std::string(made) + "/home").c_str(), 1);
        return std::string(made);
    }();
    return folder;
}

// Loads the file into a fresh iPad-sized web view and draws it once, as the screen would.
bool show(const std::string& path, benchmark::State& state)
{
    RunLoop::main().bindToCurrentThread();
    auto web = std::make_shared<UIWebView>(CGRectMake(0, 0, 768, 960));
    auto delegate = std::make_shared<Ended>();
    web->setDelegate(delegate);
    web->loadRequest(NSURLRequest::requestWithURL(NSURL::fileURLWithPath(path)));
    if (!RunLoop::main().runUntil([&] { return delegate->ended; }, 120) || !delegate->failed.empty()) {
        state.SkipWithError(("load failed: " + delegate->failed).c_str());
        return false;
    }
    benchmark::DoNotOptimize(UIRenderer::snapshotView(*web, 2));
    return true;
}

void BM_pdfFirstPage(benchmark::State& state)
{
    const std::string path = scratch() + "/twenty.pdf";
    webview_test::writePdf(path, 20);
    for (auto _ : state) {
        if (!show(path, state)) break;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_pdfFirstPage)->Unit(benchmark::kMillisecond);

void BM_officeDocumentConvertedAndShown(benchmark::State& state)
{
    if (UIWebViewConverter::converterProgram().empty()) {
        state.SkipWithError("LibreOffice is not installed");
        return;
    }
    const std::string path = scratch() + "/letter.odt";
    webview_test::writeFile(path, webview_test::minimalOdt("A one-page letter: Dear reader, this is all there is."));
    for (auto _ : state) {
        if (!show(path, state)) break;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_officeDocumentConvertedAndShown)->Unit(benchmark::kMillisecond)->Iterations(3);

// LibreOffice's start with a fresh profile: the conversion of a one-line RTF is almost all
// start-up.
void BM_libreOfficeStart(benchmark::State& state)
{
    if (UIWebViewConverter::converterProgram().empty()) {
        state.SkipWithError("LibreOffice is not installed");
        return;
    }
    const std::string path = scratch() + "/tiny.rtf";
    webview_test::writeFile(path, "{\\rtf1\\ansi x}");
    for (auto _ : state) {
        auto result = UIWebViewConverter::convertToPDF(path, nullptr);
        if (!result.ok) {
            state.SkipWithError(result.reason.c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_libreOfficeStart)->Unit(benchmark::kMillisecond)->Iterations(3);

}
