// The whole application against the demo site on a real FTP server, headless: launch on a home
// whose store holds the "Demo site" connection, connect from the start screen, list the folder,
// open the 10 KB PHP page and draw it coloured. Screen slides run on a hand-moved clock; time
// passes for real only while the network manager is busy, as it does for a person.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "Classes/Controller/CodeWriteController.h"
#include "Classes/Controller/RatingPrompt.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Classes/TextView/CodeTextView.h"
#include "Host/HostSession.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIVisibleText.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/support/FtpTestServer.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = fs::path(__FILE__).parent_path().parent_path();
constexpr const char* kPage = "menu.php";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The visible text holding the part, or a null view.
UIVisibleText shownText(const std::u16string& part)
{
    for (auto& shown : UIVisibleText::onScreen())
        if (shown.text.find(part) != std::u16string::npos)
            return shown;
    return {};
}

CodeWriteController* editorOnTop()
{
    const auto window = UIApplication::sharedApplication().keyWindow();
    const auto navigation = window ? std::dynamic_pointer_cast<UINavigationController>(window->rootViewController()) : nullptr;
    return navigation ? dynamic_cast<CodeWriteController*>(navigation->topViewController().get()) : nullptr;
}

// Moves the hand clock a frame at a time; while a transfer runs, waits for it for real.
bool settleUntil(HostSession& session, const std::function<bool()>& done)
{
    for (int frame = 0; frame < 2000; ++frame) {
        if (done())
            return true;
        if (NetworkManager::sharedManager().threadStatus() > 0)
            (void)RunLoop::main().runUntil([] { return NetworkManager::sharedManager().threadStatus() == 0; }, 0.005);
        session.wait(1.0 / 60);
    }
    return done();
}

void tapText(HostSession& session, const std::u16string& text)
{
    const UIVisibleText shown = shownText(text);
    session.tap(CGPointMake(CGRectGetMidX(shown.screenRect), CGRectGetMidY(shown.screenRect)));
}

// A home whose store holds the "Demo site" connection to the FTP test server, which serves the
// page; the hand clock; the application's classes.
struct DemoSite {
    fs::path home;
    std::shared_ptr<Clock> previousClock;

    DemoSite()
    {
        FtpTestServer& server = FtpTestServer::shared();
        server.clearRoot();
        server.writeFile(kPage, readFile(kSource / "demo" / "site" / kPage));

        home = fs::temp_directory_path() / ("lexiphant-bench-e2e-" + std::to_string(::getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
        ::setenv("LEXIPHANT_HOME", home.c_str(), 1);
        if (std::getenv("LEXIPHANT_BUNDLE") == nullptr)
            ::setenv("LEXIPHANT_BUNDLE", (kSource / "Resources").c_str(), 1);
        NSBundle::resetMainBundleForTesting();
        ConnectionManager::resetSharedManagerForTesting();
        auto connection = std::make_shared<QVConnection>();
        connection->setName("Demo site");
        connection->setHost(server.host());
        connection->setPort(server.port());
        connection->setUsername(server.user());
        connection->setPassword(server.password());
        connection->setIsBookmark(true);
        connection->setStartPath(server.startPath());
        (void)ConnectionManager::sharedManager().addConn(connection);
        NSUserDefaults::standardUserDefaults().setString("", "masterPassword");
        NSUserDefaults::standardUserDefaults().synchronize();

        RatingPrompt::Configuration rating;
        rating.testRequestURL = "http://127.0.0.1:9/";
        rating.version = "1.0";
        RatingPrompt::setConfigurationForTesting(rating);
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        RunLoop::main().bindToCurrentThread();
        previousClock = RunLoop::main().setClock(std::make_shared<ManualClock>());
        registerLexiphantClasses();
    }
    ~DemoSite()
    {
        RatingPrompt::setConfigurationForTesting(std::nullopt);
        RunLoop::main().setClock(previousClock);
        ConnectionManager::resetSharedManagerForTesting();
        fs::remove_all(home);
    }
};

// A fresh launch as a new process would make it, up to the page drawn coloured; false when it
// never showed.
bool openPage(HostSession& session, UIRenderer& renderer)
{
    NSUserDefaults::resetStandardUserDefaults();
    ConnectionManager::resetSharedManagerForTesting();
    UIImage::clearNamedCache();
    UIApplication::sharedApplication().resetForTesting();
    session.launch(UIApplicationLoadMainInterface(), UIInterfaceOrientationPortrait);
    bool ok = settleUntil(session, [] { return shownText(u"Demo site").view != nullptr; });
    tapText(session, u"Demo site");
    // A second launch shows the stored listing at once while the fresh one still loads, and a
    // busy screen takes no taps.
    ok = ok && settleUntil(session, [] {
        return shownText(utf8ToUtf16(kPage)).view != nullptr && !NetworkManager::sharedManager().isBusy()
            && NetworkManager::sharedManager().threadStatus() == 0;
    });
    // The folder's slide ends before a row takes a tap.
    session.wait(0.5);
    tapText(session, utf8ToUtf16(kPage));
    ok = ok && settleUntil(session, [] {
        const CodeWriteController* editor = editorOnTop();
        return editor && editor->backupCode() && editor->syntaxHighlight() && editor->txtCode()
            && NetworkManager::sharedManager().threadStatus() == 0;
    });
    session.wait(0.5);
    benchmark::DoNotOptimize(renderer.renderFrame());
    return ok;
}

void closeApplication(HostSession& session)
{
    session.quit();
    RunLoop::main().runOnce();
    RatingPrompt::waitForCountingForTesting();
    UIApplication& app = UIApplication::sharedApplication();
    while (!app.windows().empty())
        app.removeWindow(app.windows().back().get());
    app.setDelegate(nullptr);
    UIAlertView::resetForTesting();
    app.resetForTesting();
    RunLoop::main().runOnce();
}

void BM_launchToColouredFile(benchmark::State& state)
{
    DemoSite site;
    UIRenderer renderer;
    const std::size_t pageBytes = readFile(kSource / "demo" / "site" / kPage).size();
    for (auto _ : state) {
        HostSession session;
        if (!openPage(session, renderer)) {
            state.SkipWithError("the coloured page never showed");
            break;
        }
        state.PauseTiming();
        closeApplication(session);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(pageBytes));
}
BENCHMARK(BM_launchToColouredFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// One keystroke in the largest page that is still coloured, as a person types it: the text
// changes, the whole page is coloured again, and the screen is drawn.
void BM_typeInColouredFile(benchmark::State& state)
{
    DemoSite site;
    UIRenderer renderer;
    HostSession session;
    if (!openPage(session, renderer)) {
        state.SkipWithError("the coloured page never showed");
        return;
    }
    const CodeWriteController* editor = editorOnTop();
    const CGRect code = editor->txtCode()->convertRectToView(editor->txtCode()->bounds(), nullptr);
    session.tap(CGPointMake(CGRectGetMidX(code), CGRectGetMinY(code) + 40));
    session.wait(0.5);
    const std::size_t before = editor->currentText().size();
    int typed = 0;
    for (auto _ : state) {
        // A line at a time, so the page keeps its shape.
        if (!session.typeText(++typed % 40 == 0 ? u"\n" : u"x")) {
            state.SkipWithError("the code view takes no typing");
            break;
        }
        session.turn();
        benchmark::DoNotOptimize(renderer.renderFrame());
    }
    if (editor->currentText().size() != before + std::size_t(typed))
        state.SkipWithError("the typing did not reach the page");
    state.SetItemsProcessed(state.iterations());
    closeApplication(session);
}
BENCHMARK(BM_typeInColouredFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}
