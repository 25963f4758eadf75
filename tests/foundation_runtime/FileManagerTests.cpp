#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "RuntimeTestSupport.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info { };
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

NSFileManager& files()
{
    return NSFileManager::defaultManager();
}

} // namespace

TEST(AppHome, IsMadeWithItsFoldersAndAPrivateTmp)
{
    TempDir dir;
    const std::string home = dir / "home";
    ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
    // A tmp/ left wide open by someone else is closed again.
    ASSERT_EQ(::mkdir((home + "/tmp").c_str(), 0777), 0);
    ::chmod((home + "/tmp").c_str(), 0777);
    ScopedEnv env("LEXIPHANT_HOME", home + "/");
    EXPECT_EQ(NSHomeDirectory(), home);
    EXPECT_EQ(NSTemporaryDirectory(), home + "/tmp/");
    EXPECT_EQ(files().documentsDirectory(), home + "/Documents");
    for (const char* folder : { "Documents", "Library/Preferences", "tmp", "Outbox" }) {
        bool isDirectory = false;
        EXPECT_TRUE(files().fileExistsAtPath(home + "/" + folder, isDirectory) && isDirectory) << folder;
    }
    EXPECT_EQ(modeOf(home + "/tmp"), 0700u);
}

TEST(AppHome, FollowsTheEnvironmentAndDefaultsUnderHome)
{
    TempDir dir;
    {
        ScopedEnv env("LEXIPHANT_HOME", dir / "first");
        EXPECT_EQ(NSHomeDirectory(), dir / "first");
    }
    ScopedEnv unset("LEXIPHANT_HOME", "");
    ScopedEnv home("HOME", dir.path());
    EXPECT_EQ(NSHomeDirectory(), dir.path() + "/.local/share/lexiphant");
    EXPECT_TRUE(files().fileExistsAtPath(dir.path() + "/.local/share/lexiphant/Outbox"));
}

TEST(FileHelpers, AtomicWriteReplacesWithTheGivenMode)
{
    TempDir dir;
    const std::string file = dir / "data.bin";
    const mode_t oldMask = ::umask(0077);
    const std::string bytes("a\0b\xFF", 4);
    EXPECT_TRUE(files().writeToFile(file, bytes, 0644));
    EXPECT_EQ(modeOf(file), 0644u);
    ::umask(0);
    EXPECT_TRUE(files().writeToFile(file, "second", 0600));
    ::umask(oldMask);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(files().contentsAtPath(file), std::optional<std::string>("second"));
    EXPECT_EQ(files().contentsOfDirectoryAtPath(dir.path())->size(), 1u) << "no temporary left behind";
    EXPECT_FALSE(files().writeToFile(dir / "missing/child.txt", "x"));
}

