// The small scoped helpers of tests/support that test programs share.
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

TEST(TestHelpers, TempDirIsFreshPrivateAndRemovedWithItsContent)
{
    std::string path;
    {
        const TempDir first("lexiphant-helper");
        const TempDir second("lexiphant-helper");
        path = first.path();
        EXPECT_NE(first.path(), second.path());
        EXPECT_TRUE(std::filesystem::is_empty(path));
        EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
        EXPECT_EQ(first / "a.txt", path + "/a.txt");
        std::filesystem::create_directories(first / "deep/er");
        std::ofstream(first / "deep/er/file.txt") << "bytes";
    }
    EXPECT_FALSE(std::filesystem::exists(path));

    const ScopedEnv tmpdir("TMPDIR", "/nonexistent/lexiphant");
    EXPECT_THROW(TempDir {}, std::runtime_error);
}

TEST(TestHelpers, ScopedEnvPutsBackTheOldValueOrItsAbsence)
{
    ::unsetenv("LEXIPHANT_HELPER_TEST");
    {
        const ScopedEnv outer("LEXIPHANT_HELPER_TEST", "outer");
        EXPECT_STREQ(std::getenv("LEXIPHANT_HELPER_TEST"), "outer");
        {
            const ScopedEnv inner("LEXIPHANT_HELPER_TEST", "");
            EXPECT_STREQ(std::getenv("LEXIPHANT_HELPER_TEST"), "");
        }
        EXPECT_STREQ(std::getenv("LEXIPHANT_HELPER_TEST"), "outer");
    }
    EXPECT_EQ(std::getenv("LEXIPHANT_HELPER_TEST"), nullptr);
}

TEST(TestHelpers, LogCaptureTakesLinesFromEveryThreadAndRestoresTheSinkBefore)
{
    std::vector<std::string> outer;
    const NSLogSink previous = NSLogSetSink([&](const std::string& line) { outer.push_back(line); });
    {
        const LogCapture log;
        NSLog("main thread");
        std::thread([] { NSLog("worker thread"); }).join();
        EXPECT_EQ(log.lines(), (std::vector<std::string> { "main thread", "worker thread" }));
        EXPECT_TRUE(log.contains("worker"));
        EXPECT_FALSE(log.contains("nobody"));
    }
    NSLog("after");
    NSLogSetSink(previous);
    EXPECT_EQ(outer, std::vector<std::string> { "after" });
}

} // namespace
