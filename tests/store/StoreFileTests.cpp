#include "tests/store/StoreFixture.h"

#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

// Files are planted where the store will look before it first opens.
class StoreFile : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        std::filesystem::create_directories(documents());
    }
};

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

// Runs with the umask a shell or a backup tool typically has, so files come out 0644.
struct SharedUmask {
    SharedUmask() : previous(::umask(022)) { }
    ~SharedUmask() { ::umask(previous); }
    mode_t previous;
};

std::vector<std::string> names(const ConnectionManager::ConnectionList& list)
{
    std::vector<std::string> out;
    for (const auto& conn : list)
        out.push_back(conn->name());
    return out;
}

} // namespace

// Whatever file is found in the database's place, the passwords end up readable by us alone.
TEST_F(StoreFile, ExistingDatabaseIsMadePrivate)
{
    const SharedUmask umask022;
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        mode_t mode;
        mode_t expected;
    } cases[] = {
        { "empty file", [](const std::string& path) { std::ofstream(path).flush(); }, 0644, 0600 },
        { "made by another tool",
            [](const std::string& path) {
                ASSERT_EQ(SecondConnection(path).exec("CREATE TABLE x (a); DROP TABLE x;"), SQLITE_OK);
            },
            0666, 0600 },
        { "write-protected", [](const std::string& path) { std::ofstream(path).flush(); }, 0444, 0400 },
        { "already private", [](const std::string& path) { std::ofstream(path).flush(); }, 0600, 0600 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionManager::resetSharedManagerForTesting();
        std::filesystem::remove(databasePath());
        c.make(databasePath());
        ASSERT_EQ(::chmod(databasePath().c_str(), c.mode), 0);
        (void)restart();
        EXPECT_EQ(modeOf(databasePath()), c.expected);
    }
}

TEST_F(StoreFile, RestoredDatabaseAndItsJournalStayPrivate)
{
    const SharedUmask umask022;
    // As a backup tool brings it back: readable by all, in write-ahead-log mode.
    store();
    ConnectionManager::resetSharedManagerForTesting();
    ASSERT_EQ(SecondConnection(databasePath()).exec("PRAGMA journal_mode=WAL;"), SQLITE_OK);
    seedRows(databasePath(), 2, true);
    ASSERT_EQ(::chmod(databasePath().c_str(), 0644), 0);
    auto& manager = restart();
    ASSERT_EQ(manager.arrBookmarks().size(), 2u);
    ASSERT_GT(manager.addConn(makeConn("new")), 0);
    EXPECT_EQ(modeOf(databasePath()), 0600u);
    for (const char* suffix : { "-wal", "-shm" }) {
        SCOPED_TRACE(suffix);
        ASSERT_TRUE(std::filesystem::exists(databasePath() + suffix));
        EXPECT_EQ(modeOf(databasePath() + suffix), 0600u);
    }

    // A journal left over from a crash is tightened as well.
    ConnectionManager::resetSharedManagerForTesting();
    ASSERT_EQ(SecondConnection(databasePath()).exec("PRAGMA journal_mode=DELETE;"), SQLITE_OK);
    std::ofstream(databasePath() + "-journal").flush();
    ASSERT_EQ(::chmod((databasePath() + "-journal").c_str(), 0644), 0);
    (void)restart();
    if (std::filesystem::exists(databasePath() + "-journal")) {
        EXPECT_EQ(modeOf(databasePath() + "-journal"), 0600u);
    }
}

TEST_F(StoreFile, LinkInPlaceOfTheDatabaseIsRefused)
{
    const std::string elsewhere = home_ + "/elsewhere.sqlite3";
    const struct {
        const char* name;
        bool targetExists;
    } cases[] = { { "dangling link", false }, { "link to a database", true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectionManager::resetSharedManagerForTesting();
        std::filesystem::remove(databasePath());
        std::filesystem::remove(elsewhere);
        if (c.targetExists) {
            ASSERT_EQ(SecondConnection(elsewhere).exec("CREATE TABLE conns ('id' INTEGER PRIMARY KEY AUTOINCREMENT, "
                                                       "'name', 'host', 'port', 'user', 'pass', 'type', "
                                                       "'isBookmark', 'lastUse', 'startPath')"),
                SQLITE_OK);
            seedRows(elsewhere, 1, true);
        }
        std::filesystem::create_symlink(elsewhere, databasePath());
        log_->clear();
        auto& manager = restart();
        EXPECT_FALSE(manager.isOpen());
        EXPECT_TRUE(manager.arrAll().empty());
        EXPECT_TRUE(logged("is a symbolic link"));
        EXPECT_EQ(manager.addConn(makeConn("x")), ConnectionManager::kInsertFailed);
        EXPECT_TRUE(std::filesystem::is_symlink(databasePath()));
        EXPECT_EQ(std::filesystem::exists(elsewhere), c.targetExists) << "the target was created";
        if (c.targetExists) {
            EXPECT_EQ(countRows(elsewhere), 1);
        }
    }
}

// Flags written by older versions or other tools: the record, the lists, the bookmark limit
// and the trim all read a row the same way.
TEST_F(StoreFile, EveryStoredFlagIsReadByOneRule)
{
    store();
    const struct {
        const char* stored;
        bool bookmark;
    } cases[] = { { "0", false }, { "1", true }, { "2", true }, { "256", false }, { "257", true },
        { "-1", true }, { "'1'", true }, { "NULL", false }, { "4294967552", false } };
    {
        SecondConnection db(databasePath());
        for (std::size_t i = 0; i < std::size(cases); ++i)
            ASSERT_EQ(db.exec("INSERT INTO conns VALUES (NULL, 'flag" + std::to_string(i) + "', 'h', 21, 'u', 'p', 0, "
                          + cases[i].stored + ", 5, '/')"),
                SQLITE_OK);
    }
    auto& manager = restart();
    ASSERT_EQ(manager.arrAll().size(), std::size(cases));
    for (const auto& conn : manager.arrAll()) {
        const auto& c = cases[std::stoul(conn->name().substr(4))];
        EXPECT_EQ(conn->isBookmark(), c.bookmark) << c.stored;
    }
    EXPECT_EQ(names(manager.getBookmarks()), names(manager.arrBookmarks()));
    EXPECT_EQ(names(manager.getLastConns()), names(manager.arrLastConns()));
}

TEST_F(StoreFile, LimitsCountRowsWithWideFlags)
{
    store();
    {
        // 101 bookmarks stored as 2, 21 recent connections stored as 256.
        SecondConnection db(databasePath());
        std::string sql = "BEGIN;";
        for (int i = 0; i < 101; ++i)
            sql += "INSERT INTO conns VALUES (NULL, 'b" + std::to_string(i) + "', 'h', 21, 'u', 'p', 0, 2, 100, '/');";
        for (int i = 0; i < 21; ++i)
            sql += "INSERT INTO conns VALUES (NULL, 'r" + std::to_string(i) + "', 'h', 21, 'u', 'p', 0, 256, "
                + std::to_string(10 + i) + ", '/');";
        ASSERT_EQ(db.exec(sql + "COMMIT;"), SQLITE_OK);
    }
    auto& manager = restart();
    EXPECT_EQ(manager.addConn(makeConn("one bookmark too many", true)), ConnectionManager::kRefusedBookmarkLimit);
    EXPECT_GT(manager.addConn(makeConn("recent", false, 500)), 0);
    EXPECT_EQ(countRows(databasePath(), "name='r0'"), 0) << "the oldest recent connection was not trimmed";
    EXPECT_EQ(manager.getLastConns().size(), 21u);
    EXPECT_EQ(manager.getBookmarks().size(), 101u);
}
