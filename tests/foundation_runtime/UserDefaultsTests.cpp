#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "RuntimeTestSupport.h"

#include <plist/plist.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Each test gets its own home; the shared defaults are reloaded from it, as after a restart.
class UserDefaults : public testing::Test {
protected:
    void SetUp() override
    {
        NSUserDefaults::resetStandardUserDefaults();
        (void)NSHomeDirectory(); // makes Library/Preferences for the files the tests plant
    }
    void TearDown() override { NSUserDefaults::resetStandardUserDefaults(); }

    static NSUserDefaults& defaults() { return NSUserDefaults::standardUserDefaults(); }
    std::string prefsFile() const
    {
        return home_.path() + "/Library/Preferences/com.lexiphant.Lexiphant.plist";
    }
    static void restart() { NSUserDefaults::resetStandardUserDefaults(); }

    TempDir home_;
    ScopedEnv env_ { "LEXIPHANT_HOME", home_.path() };
};

} // namespace

TEST_F(UserDefaults, ValuesSurviveARestart)
{
    defaults().setBool(true, "maskPasswords");
    defaults().setInteger(21, "kRatingPromptUseCount");
    defaults().setDouble(1700000000.5, "kRatingPromptFirstUseDate");
    defaults().setString("4CAA1E", "colorScheme");
    defaults().setString("", "masterPassword");
    defaults().setObject(PlistValue::Dictionary { { "a", PlistValue::Array { 1, "two" } } }, "nested");
    defaults().setString("unsaved", "lost");
    defaults().removeObjectForKey("lost");
    defaults().setBool(true, "removedAfterSave");
    ASSERT_TRUE(defaults().synchronize());
    defaults().removeObjectForKey("removedAfterSave");
    defaults().setString("never synchronized", "notSaved");
    restart();

    EXPECT_EQ(defaults().path(), prefsFile());
    EXPECT_TRUE(defaults().boolForKey("maskPasswords"));
    EXPECT_EQ(defaults().integerForKey("kRatingPromptUseCount"), 21);
    EXPECT_DOUBLE_EQ(defaults().doubleForKey("kRatingPromptFirstUseDate"), 1700000000.5);
    EXPECT_EQ(defaults().stringForKey("colorScheme"), "4CAA1E");
    EXPECT_EQ(defaults().stringForKey("masterPassword"), "") << "empty differs from absent";
    EXPECT_FALSE(defaults().stringForKey("lost"));
    EXPECT_TRUE(defaults().objectForKey("lost").isNull());
    EXPECT_TRUE(defaults().boolForKey("removedAfterSave")) << "the removal was never synchronized";
    EXPECT_FALSE(defaults().stringForKey("notSaved"));
    EXPECT_EQ(defaults().dictionaryForKey("nested")->at("a").objectAtIndex(1).asString(), "two");
    EXPECT_FALSE(defaults().arrayForKey("nested"));
}

TEST_F(UserDefaults, RegisteredDefaultsAnswerButAreNeverWritten)
{
    defaults().registerDefaults(
        { { "openAll", false }, { "colorScheme", "4CAA1E" }, { "maskPasswords", true } });
    defaults().registerDefaults({ { "colorScheme", "FF0000" } });
    EXPECT_TRUE(defaults().boolForKey("maskPasswords"));
    EXPECT_EQ(defaults().stringForKey("colorScheme"), "FF0000") << "later registrations win";
    defaults().setBool(false, "maskPasswords");
    EXPECT_FALSE(defaults().boolForKey("maskPasswords")) << "a stored value beats the registered one";
    ASSERT_TRUE(defaults().synchronize());
    const std::string file = readFile(prefsFile());
    EXPECT_EQ(file.find("colorScheme"), std::string::npos);
    EXPECT_EQ(file.find("openAll"), std::string::npos);
    EXPECT_NE(file.find("maskPasswords"), std::string::npos);
    restart();
    EXPECT_TRUE(defaults().objectForKey("colorScheme").isNull());
}

