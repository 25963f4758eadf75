#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "Host/BundleCheck.h"
#include "Host/HostMain.h"
#include "Host/HostSession.h"
#include "Host/ScriptDriver.h"
#include "Host/TestScene.h"
#include "Platform/Foundation/NSDate.h"
#include "tests/host/HostTestSupport.h"

// What the host checks and sets up before the application runs: the bundle, the help, the clock.
namespace {

namespace fs = std::filesystem;

using HostStart = HostTest;

// --help lists what the driver's own table holds, so a command added there shows by itself.
TEST_F(HostStart, HelpListsEveryCommandOfTheDriversTable)
{
    const std::string help = hostUsage();
    for (const char* usage : { "tap X Y", "tapLabel TEXT", "tapOutlet NAME", "waitFor TEXT [SECONDS]",
             "assertVisible TEXT", "answerAlert INDEX|TITLE", "answerSheet INDEX|TITLE", "memoryWarning",
             "snapshot PATH.png", "quit" }) {
        EXPECT_NE(help.find("  " + std::string(usage) + "\n"), std::string::npos) << usage << "\n" << help;
    }
    EXPECT_NE(help.find("--test-scene"), std::string::npos);
    HostSession session;
    ScriptDriver driver(session);
    const std::size_t before = driver.commandUsages().size();
    driver.addCommand("mark", "mark WORDS", [](const ScriptDriver::Line&) { return std::nullopt; });
    const auto usages = driver.commandUsages();
    EXPECT_EQ(usages.size(), before + 1);
    EXPECT_NE(std::find(usages.begin(), usages.end(), "mark WORDS"), usages.end());
}

TEST_F(HostStart, BundleCheckNamesWhatTheFolderLacks)
{
    const std::string real = LEXIPHANT_SOURCE_DIR "/Resources";
    const std::string copy = scratch("copy");
    fs::copy(real, copy, fs::copy_options::recursive);
    fs::remove_all(copy + "/Images");
    fs::remove(copy + "/jquery_template.txt");
    const std::string otherMain = scratch("other-main");
    fs::create_directories(otherMain);
    std::ofstream(otherMain + "/Info.plist")
        << "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
           "<key>NSMainNibFile</key><string>Elsewhere</string></dict></plist>";
    // Interface files that name what is not there, or do not parse.
    const std::string cut = scratch("cut");
    fs::copy(real, cut, fs::copy_options::recursive);
    {
        std::ifstream in(cut + "/Interface/PassController.json");
        const std::string whole((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(cut + "/Interface/PassController.json", std::ios::trunc) << whole.substr(0, whole.size() / 2);
    }
    const std::string noImages = scratch("no-images");
    fs::copy(real, noImages, fs::copy_options::recursive);
    fs::remove_all(noImages + "/Images");
    fs::create_directories(noImages + "/Images");
    const std::string noFont = scratch("no-font");
    fs::copy(real, noFont, fs::copy_options::recursive);
    std::ofstream(noFont + "/Fonts/aliases.json", std::ios::trunc) << "{ \"Lexitype Neue\": \"DejaVu Sans\" }";
    const std::string empty = scratch("empty");
    fs::create_directories(empty);
    const struct {
        std::string path;
        std::vector<std::string> missing;
    } cases[] = {
        { real, {} },
        { copy, { "Images/", "jquery_template.txt" } },
        { empty,
            { "Info.plist", "Interface/", "Images/", "Fonts/", "Syntax Definitions/",
                "SyntaxDefinitions.plist", "jquery_template.txt" } },
        { otherMain,
            { "Interface/Elsewhere.json", "Interface/", "Images/", "Fonts/", "Syntax Definitions/",
                "SyntaxDefinitions.plist", "jquery_template.txt" } },
        { scratch("nowhere"), { BundleCheck::kWholeFolder } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BundleCheck::missingParts(c.path, BundleCheck::editorNeeds()), c.missing) << c.path;
    }
    const struct {
        std::string path;
        std::string first; // what is named first
    } partial[] = {
        { cut, "a readable Interface/PassController.json" },
        { noImages, "Images/LXPH_" },
        { noFont, "the font \"LexitypeNeue-Bold\" in Fonts/aliases.json" },
    };
    for (const auto& c : partial) {
        const auto missing = BundleCheck::missingParts(c.path, BundleCheck::editorNeeds());
        ASSERT_FALSE(missing.empty()) << c.path;
        EXPECT_EQ(missing.front().rfind(c.first, 0), 0u) << missing.front();
    }
    // Any application's bundle needs its main interface file, whatever else it reads.
    EXPECT_EQ(BundleCheck::missingParts(empty, {}), std::vector<std::string> { "Info.plist" });
    EXPECT_TRUE(BundleCheck::missingParts(real, {}).empty());
}

// A script without a window moves a clock of its own, which starts at the real time, so dates
// the application stores are today's, and moves on as the script's waits say.
TEST_F(HostStart, AScriptedRunsClockStartsAtTheRealTime)
{
    std::vector<double> dates;
    const std::string script = scratch("dates.txt");
    std::ofstream(script) << "date\nwait 3\ndate\nquit\n";
    HostOptions options;
    options.device = "iphone";
    options.headless = true;
    options.scriptPath = script;
    std::ostringstream err;
    const double realNow
        = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    const int code = runHost(options, std::make_shared<TestScene>(), err, [&dates](ScriptDriver& driver) {
        driver.addCommand("date", "date", [&dates](const ScriptDriver::Line&) -> std::optional<std::string> {
            dates.push_back(NSDate::date().timeIntervalSince1970());
            return std::nullopt;
        });
    });
    EXPECT_EQ(code, 0) << err.str();
    ASSERT_EQ(dates.size(), 2u);
    EXPECT_NEAR(dates[0], realNow, 60);
    EXPECT_GE(dates[1] - dates[0], 3);
}

} // namespace
