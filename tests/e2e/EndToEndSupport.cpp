#include "tests/e2e/EndToEndSupport.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "Classes/Controller/BookmarkCell.h"
#include "Classes/Controller/CodeWriteController.h"
#include "Classes/Controller/RatingPrompt.h"
#include "Classes/Controller/StartScreenGrid.h"
#include "Classes/Controller/StartViewController.h"
#include "Classes/LexiphantClasses.h"
#include "Classes/Others/ConnectionManager.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Host/HostMain.h"
#include "Host/ScriptDriver.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPasteboard.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIVisibleText.h"
#include "Platform/UIKit/UIWindow.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/SftpTestServer.h"

namespace fs = std::filesystem;

namespace {

// Screen slides and alert animations are over after this.
constexpr double kSettleSeconds = 0.6;
constexpr double kLongPressSeconds = 0.8;

// The build folder: where the test program lives.
fs::path buildFolder()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : exe.parent_path();
}

std::string fileName(std::string text)
{
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-')
            c = '-';
    return text;
}

std::string labelOf(const std::string& rest)
{
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        return rest.substr(1, rest.size() - 2);
    return rest;
}

bool visible(const std::string& text) { return UIVisibleText::find(utf8ToUtf16(text)).view != nullptr; }

// Whether one visible text holds every part ("|" between parts).
bool visiblePart(const std::string& parts)
{
    std::vector<std::u16string> wanted { u"" };
    for (const char16_t c : utf8ToUtf16(parts)) {
        if (c == u'|')
            wanted.emplace_back();
        else
            wanted.back().push_back(c);
    }
    for (const auto& shown : UIVisibleText::onScreen())
        if (std::all_of(wanted.begin(), wanted.end(),
                        [&](const auto& part) { return shown.text.find(part) != std::u16string::npos; }))
            return true;
    return false;
}

// A host command's failure, or nothing when it went through.
std::optional<std::string> failureOf(const ScriptDriver::Outcome& outcome)
{
    return outcome.ok ? std::nullopt : std::optional<std::string>(outcome.error);
}

std::optional<std::string> waitUntil(ScriptDriver& driver, const std::function<bool()>& done, double seconds,
                                     const std::string& what)
{
    if (driver.letTimePass(seconds, done))
        return std::nullopt;
    return "waited " + std::to_string(int(seconds)) + " s " + what;
}

// A finger on the middle of a rectangle of the screen: "tap", or "press" held for a long press.
std::optional<std::string> touch(ScriptDriver& driver, const CGRect& screenRect, const std::string& how)
{
    const CGPoint centre = CGPointMake(CGRectGetMidX(screenRect), CGRectGetMidY(screenRect));
    const CGPoint shown = CGPointApplyAffineTransform(
        centre, UIRenderer::screenToDisplayTransform(UIApplication::sharedApplication().statusBarOrientation()));
    std::ostringstream command;
    command << how << " " << shown.x << " " << shown.y;
    if (how == "press")
        command << " " << kLongPressSeconds;
    return failureOf(driver.runText(command.str(), how));
}

template <class Screen>
Screen* visibleScreen()
{
    for (const auto& window : UIApplication::sharedApplication().windowsFrontToBack()) {
        auto navigation = std::dynamic_pointer_cast<UINavigationController>(window->rootViewController());
        if (navigation)
            if (auto* screen = dynamic_cast<Screen*>(navigation->topViewController().get()))
                return screen;
    }
    return nullptr;
}

CodeWriteController* visibleEditor() { return visibleScreen<CodeWriteController>(); }