TEST(FileHelpers, FailedWriteKeepsTheOldFile)
{
    TempDir dir;
    const std::string file = dir / "settings.plist";
    writeFile(file, "old content");
    // A write cut short by the file-size limit must leave the old file as it was.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit {};
    ::getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = files().writeToFile(file, std::string(4096, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(NSFileManager::lastError().empty());
    EXPECT_EQ(readFile(file), "old content");
    EXPECT_EQ(*files().contentsOfDirectoryAtPath(dir.path()), std::vector<std::string> { "settings.plist" });
}

TEST(FileHelpers, RemoveIsNeverRecursive)
{
    TempDir dir;
    ASSERT_TRUE(files().createDirectoryAtPath(dir / "full/inner", true));
    writeFile(dir / "full/inner/keep.txt", "keep");
    ASSERT_TRUE(files().createDirectoryAtPath(dir / "empty", false));
    writeFile(dir / "file.txt", "x");
    ASSERT_EQ(::symlink((dir / "full").c_str(), (dir / "link").c_str()), 0);

    EXPECT_FALSE(files().removeItemAtPath(dir / "full"));
    EXPECT_FALSE(files().removeItemAtPath(dir / "full/inner"));
    EXPECT_EQ(readFile(dir / "full/inner/keep.txt"), "keep");
    EXPECT_TRUE(files().removeItemAtPath(dir / "link")) << "the link goes, not its target";
    EXPECT_TRUE(files().fileExistsAtPath(dir / "full/inner/keep.txt"));
    EXPECT_TRUE(files().removeItemAtPath(dir / "empty"));
    EXPECT_TRUE(files().removeItemAtPath(dir / "file.txt"));
    EXPECT_FALSE(files().removeItemAtPath(dir / "file.txt"));
    EXPECT_FALSE(files().removeItemAtPath(""));
}

TEST(FileHelpers, ReadingRefusesWhatIsNotAFile)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(files().contentsAtPath(dir / "pipe")) << "a FIFO must not hang the reader";
    EXPECT_FALSE(files().contentsAtPath(dir.path()));
    EXPECT_FALSE(files().contentsAtPath(dir / "absent"));
    writeFile(dir / "empty", "");
    EXPECT_EQ(files().contentsAtPath(dir / "empty"), std::optional<std::string>(""));
}

TEST(FileHelpers, DirectoriesAndMoves)
{
    TempDir dir;
    EXPECT_FALSE(files().createDirectoryAtPath(dir / "a/b/c", false));
    EXPECT_TRUE(files().createDirectoryAtPath(dir / "a//b/c/", true, 0700));
    EXPECT_TRUE(files().createDirectoryAtPath(dir / "a/b", true)) << "an existing directory is fine";
    EXPECT_EQ(modeOf(dir / "a/b/c"), 0700u);
    writeFile(dir / "a/file", "f");
    EXPECT_FALSE(files().createDirectoryAtPath(dir / "a/file", true)) << "a file is in the way";
    EXPECT_FALSE(files().createDirectoryAtPath(dir / "a/file/sub", true));
    writeFile(dir / "a/.hidden", "h");
    EXPECT_EQ(
        *files().contentsOfDirectoryAtPath(dir / "a"), (std::vector<std::string> { ".hidden", "b", "file" }));
    EXPECT_FALSE(files().contentsOfDirectoryAtPath(dir / "a/file"));

    EXPECT_FALSE(files().moveItemAtPath(dir / "a/file", dir / "a/.hidden")) << "never replaces";
    EXPECT_EQ(readFile(dir / "a/.hidden"), "h");
    EXPECT_TRUE(files().moveItemAtPath(dir / "a/file", dir / "a/renamed"));
    EXPECT_EQ(readFile(dir / "a/renamed"), "f");
}

// Tests point the main bundle at temporary folders; it is looked up again afterwards.
class Bundle : public testing::Test {
protected:
    void TearDown() override { NSBundle::resetMainBundleForTesting(); }
};

TEST_F(Bundle, FindsResourcesThroughTheEnvironment)
{
    TempDir dir;
    ASSERT_TRUE(files().createDirectoryAtPath(dir / "Syntax Definitions", false));
    ASSERT_TRUE(files().createDirectoryAtPath(dir / "folder.plist", false));
    writeFile(dir / "jquery_template.txt", "x");
    writeFile(dir / "README", "r");
    writeFile(dir / "Syntax Definitions/html.plist", "<plist><dict/></plist>");
    writeFile(dir / "Info.plist",
        "<plist><dict><key>CFBundleVersion</key><string>1.2</string>"
        "<key>CFBundleName</key><string>Lexiphant</string></dict></plist>");
    writeFile(dir.path() + "/../outside.txt", "o");

    ScopedEnv env("LEXIPHANT_BUNDLE", dir.path() + "/");
    NSBundle::resetMainBundleForTesting();
    const NSBundle& bundle = NSBundle::mainBundle();
    EXPECT_EQ(bundle.bundlePath(), dir.path());
    EXPECT_EQ(bundle.pathForResource("jquery_template", "txt"), dir / "jquery_template.txt");
    EXPECT_EQ(bundle.pathForResource("jquery_template", ".txt"), dir / "jquery_template.txt");
    EXPECT_EQ(bundle.pathForResource("README", ""), dir / "README");
    EXPECT_EQ(
        bundle.pathForResource("html", "plist", "Syntax Definitions"), dir / "Syntax Definitions/html.plist");
    EXPECT_FALSE(bundle.pathForResource("html", "plist"));
    EXPECT_FALSE(bundle.pathForResource("folder", "plist")) << "a directory is not a resource";
    EXPECT_FALSE(bundle.pathForResource("", "txt"));
    EXPECT_FALSE(bundle.pathForResource("../outside", "txt"));
    EXPECT_FALSE(bundle.pathForResource("outside", "txt", ".."));
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("CFBundleVersion").asString(), "1.2");
    EXPECT_TRUE(bundle.objectForInfoDictionaryKey("Missing").isNull());
    ::unlink((dir.path() + "/../outside.txt").c_str());

    writeFile(dir / "Info.plist", "<plist><dict>");
    NSBundle::resetMainBundleForTesting();
    EXPECT_TRUE(NSBundle::mainBundle().infoDictionary().empty());
}

TEST_F(Bundle, WithoutTheEnvironmentItIsBesideTheExecutable)
{
    ScopedEnv env("LEXIPHANT_BUNDLE", "");
    NSBundle::resetMainBundleForTesting();
    char buffer[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", buffer, sizeof buffer - 1), 0);
    const std::string exe = buffer;
    EXPECT_EQ(NSBundle::mainBundle().bundlePath(), exe.substr(0, exe.rfind('/')) + "/Resources");
}
