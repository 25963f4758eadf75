#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Platform/CoreGraphics/CGImage.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

// The host run as its own process (this test program started with --host-child), the way the
// editor's executable runs it.
namespace {

namespace fs = std::filesystem;

class HostProcessTest : public ::testing::Test {
protected:
    static std::string self() { return fs::read_symlink("/proc/self/exe").string(); }

    std::string write(const std::string& name, const std::string& text) const
    {
        const std::string path = dir_ / name;
        std::ofstream(path) << text;
        return path;
    }

    std::string log() const
    {
        std::ifstream in(dir_ / "log.txt");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempDir dir_ { "lexiphant-host-process" };
};

TEST_F(HostProcessTest, HeadlessScriptWithAnUnknownCommandFailsNamingItsLine)
{
    const std::string script = write("bad.txt", "wait 0.1\nwobble 3 4\nquit\n");
    ChildProcess::Command command;
    command.argv = { self(), "--host-child", "--headless", "--device", "iphone", "--script", script };
    command.logFile = dir_ / "log.txt";
    EXPECT_EQ(ChildProcess::run(command, std::chrono::seconds(60)), 1);
    EXPECT_NE(log().find(script + ":2: unknown command \"wobble\""), std::string::npos) << log();
}

TEST_F(HostProcessTest, DesktopWindowRunsUnderXvfbAndQuitsFromItsScript)
{
    if (!fs::exists("/usr/bin/xvfb-run") || !fs::exists("/usr/bin/Xvfb")) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    const std::string png = dir_ / "window.png";
    const std::string script = write("smoke.txt", "tap 240 400\nwait 0.2\nkey F5\nwait 0.2\nkey ctrl+r\nsnapshot " + png + "\nquit\n");
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ChildProcess::Command command;
    command.argv = { "/usr/bin/xvfb-run", "-a", "-s", "-screen 0 1024x768x24", self(), "--host-child", "--device", "iphone",
                     "--script", script };
    command.logFile = dir_ / "log.txt";
    EXPECT_EQ(ChildProcess::run(command, std::chrono::seconds(90)), 0) << log();
    // It really had a window: no fall-back to running without one.
    EXPECT_EQ(log().find("cannot open a window"), std::string::npos) << log();
    const CGImageRef image = CGImage::createWithContentsOfFile(png);
    ASSERT_TRUE(image) << log();
    EXPECT_EQ(image->width(), 320u);
    EXPECT_EQ(image->height(), 480u);
    // The tap's mark in the tap panel: a tap right at launch lands where the script put it, even
    // with the pointer entering the new window.
    const CGImage::Pixel mark = image->pixelAt(240, 400);
    EXPECT_GT(mark.red, 200);
    EXPECT_LT(mark.green, 60);
}

// A missing or wrong bundle stops the editor with a message that names the folder and what it
// lacks, before anything touches the user's home; the test scene comes only when asked for.
TEST_F(HostProcessTest, ABrokenBundleStopsTheEditorAndTouchesNoUserData)
{
    const std::string empty = dir_ / "empty";
    fs::create_directories(empty);
    const std::string noImages = dir_ / "no-images";
    fs::copy(LEXIPHANT_SOURCE_DIR "/Resources", noImages, fs::copy_options::recursive);
    fs::remove_all(noImages + "/Images");
    const std::string home = dir_ / "home";
    ScopedEnv homeEnv("LEXIPHANT_HOME", home);
    const std::string script = write("quit.txt", "wait 0.1\nquit\n");
    const struct {
        std::string bundle;
        std::vector<std::string> options;
        int code;
        std::string message;
    } cases[] = {
        { empty, {}, 1, "lexiphant: cannot start: the bundle folder " + empty + " (named by LEXIPHANT_BUNDLE) lacks Info.plist, Interface/" },
        { noImages, {}, 1, "lexiphant: cannot start: the bundle folder " + noImages + " (named by LEXIPHANT_BUNDLE) lacks Images/. Nothing was started" },
        { dir_ / "nowhere", {}, 1, "there is no bundle folder " + (dir_ / "nowhere") },
        { empty, { "--test-scene" }, 0, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bundle);
        fs::remove(dir_ / "log.txt");
        ScopedEnv bundleEnv("LEXIPHANT_BUNDLE", c.bundle);
        ChildProcess::Command command;
        command.argv = { self(), "--app-child", "--headless", "--device", "iphone", "--script", script };
        command.argv.insert(command.argv.end(), c.options.begin(), c.options.end());
        command.logFile = dir_ / "log.txt";
        EXPECT_EQ(ChildProcess::run(command, std::chrono::seconds(60)), c.code) << log();
        if (!c.message.empty()) {
            EXPECT_NE(log().find(c.message), std::string::npos) << log();
        }
        EXPECT_FALSE(fs::exists(home)) << "no user data is made or touched";
    }
}

} // namespace