void addEndToEndCommands(ScriptDriver& driver, const fs::path& folder, int& step, const ScriptChecks& checks)
{
    ScriptDriver* d = &driver;
    driver.addCommand("check", "check NAME", [&checks](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const auto found = checks.find(line.rest);
        if (found == checks.end())
            return "no check named \"" + line.rest + "\"";
        return found->second();
    });
    driver.addCommand("waitForPart", "waitForPart TEXT", [d](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const std::string part = labelOf(line.rest);
        auto error = waitUntil(*d, [&] { return visiblePart(part); }, 10, "for a text holding \"" + part + "\"");
        if (!error)
            return std::nullopt;
        std::string shown;
        for (const auto& text : UIVisibleText::onScreen())
            shown += (shown.empty() ? " \"" : ", \"") + utf16ToUtf8(text.text) + "\"";
        return *error + "; on screen:" + shown;
    });
    driver.addCommand("waitGone", "waitGone TEXT", [d](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const std::string text = labelOf(line.rest);
        return waitUntil(*d, [&] { return !visible(text); }, 10, "for \"" + text + "\" to go");
    });
    driver.addCommand("waitIdle", "waitIdle", [d](const ScriptDriver::Line&) -> std::optional<std::string> {
        return waitUntil(*d, [] {
            const CodeWriteController* editor = visibleEditor();
            return NetworkManager::sharedManager().threadStatus() == 0 && !(editor && editor->isSaving());
        }, 30, "for the network manager to rest");
    });
    driver.addCommand("waitText", "waitText", [d](const ScriptDriver::Line&) -> std::optional<std::string> {
        return waitUntil(*d, [] {
            const CodeWriteController* editor = visibleEditor();
            return editor && editor->backupCode() && NetworkManager::sharedManager().threadStatus() == 0;
        }, 30, "for the editor to show its text");
    });
    driver.addCommand("tapPart", "tapPart TEXT", [d](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const std::u16string wanted = utf8ToUtf16(labelOf(line.rest));
        for (const auto& shown : UIVisibleText::onScreen())
            if (shown.text.find(wanted) != std::u16string::npos)
                return touch(*d, shown.screenRect, "tap");
        return failureOf(d->runText("assertVisible " + line.rest, "tapPart"));
    });
    // A segment of a segmented control, whose visible text holds its titles one a line.
    driver.addCommand("tapSegment", "tapSegment TITLE", [d](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const std::u16string title = utf8ToUtf16(labelOf(line.rest));
        for (const auto& shown : UIVisibleText::onScreen()) {
            std::vector<std::u16string> titles { u"" };
            for (const char16_t c : shown.text) {
                if (c == u'\n')
                    titles.emplace_back();
                else
                    titles.back().push_back(c);
            }
            const auto found = std::find(titles.begin(), titles.end(), title);
            if (titles.size() < 2 || found == titles.end())
                continue;
            CGRect part = shown.screenRect;
            part.size.width /= CGFloat(titles.size());
            part.origin.x += part.size.width * CGFloat(found - titles.begin());
            return touch(*d, part, "tap");
        }
        return failureOf(d->runText("assertVisible " + line.rest, "tapSegment"));
    });
    // The start screen's big "+" (an image, no text): the first cell of the first column.
    driver.addCommand("tapNewConnection", "tapNewConnection", [d](const ScriptDriver::Line&) -> std::optional<std::string> {
        const StartViewController* start = visibleScreen<StartViewController>();
        UITableView* column = start != nullptr ? start->tblConns(0) : nullptr;
        const auto cell = column != nullptr ? std::dynamic_pointer_cast<BookmarkCell>(column->cellForRowAtIndexPath({ 0, 0 }))
                                            : nullptr;
        if (!cell || cell->btnConnect == nullptr || cell->btnConnect->isHidden())
            return std::string("no start screen with its \"+\" button");
        UIButton& button = *cell->btnConnect;
        return touch(*d, CGRectApplyAffineTransform(button.bounds(), button.transformToScreen()), "tap");
    });
    // A tap while a screen slides in or out, at a display point where the new screen has
    // something to tap: it must reach nothing.
    driver.addCommand("tapMidSlide", "tapMidSlide X Y", [d](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const UIApplication& app = UIApplication::sharedApplication();
        if (auto error = waitUntil(*d, [&] { return app.isIgnoringInteractionEvents(); }, 20, "for a screen to slide"))
            return error;
        if (auto error = failureOf(d->runText("tap " + line.rest, "tapMidSlide")))
            return error;
        if (!app.isIgnoringInteractionEvents())
            return std::string("the slide ended before the finger lifted");
        return waitUntil(*d, [&] { return !app.isIgnoringInteractionEvents(); }, 2, "for the slide to end");
    });
    // A field with no text of its own, beside its caption ("To:"): a tap well right of it.
    driver.addCommand("tapBeside", "tapBeside TEXT", [d](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const std::string text = labelOf(line.rest);
        const UIVisibleText found = UIVisibleText::find(utf8ToUtf16(text));
        if (!found.view)
            return failureOf(d->runText("assertVisible " + text, "tapBeside"));
        // Right as the person sees it: on the display, whichever way the screen is turned.
        constexpr CGFloat kBeside = 100;
        const CGRect shown = CGRectApplyAffineTransform(
            found.screenRect, UIRenderer::screenToDisplayTransform(UIApplication::sharedApplication().statusBarOrientation()));
        std::ostringstream command;
        command << "tap " << CGRectGetMaxX(shown) + kBeside << " " << CGRectGetMidY(shown);
        return failureOf(d->runText(command.str(), "tapBeside"));
    });
    // The pad's start-screen columns in use all at one offset, none left past an end: the rows
    // line up across the screen.
    driver.addCommand("assertColumnsLineUp", "assertColumnsLineUp", [d](const ScriptDriver::Line&) -> std::optional<std::string> {
        // Only the script's clock: springs and decelerations end.
        RunLoop::main().advance(kSettleSeconds);
        const StartViewController* start = visibleScreen<StartViewController>();
        if (start == nullptr || start->tblConns(1) == nullptr)
            return std::string("no pad start screen");
        const int columns = StartScreenGrid::columnCount(start->layoutOrientation());
        std::ostringstream offsets;
        bool apart = false;
        for (int column = 0; column < columns; ++column) {
            const UITableView* table = start->tblConns(column);
            const CGFloat y = table->contentOffset().y;
            const CGFloat end = std::max<CGFloat>(0, table->contentSize().height - table->bounds().size.height);
            apart = apart || y != start->tblConns(0)->contentOffset().y || y < -0.5 || y > end + 0.5;
            offsets << " " << y << " (of 0 to " << end << ")";
        }
        if (apart)
            return "the columns do not line up; their offsets:" + offsets.str();
        return std::nullopt;
    });
    // The way the interface is turned: the status bar's and the front screen's.
    driver.addCommand("assertOrientation", "assertOrientation portrait|landscape|landscapeLeft|upsideDown",
                      [](const ScriptDriver::Line& line) -> std::optional<std::string> {
        static const std::map<std::string, UIInterfaceOrientation> kNames {
            { "portrait", UIInterfaceOrientationPortrait },
            { "landscape", UIInterfaceOrientationLandscapeRight },
            { "landscapeLeft", UIInterfaceOrientationLandscapeLeft },
            { "upsideDown", UIInterfaceOrientationPortraitUpsideDown },
        };
        const auto wanted = kNames.find(line.rest);
        if (wanted == kNames.end())
            return "not an orientation: " + line.rest;
        const UIInterfaceOrientation bar = UIApplication::sharedApplication().statusBarOrientation();
        const UIViewController* screen = visibleScreen<UIViewController>();
        const UIInterfaceOrientation shown = screen != nullptr ? screen->interfaceOrientation() : bar;
        if (bar != wanted->second || shown != wanted->second)
            return "the status bar is turned " + std::to_string(bar) + " and the screen " + std::to_string(shown)
                + ", not " + line.rest;
        return std::nullopt;
    });
    driver.addCommand("pressLabel", "pressLabel TEXT", [d](const ScriptDriver::Line& line) -> std::optional<std::string> {
        const std::string text = labelOf(line.rest);
        const UIVisibleText found = UIVisibleText::find(utf8ToUtf16(text));
        if (!found.view)
            return failureOf(d->runText("assertVisible " + text, "pressLabel"));
        return touch(*d, found.screenRect, "press");
    });
    driver.addCommand("step", "step NAME", [d, folder, &step](const ScriptDriver::Line& line) -> std::optional<std::string> {
        char number[16];
        std::snprintf(number, sizeof number, "%02d-", ++step);
        const fs::path path = folder / (number + fileName(line.rest) + ".png");
        // Only the script's clock: the screen's animations end, nothing waits on the servers.
        RunLoop::main().advance(kSettleSeconds);
        return failureOf(d->runText("snapshot " + path.string(), "step"));
    });
}

