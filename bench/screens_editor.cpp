// The editor screen's costs: opening a PHP file just below the colouring limit from the local FTP
// server until its first coloured frame is drawn, and one keystroke in the open editor until the
// frame that shows it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "Classes/Controller/CodeWriteController.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Classes/TextView/CodeTextView.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"
#include "bench/BenchConnection.h"
#include "tests/support/FtpTestServer.h"

namespace {

constexpr std::size_t kFileBytes = 10239;

std::string phpFile()
{
    const std::string block = "<?php\n// Render one row of the listing\nfunction row($name, $size) {\n"
                              "    $label = \"<td class='name'>\" . htmlspecialchars($name) . \"</td>\";\n"
                              "    if ($size > 1024) { return $label . '<td>' . round($size / 1024) . ' KB</td>'; }\n"
                              "    /* small files */ return $label . \"<td>$size B</td>\";\n}\n?>\n";
    std::string text;
    while (text.size() + block.size() <= kFileBytes)
        text += block;
    text.append(kFileBytes - text.size(), ' ');
    return text;
}

struct ConnectWaiter : NetworkManagerDelegate {
    void finishedConnectingwithCode(int value) override { code = value; }
    int code { -1 };
};

struct Fixture {
    Fixture()
    {
        NSLogSetSink([](const std::string&) { });
        RunLoop::main().bindToCurrentThread();
        RunLoop::main().setClock(std::make_shared<ManualClock>(1000.0));
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        registerLexiphantClasses();
        FtpTestServer& server = FtpTestServer::shared();
        server.writeFile("listing.php", phpFile());
        auto connection = benchConnectionFor(server);
        auto waiter = std::make_shared<ConnectWaiter>();
        NetworkManager::sharedManager().setConnection(connection);
        NetworkManager::sharedManager().setDelegate(waiter);
        performInBackground([] { NetworkManager::sharedManager().connect(); });
        (void)RunLoop::main().runUntil([&] { return waiter->code != -1; }, 30);
        window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window->makeKeyAndVisible();
        navigation = std::make_shared<UINavigationController>(std::make_shared<UIViewController>());
        window->setRootViewController(navigation);
        renderer.renderFrame();
    }
    ~Fixture()
    {
        window->setRootViewController(nullptr);
        window.reset();
        UIApplication::sharedApplication().resetForTesting();
        RunLoop::main().resetForTesting();
    }
    // Pushes an editor for the file and runs until its text is shown and drawn.
    std::shared_ptr<CodeWriteController> open()
    {
        auto entry = std::make_shared<FileEntry>();
        entry->setName("listing.php");
        entry->parseExtension();
        auto editor = std::make_shared<CodeWriteController>();
        editor->setFileEntry(entry);
        navigation->pushViewControllerAnimated(editor, false);
        (void)RunLoop::main().runUntil([&] { return editor->backupCode().has_value(); }, 30);
        renderer.renderFrame();
        return editor;
    }
    void close()
    {
        navigation->popViewControllerAnimated(false);
        RunLoop::main().runOnce();
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UINavigationController> navigation;
    UIRenderer renderer;
};

void report(benchmark::State& state, std::vector<double>& samples)
{
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters["p50_ms"] = samples[samples.size() / 2] * 1e3;
    state.counters["p95_ms"] = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)] * 1e3;
}

void BM_openToFirstPaint(benchmark::State& state)
{
    Fixture f;
    std::vector<double> samples;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        auto editor = f.open();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        if (editor->txtCode()->syntaxHighlighter() == nullptr) {
            // A skipped run may not pause its timing again: leave the loop.
            state.SkipWithError("the file was not coloured");
            break;
        }
        state.PauseTiming();
        f.close();
        state.ResumeTiming();
    }
    report(state, samples);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}

void BM_editorKeystroke(benchmark::State& state)
{
    Fixture f;
    auto editor = f.open();
    CodeTextView& code = *editor->txtCode();
    code.becomeFirstResponder();
    f.renderer.renderFrame();
    std::vector<double> samples;
    for (auto _ : state) {
        const NSUInteger at = CodeTextView::caretBoundaryBefore(code.text(), code.text().size() / 2);
        code.setSelectedRange(NSMakeRange(at, 0));
        const auto begin = std::chrono::steady_clock::now();
        code.insertText(u"x");
        f.renderer.renderFrame();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        state.PauseTiming();
        code.setSelectedRange(NSMakeRange(at, 1));
        code.deleteBackward();
        f.renderer.renderFrame();
        state.ResumeTiming();
    }
    report(state, samples);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    f.close();
}

}

BENCHMARK(BM_openToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_editorKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond);