// A stored value the key's check refuses reads as the registered default (or as absent), and
// stays in the file.
TEST_F(UserDefaults, StoredValuesFailingTheirCheckReadAsTheDefault)
{
    defaults().registerDefaults({ { "maskPasswords", true } });
    defaults().registerValueCheck("maskPasswords", [](const PlistValue& value) { return value.isBool(); });
    defaults().registerValueCheck("unregistered", [](const PlistValue& value) { return value.isString(); });
    defaults().setString("x", "maskPasswords");
    defaults().setInteger(3, "unregistered");
    EXPECT_TRUE(defaults().boolForKey("maskPasswords"));
    EXPECT_EQ(defaults().objectForKey("maskPasswords"), PlistValue(true));
    EXPECT_TRUE(defaults().objectForKey("unregistered").isNull());
    EXPECT_TRUE(defaults().hasStoredValueForKey("maskPasswords"));
    defaults().setBool(false, "maskPasswords");
    EXPECT_FALSE(defaults().boolForKey("maskPasswords"));
    EXPECT_FALSE(defaults().hasStoredValueForKey("absent"));
}

TEST_F(UserDefaults, FileIsPrivate)
{
    const mode_t oldMask = ::umask(0);
    defaults().setString("secret", "masterPassword");
    const bool saved = defaults().synchronize();
    ::umask(oldMask);
    ASSERT_TRUE(saved);
    struct stat info { };
    ASSERT_EQ(::stat(prefsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(UserDefaults, CorruptFileIsKeptAside)
{
    const std::string garbage = "<plist><dict><key>masterPassword</key><string>pw";
    writeFile(prefsFile(), garbage);
    ASSERT_EQ(::chmod(prefsFile().c_str(), 0644), 0) << "as an older copy or a hand edit may leave it";
    LogCapture log;
    EXPECT_TRUE(defaults().objectForKey("masterPassword").isNull());
    EXPECT_TRUE(log.contains("Could not read the user defaults"));
    EXPECT_EQ(readFile(prefsFile()), garbage) << "reading never touches the file";

    defaults().setBool(true, "openAll");
    ASSERT_TRUE(defaults().synchronize());
    EXPECT_EQ(readFile(prefsFile() + ".corrupt"), garbage);
    struct stat info { };
    ASSERT_EQ(::stat((prefsFile() + ".corrupt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "it may hold the master password";
    restart();
    EXPECT_TRUE(defaults().boolForKey("openAll"));

    // A second bad file does not overwrite the first one kept.
    writeFile(prefsFile(), "also bad");
    restart();
    defaults().setBool(true, "openAll");
    ASSERT_TRUE(defaults().synchronize());
    EXPECT_EQ(readFile(prefsFile() + ".corrupt"), garbage);
    EXPECT_EQ(readFile(prefsFile() + ".corrupt.1"), "also bad");
}

// A file that reads as settings but holds a value the writer refuses would make every later
// save fail, the master password's included: such a key reads as absent, the rest is saved, and
// the file as it was is kept aside as for a corrupt one. Values that do write back stay.
TEST_F(UserDefaults, ValueThatCannotBeWrittenBackIsDroppedAndTheFileKeptAside)
{
    auto settingsWith = [](const std::string& bad) {
        return "<plist><dict><key>masterPassword</key><string>Secret 1</string><key>colorScheme</key>"
               "<string>FF0000</string><key>bad</key>"
            + bad + "</dict></plist>";
    };
    std::string binaryNan;
    {
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, "masterPassword", plist_new_string("Secret 1"));
        plist_dict_set_item(dict, "colorScheme", plist_new_string("FF0000"));
        plist_dict_set_item(dict, "bad", plist_new_real(std::nan("")));
        char* bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(dict, &bytes, &length);
        binaryNan.assign(bytes, length);
        plist_to_bin_free(bytes);
        plist_free(dict);
    }
    const struct {
        const char* name;
        std::string file;
        bool dropped;
    } cases[] = {
        { "nan", settingsWith("<real>nan</real>"), true },
        { "-inf", settingsWith("<real>-inf</real>"), true },
        { "a real past the largest", settingsWith("<real>1e999</real>"), true },
        { "nan in an array", settingsWith("<array><integer>1</integer><real>nan</real></array>"), true },
        { "inf in nested dictionaries",
            settingsWith("<dict><key>a</key><dict><key>b</key><real>inf</real></dict></dict>"), true },
        { "binary nan", binaryNan, true },
        // The parser reads these as something the writer takes, so they stay as read.
        { "a real that is no number", settingsWith("<real>abc</real>"), false },
        { "a date", settingsWith("<date>2001-01-01T00:00:10Z</date>"), false },
        { "a broken date", settingsWith("<date>junk</date>"), false },
        { "data", settingsWith("<data>AAEC/w==</data>"), false },
        { "an unsigned id", settingsWith("<dict><key>CF$UID</key><integer>3</integer></dict>"), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(prefsFile() + ".corrupt");
        writeFile(prefsFile(), c.file);
        restart();
        LogCapture log;
        EXPECT_EQ(defaults().stringForKey("masterPassword"), "Secret 1");
        EXPECT_EQ(defaults().hasStoredValueForKey("bad"), !c.dropped);
        EXPECT_EQ(log.contains("hold values that cannot be saved (bad)"), c.dropped);
        const PlistValue asRead = defaults().objectForKey("bad");

        defaults().setString("Secret 2", "masterPassword");
        ASSERT_TRUE(defaults().synchronize());
        EXPECT_EQ(std::filesystem::exists(prefsFile() + ".corrupt"), c.dropped);
        if (c.dropped) {
            EXPECT_EQ(readFile(prefsFile() + ".corrupt"), c.file);
            struct stat info { };
            ASSERT_EQ(::stat((prefsFile() + ".corrupt").c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0600u);
        }
        restart();
        EXPECT_EQ(defaults().stringForKey("masterPassword"), "Secret 2");
        EXPECT_EQ(defaults().stringForKey("colorScheme"), "FF0000");
        EXPECT_EQ(defaults().objectForKey("bad"), asRead) << "what was read is what was stored";
        EXPECT_FALSE(log.contains("Could not encode"));
    }
}

TEST_F(UserDefaults, WrongRootTypeCountsAsCorrupt)
{
    writeFile(prefsFile(), "<plist><array><string>x</string></array></plist>");
    EXPECT_TRUE(defaults().dictionaryRepresentation().empty());
    ASSERT_TRUE(defaults().synchronize());
    EXPECT_NE(readFile(prefsFile() + ".corrupt").find("<array>"), std::string::npos);
}

TEST_F(UserDefaults, TypedReadsConvertAsThePlatformDoes)
{
    struct Case {
        PlistValue value;
        bool asBool;
        std::int64_t asInteger;
        double asDouble;
        std::optional<std::string> asString;
    };
    const std::vector<Case> cases {
        { true, true, 1, 1.0, "1" },
        { 0, false, 0, 0.0, "0" },
        { 2.75, true, 2, 2.75, "2.75" },
        { "YES", true, 0, 0.0, "YES" },
        { "no", false, 0, 0.0, "no" },
        { " 42", true, 42, 42.0, " 42" },
        { "-3.5", true, -3, -3.5, "-3.5" },
        { "007", true, 7, 7.0, "007" },
        { PlistValue::Array {}, false, 0, 0.0, std::nullopt },
        { PlistValue(), false, 0, 0.0, std::nullopt },
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        defaults().setObject(cases[i].value, "key");
        EXPECT_EQ(defaults().boolForKey("key"), cases[i].asBool) << i;
        EXPECT_EQ(defaults().integerForKey("key"), cases[i].asInteger) << i;
        EXPECT_DOUBLE_EQ(defaults().doubleForKey("key"), cases[i].asDouble) << i;
        EXPECT_EQ(defaults().stringForKey("key"), cases[i].asString) << i;
    }
}

TEST_F(UserDefaults, UnwritableValueIsRefusedAndTheOldOneKept)
{
    defaults().setString("kept", "key");
    LogCapture log;
    defaults().setObject(PlistValue::Array { 1, PlistValue() }, "key");
    defaults().setDouble(std::nan(""), "key");
    EXPECT_EQ(defaults().stringForKey("key"), "kept");
    EXPECT_TRUE(log.contains("Refusing"));
    EXPECT_TRUE(defaults().synchronize()) << "one bad value never blocks saving the rest";
}

TEST_F(UserDefaults, ConcurrentUseFromManyThreads)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                const std::string key = "k" + std::to_string(t);
                defaults().setInteger(i, key);
                (void)defaults().integerForKey(key);
                if (i % 50 == 0) (void)defaults().synchronize();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    ASSERT_TRUE(defaults().synchronize());
    restart();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(defaults().integerForKey("k" + std::to_string(t)), 199);
}

// A file that exists but cannot be read may hold every setting intact: it is never replaced
// by the few keys this session sets, and nothing is moved aside.
TEST_F(UserDefaults, UnreadableFileIsNeverSavedOver)
{
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
    } cases[] = {
        { "a folder in its place", [](const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0700), 0); } },
        { "a loop of links",
            [](const std::string& path) {
                ASSERT_EQ(::symlink((path + ".other").c_str(), path.c_str()), 0);
                ASSERT_EQ(::symlink(path.c_str(), (path + ".other").c_str()), 0);
            } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        c.make(prefsFile());
        LogCapture log;
        EXPECT_TRUE(defaults().dictionaryRepresentation().empty());
        EXPECT_TRUE(log.contains("Could not read the user defaults"));
        defaults().setBool(true, "openAll");
        EXPECT_FALSE(defaults().synchronize());
        EXPECT_TRUE(log.contains("Not saving the user defaults"));
        EXPECT_FALSE(std::filesystem::exists(prefsFile() + ".corrupt"));
        std::filesystem::remove(prefsFile());
        std::filesystem::remove(prefsFile() + ".other");
    }
}

// Root reads any file, so the permission case runs in a child as an ordinary user.
TEST_F(UserDefaults, FileWithoutReadPermissionKeepsItsSettings)
{
    const std::string settings = "<plist><dict><key>colorScheme</key><string>FF0000</string></dict></plist>";
    writeFile(prefsFile(), settings);
    ASSERT_EQ(::chmod(prefsFile().c_str(), 0200), 0);
    for (const std::string& dir : { home_.path(), home_.path() + "/Library", home_.path() + "/Library/Preferences" })
        ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                std::_Exit(2);
            NSLogSetSink({});
            restart();
            defaults().setBool(true, "openAll");
            std::_Exit(defaults().synchronize() ? 1 : 0);
        },
        testing::ExitedWithCode(0), "");
    ASSERT_EQ(::chmod(prefsFile().c_str(), 0600), 0);
    EXPECT_EQ(readFile(prefsFile()), settings);
    EXPECT_FALSE(std::filesystem::exists(prefsFile() + ".corrupt"));
}

TEST_F(UserDefaults, LinkedFileIsWrittenThroughItsLink)
{
    const std::string store = home_.path() + "/synced";
    ASSERT_EQ(::mkdir(store.c_str(), 0700), 0);
    const struct {
        const char* name;
        const char* linkTarget; // relative to the Preferences folder
        std::string finalFile;
        const char* before; // nullptr: the final file does not exist yet
    } cases[] = {
        { "relative link", "../../synced/prefs.plist", store + "/prefs.plist",
            "<plist><dict><key>colorScheme</key><string>FF0000</string></dict></plist>" },
        { "dangling link", "../../synced/new.plist", store + "/new.plist", nullptr },
        { "corrupt target", "../../synced/bad.plist", store + "/bad.plist", "not a plist" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        std::filesystem::remove(prefsFile());
        if (c.before) writeFile(c.finalFile, c.before);
        // Two links in a row: the chain is followed to its end.
        ASSERT_EQ(::symlink(c.linkTarget, (prefsFile() + ".hop").c_str()), 0);
        ASSERT_EQ(::symlink((prefsFile() + ".hop").c_str(), prefsFile().c_str()), 0);
        const bool hadColour = defaults().stringForKey("colorScheme").has_value();
        defaults().setBool(true, "openAll");
        ASSERT_TRUE(defaults().synchronize());
        EXPECT_TRUE(std::filesystem::is_symlink(prefsFile()));
        EXPECT_TRUE(std::filesystem::is_symlink(prefsFile() + ".hop"));
        EXPECT_NE(readFile(c.finalFile).find("openAll"), std::string::npos);
        struct stat info { };
        ASSERT_EQ(::stat(c.finalFile.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        if (std::string(c.name) == "corrupt target") {
            EXPECT_EQ(readFile(c.finalFile + ".corrupt"), c.before);
        }
        restart();
        EXPECT_TRUE(defaults().boolForKey("openAll"));
        EXPECT_EQ(defaults().stringForKey("colorScheme").has_value(), hadColour);
        std::filesystem::remove(prefsFile() + ".hop");
    }
}