fs::path demoSite() { return fs::path(LEXIPHANT_SOURCE_DIR) / "demo" / "site"; }

} // namespace

std::string demoSiteFile(const std::string& relative)
{
    std::ifstream in(demoSite() / relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string openFile(const std::string& name)
{
    return "tapLabel Demo site\nwaitFor " + name + " 20\nstep folder\ntapLabel " + name + "\nwaitText\nstep editor\n";
}

std::optional<std::string> without(const std::string& text, const std::string& inserted)
{
    const auto at = text.find(inserted);
    if (at == std::string::npos || text.find(inserted, at + 1) != std::string::npos)
        return std::nullopt;
    return text.substr(0, at) + text.substr(at + inserted.size());
}

void EndToEndTest::SetUp()
{
    resetApplication();
    RatingPrompt::Configuration rating;
    // Nothing listens there: the rating prompt never finds the network.
    rating.testRequestURL = "http://127.0.0.1:9/";
    rating.version = "1.0";
    RatingPrompt::setConfigurationForTesting(rating);
    registerLexiphantClasses();
}

void EndToEndTest::TearDown()
{
    RatingPrompt::setConfigurationForTesting(std::nullopt);
    resetApplication();
    if (HasFailure()) {
        std::string lines;
        for (const std::string& line : log_.lines())
            lines += line + "\n";
        std::cerr << "The application's log:\n" << lines.substr(lines.size() > 6000 ? lines.size() - 6000 : 0);
    }
}

void EndToEndTest::resetApplication()
{
    RatingPrompt::waitForCountingForTesting();
    UIApplicationSetHost({});
    UIAlertView::resetForTesting();
    UIActionSheet::resetForTesting();
    UIGestureRecognizer::resetAllForTesting();
    UIResponder::resetFirstResponderForTesting();
    UIApplication::sharedApplication().resetForTesting();
    UIMenuController::sharedMenuController().resetForTesting();
    UIPasteboard::generalPasteboard().resetForTesting();
    RunLoop::main().resetForTesting();
    ConnectionManager::resetSharedManagerForTesting();
    NSUserDefaults::resetStandardUserDefaults();
}

TestServer& EndToEndTest::serveDemoSite(const Road& road)
{
    TestServer& server = road.sftp ? static_cast<TestServer&>(SftpTestServer::shared())
                                   : static_cast<TestServer&>(FtpTestServer::shared());
    server.clearRoot();
    for (const auto& entry : fs::recursive_directory_iterator(demoSite())) {
        const std::string relative = fs::relative(entry.path(), demoSite()).generic_string();
        if (entry.is_directory())
            server.makeDir(relative);
        else
            server.writeFile(relative, demoSiteFile(relative));
    }
    return server;
}

void EndToEndTest::storeConnection(const Road& road, TestServer& server, int others)
{
    ConnectionManager& store = ConnectionManager::sharedManager();
    for (const auto& old : store.getBookmarks())
        store.deleteConn(old->index());
    for (const auto& old : store.getLastConns())
        store.deleteConn(old->index());
    for (int n = 0; n <= others; ++n) {
        auto connection = std::make_shared<QVConnection>();
        connection->setName(n == 0 ? std::string(kConnectionName) : "Site " + std::to_string(n));
        connection->setHost(server.host());
        connection->setPort(server.port());
        connection->setUsername(server.user());
        connection->setPassword(server.password());
        connection->setType(road.sftp ? 1 : 0);
        connection->setIsBookmark(true);
        connection->setStartPath(server.startPath());
        ASSERT_GT(store.addConn(connection), 0);
    }
    ConnectionManager::resetSharedManagerForTesting();
}

void EndToEndTest::setMasterPassword(const std::optional<std::string>& password)
{
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    if (password)
        defaults.setString(*password, "masterPassword");
    else
        defaults.removeObjectForKey("masterPassword");
    ASSERT_TRUE(defaults.synchronize());
    NSUserDefaults::resetStandardUserDefaults();
}

fs::path EndToEndTest::snapshotFolder(const Road& road) const
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return buildFolder() / "e2e-snapshots" / fileName(std::string(test->test_suite_name()) + "-" + test->name())
        / road.name;
}

EndToEndTest::Run EndToEndTest::launch(const Road& road, const std::string& script)
{
    const std::string path = home_ / "script.txt";
    std::ofstream(path) << script << "\nquit\n";
    const fs::path folder = snapshotFolder(road);
    fs::create_directories(folder);
    // Steps are numbered per road; a second launch on the same road goes on counting.
    if (folder != lastFolder_)
        step_ = 0;
    lastFolder_ = folder;
    std::ostringstream errors;
    installHostForApplicationMain(errors, [this, folder](ScriptDriver& driver) {
        addEndToEndCommands(driver, folder, step_, checks_);
    });
    std::vector<std::string> args { "lexiphant", "--headless", "--device", road.device, "--script", path };
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    Run run;
    run.code = UIApplicationMain(int(argv.size()), argv.data(), "", "");
    run.errors = errors.str();
    resetApplication();
    return run;
}
