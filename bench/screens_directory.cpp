#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <string>

#include "Classes/Controller/DirListController.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIWindow.h"
#include "bench/BenchConnection.h"
#include "tests/support/FtpTestServer.h"

namespace {

constexpr int kEntries = 5000;
constexpr char kFolder[] = "Big Folder";

// A pad showing the directory screen of the local FTP server's root, whose folder "Big Folder"
// holds 5,000 entries of mixed kinds and case (a tenth of them folders).
struct DirectoryScene {
    DirectoryScene()
    {
        RunLoop::main().bindToCurrentThread();
        clock = std::make_shared<ManualClock>(1000.0);
        RunLoop::main().setClock(clock);
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        registerLexiphantClasses();

        FtpTestServer& server = FtpTestServer::shared();
        server.clearRoot();
        const char* kinds[] = { ".html", ".css", ".js", ".php", ".txt", ".png", ".xml", ".py", ".zip", "" };
        for (int i = 0; i < kEntries; ++i) {
            const std::string stem = (i % 3 == 0 ? "File " : i % 3 == 1 ? "file-" : "Data_") + std::to_string((i * 7919) % kEntries);
            if (i % 10 == 0)
                server.makeDir(std::string(kFolder) + "/" + stem);
            else
                server.writeFile(std::string(kFolder) + "/" + stem + kinds[i % 10], "x");
        }
        auto connection = benchConnectionFor(server);
        NetworkManager::sharedManager().setConnection(connection);
        runInBackground([] { NetworkManager::sharedManager().connect(); });

        window = std::make_shared<UIWindow>(CGRectMake(0, 0, 768, 1024));
        window->makeKeyAndVisible();
        navigation = std::make_shared<UINavigationController>(std::make_shared<UIViewController>());
        window->setRootViewController(navigation);
        screen = std::make_shared<DirListController>();
        navigation->pushViewControllerAnimated(screen, false);
        endChangeOver();
        renderer.renderFrame();
    }

    static void runInBackground(std::function<void()> work)
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        performInBackground([work = std::move(work), done] {
            work();
            done->store(true);
        });
        (void)RunLoop::main().runUntil([&] { return done->load(); }, 60);
    }
    // The listing has been shown once the screen is idle; the change-over then runs its course.
    void waitForDisplay()
    {
        (void)RunLoop::main().runUntil(
            [&] { return !screen->isBusy() && NetworkManager::sharedManager().threadStatus() == 0; }, 60);
    }
    void endChangeOver()
    {
        RunLoop::main().advance(DirListController::kChangeOverDuration + 0.1);
        RunLoop::main().runOnce();
    }
    int rowOf(const std::string& name) const
    {
        const auto& entries = *screen->listDirEntries();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i]->name() == name)
                return int(i);
        return -1;
    }
    void tapRow(int row)
    {
        UITableView* table = screen->tblDirectory();
        const NSIndexPath path = NSIndexPath::indexPathForRow(row, 0);
        if (screen->tableViewWillSelectRowAtIndexPath(table, path))
            screen->tableViewDidSelectRowAtIndexPath(table, path);
    }
    void enterBigFolder()
    {
        tapRow(rowOf(kFolder));
        waitForDisplay();
        endChangeOver();
        renderer.renderFrame();
    }
    void leaveBigFolder()
    {
        screen->btnUpPressed(screen->btnUp());
        waitForDisplay();
        endChangeOver();
        renderer.renderFrame();
    }

    std::shared_ptr<ManualClock> clock;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<DirListController> screen;
    UIRenderer renderer;
};

DirectoryScene& scene()
{
    static DirectoryScene shared;
    return shared;
}

// From the tap on the folder's row to the drawn listing of its 5,000 entries: the listing is
// fetched and parsed, sorted and pruned, both tables reloaded and the screen composited.
void BM_enterFolder5000(benchmark::State& state)
{
    DirectoryScene& s = scene();
    for (auto _ : state) {
        s.enterBigFolder();
        state.PauseTiming();
        if (s.screen->listDirEntries()->size() != std::size_t(kEntries))
            state.SkipWithError("the folder did not list its entries");
        s.leaveBigFolder();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}

// The screen's share of it: a fresh, unsorted listing of 5,000 entries sorted, pruned and shown
// in both tables, and the frame drawn.
void BM_sortAndShow5000(benchmark::State& state)
{
    DirectoryScene& s = scene();
    s.enterBigFolder();
    NetworkManager& manager = NetworkManager::sharedManager();
    const NetworkManager::Entries sorted = *manager.curDirListening();
    std::mt19937 random(42);
    for (auto _ : state) {
        state.PauseTiming();
        auto listing = std::make_shared<NetworkManager::Entries>(sorted);
        std::shuffle(listing->begin(), listing->end(), random);
        manager.setCurDirListening(listing);
        state.ResumeTiming();
        s.screen->needsReload();
        s.endChangeOver();
        benchmark::DoNotOptimize(s.renderer.renderFrame());
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
    s.leaveBigFolder();
}

// One frame per iteration while the 5,000-entry folder scrolls by a screenful.
void BM_directoryScroll(benchmark::State& state)
{
    DirectoryScene& s = scene();
    s.enterBigFolder();
    UITableView* table = s.screen->tblDirectory();
    const CGFloat page = table->bounds().size.height;
    const CGFloat last = table->maximumContentOffset().y;
    CGFloat y = 0;
    for (auto _ : state) {
        y = y + page > last ? 0 : y + page;
        table->setContentOffset({ 0, y });
        benchmark::DoNotOptimize(s.renderer.renderFrame());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("ipad, frames");
    s.leaveBigFolder();
}

} // namespace

BENCHMARK(BM_enterFolder5000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_sortAndShow5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_directoryScroll)->Unit(benchmark::kMillisecond);
