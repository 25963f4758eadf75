#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServer.h"

// One server kind and one device for a case of the whole application.
struct Road {
    const char* name; // for snapshot folders and traces: "ftp-pad"
    bool sftp;
    const char* device; // "ipad" or "iphone"
};

// Each answers what is wrong, or nothing.
using ScriptChecks = std::map<std::string, std::function<std::optional<std::string>()>>;

// The whole application in this process, as its own main starts it: the main interface file,
// the headless host and a script of a person's steps, over a fresh app home whose store holds
// one "Demo site" connection to a real server serving a copy of demo/site.
class EndToEndTest : public ::testing::Test {
protected:
    static constexpr const char* kConnectionName = "Demo site";

    void SetUp() override;
    void TearDown() override;

    // The server of the road, its root emptied and filled with a fresh copy of the demo site.
    TestServer& serveDemoSite(const Road& road);
    // Stores the "Demo site" connection for the server, as the connection form would, and as
    // many others to it ("Site 1", "Site 2"...).
    void storeConnection(const Road& road, TestServer& server, int others = 0);
    // No value: never set (the first launch asks for one); an empty one: no password.
    void setMasterPassword(const std::optional<std::string>& password);

    // Named checks a script runs with "check NAME" (on the server's disk, mid-way).
    ScriptChecks checks_;

    struct Run {
        int code { -1 };
        std::string errors; // the host's error output: the failing line and what is on screen
    };
    // Launches on the device, runs the script and ends the application. Besides the host's own
    // commands the script has: waitIdle (until
    // the network manager rests), waitText (the editor shows its file), tapPart TEXT (a tap on a
    // visible text holding it), tapSegment TITLE, pressLabel TEXT (a long press on a text), step NAME (a settled
    // snapshot, numbered, under the build folder in e2e-snapshots/<test>/<road>/), waitGone TEXT,
    // waitForPart TEXT[|TEXT...] (one visible text holding every part), tapNewConnection (the start screen's "+"),
    // check NAME (one of checks_), tapMidSlide X Y (a tap while a screen slides), tapBeside TEXT (a tap
    // right of a caption, on its field), assertColumnsLineUp (the pad's start screen),
    // assertOrientation NAME.
    Run launch(const Road& road, const std::string& script);

    // The snapshots of this test and road.
    [[nodiscard]] std::filesystem::path snapshotFolder(const Road& road) const;

    TempDir home_ { "lexiphant-e2e" };
    ScopedEnv homeEnv_ { "LEXIPHANT_HOME", home_.path() };
    LogCapture log_;

private:
    void resetApplication();
    int step_ { 0 };
    std::filesystem::path lastFolder_;
};

// The text of a file in demo/site.
[[nodiscard]] std::string demoSiteFile(const std::string& relative);

// From the start screen, right at launch, to the named file open in the editor.
[[nodiscard]] std::string openFile(const std::string& name);

// The text with one insertion taken out again, or nothing when it does not hold it once.
[[nodiscard]] std::optional<std::string> without(const std::string& text, const std::string& inserted);
