#include "tests/store/StoreFixture.h"

#include "Platform/Foundation/NSLog.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using StoreFaults = StoreTest;

namespace {

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// What a store that could not open answers: nothing to read, every write refused.
void expectClosedStore(ConnectionManager& manager)
{
    EXPECT_FALSE(manager.isOpen());
    EXPECT_FALSE(manager.openError().empty()) << "the reason the app tells the user at launch";
    EXPECT_TRUE(manager.arrAll().empty());
    EXPECT_EQ(manager.getConn(0), nullptr);
    EXPECT_EQ(manager.getConnByID(1), nullptr);
    EXPECT_TRUE(manager.getBookmarks().empty());
    EXPECT_TRUE(manager.getLastConns().empty());
    auto conn = std::make_shared<QVConnection>();
    conn->setName("new");
    EXPECT_EQ(manager.addConn(conn), ConnectionManager::kInsertFailed);
    conn->setIndex(1);
    EXPECT_FALSE(manager.updateConn(conn));
    EXPECT_FALSE(manager.deleteConn(1));
    EXPECT_EQ(manager.lastError(), "database not open");
    manager.terminate();
}

} // namespace

TEST_F(StoreFaults, MissingDocumentsFolderIsCreated)
{
    std::filesystem::remove_all(documents());
    auto& manager = store();
    EXPECT_TRUE(manager.isOpen());
    EXPECT_TRUE(std::filesystem::is_directory(documents()));
    EXPECT_GT(manager.addConn(makeConn("x")), 0);
    EXPECT_EQ(countRows(databasePath()), 1);
}

TEST_F(StoreFaults, UnreadableFilesAreLeftUntouched)
{
    std::string validDatabase;
    {
        auto& manager = store();
        for (int i = 0; i < 40; ++i)
            ASSERT_GT(manager.addConn(makeConn("site" + std::to_string(i), true, i)), 0);
        ConnectionManager::resetSharedManagerForTesting();
        validDatabase = fileBytes(databasePath());
        ASSERT_GT(validDatabase.size(), 4096u);
    }
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* logFragment;
    } cases[] = {
        { "text file", [](const std::string& path) { writeBytes(path, std::string(3000, 'x')); },
            "file is not a database" },
        { "truncated header", [&](const std::string& path) { writeBytes(path, validDatabase.substr(0, 60)); },
            "Could not open the connection store" },
        { "truncated pages",
            [&](const std::string& path) { writeBytes(path, validDatabase.substr(0, validDatabase.size() / 2)); },
            "malformed" },
        { "conns of another shape",
            [](const std::string& path) {
                SecondConnection db(path);
                ASSERT_EQ(db.exec("CREATE TABLE conns (id INTEGER PRIMARY KEY, name TEXT);"
                                  "INSERT INTO conns VALUES (1, 'mine');"),
                    SQLITE_OK);
            },
            "no such column" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(databasePath());
        c.make(databasePath());
        const std::string before = fileBytes(databasePath());
        log_->clear();
        expectClosedStore(restart());
        ConnectionManager::resetSharedManagerForTesting();
        EXPECT_EQ(fileBytes(databasePath()), before);
        EXPECT_TRUE(logged(c.logFragment));
    }
}

TEST_F(StoreFaults, LockedDatabaseIsReportedAndKeepsItsRows)
{
    auto& manager = store();
    ASSERT_GT(manager.addConn(makeConn("kept")), 0);
    ConnectionManager::resetSharedManagerForTesting();

    SecondConnection locker(databasePath());
    ASSERT_EQ(locker.exec("BEGIN EXCLUSIVE"), SQLITE_OK);
    log_->clear();
    ConnectionManager& locked = restart();
    expectClosedStore(locked);
    EXPECT_EQ(locked.openError(), "database is locked");
    EXPECT_TRUE(logged("database is locked"));
    ASSERT_EQ(locker.exec("COMMIT"), SQLITE_OK);
    EXPECT_EQ(countRows(databasePath(), "name='kept'"), 1);
    EXPECT_EQ(countRows(databasePath()), 1);
}

// A failing insert on an open store (a full disk, say) answers a refusal, never another
// record's id, and takes back the trim that made room for it.
TEST_F(StoreFaults, FailedInsertAnswersNegativeAndLosesNothing)
{
    store();
    seedRows(databasePath(), 21, false, 1);
    {
        SecondConnection db(databasePath());
        ASSERT_EQ(db.exec("CREATE TRIGGER refuse BEFORE INSERT ON conns BEGIN SELECT RAISE(ABORT, 'disk full'); END"),
            SQLITE_OK);
    }
    auto& manager = restart();
    ASSERT_TRUE(manager.isOpen());
    log_->clear();
    EXPECT_EQ(manager.addConn(makeConn("new")), ConnectionManager::kInsertFailed);
    EXPECT_TRUE(logged("disk full"));
    EXPECT_EQ(countRows(databasePath(), "isBookmark=0"), 21);
    EXPECT_EQ(countRows(databasePath(), "lastUse=1"), 1) << "the trimmed record came back";
    EXPECT_EQ(manager.addConn(makeConn("new", true)), ConnectionManager::kInsertFailed);

    // Nothing is left half done: another writer gets in, and once the fault is gone the same
    // add goes through.
    ASSERT_EQ(SecondConnection(databasePath()).exec("DROP TRIGGER refuse"), SQLITE_OK);
    EXPECT_GT(manager.addConn(makeConn("new")), 0);
    EXPECT_EQ(countRows(databasePath(), "isBookmark=0"), 21);
    EXPECT_EQ(countRows(databasePath(), "lastUse=1"), 0);
}

TEST_F(StoreFaults, RowIdBeyondThirtyTwoBitsIsNotHandedOut)
{
    store();
    {
        SecondConnection db(databasePath());
        ASSERT_EQ(db.exec("INSERT INTO conns VALUES (2147483647,'top','h',21,'u','p',0,1,5,'/')"), SQLITE_OK);
    }
    auto& manager = restart();
    EXPECT_EQ(manager.addConn(makeConn("next")), ConnectionManager::kInsertFailed);
    EXPECT_EQ(countRows(databasePath()), 1);
    EXPECT_EQ(manager.getConn(0)->index(), 2147483647);
}

// The file is write-protected: rows are still shown, writes are refused and the file stays
// as it was. Root ignores file modes, so the store runs in a child as an ordinary user.
TEST_F(StoreFaults, ReadOnlyFileIsReadButNotWritten)
{
    auto& manager = store();
    const auto id = manager.addConn(makeConn("visible", true));
    ASSERT_GT(id, 0);
    ConnectionManager::resetSharedManagerForTesting();
    const std::string before = fileBytes(databasePath());
    ASSERT_EQ(chmod(databasePath().c_str(), 0444), 0);
    ASSERT_EQ(chmod(documents().c_str(), 0555), 0);
    ASSERT_EQ(chmod(home_.c_str(), 0755), 0);

    // Forked without re-running the test, so the child opens this very file.
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
                std::_Exit(2);
            NSLogSetSink({});
            auto& readOnly = ConnectionManager::sharedManager();
            auto shown = readOnly.getBookmark(0);
            auto conn = makeConn("another");
            const bool ok = shown && shown->name() == "visible" && readOnly.getConnByID(id)
                && readOnly.addConn(conn) == ConnectionManager::kInsertFailed && !readOnly.deleteConn(id)
                && !readOnly.updateConn(shown) && readOnly.getConn(0) && !readOnly.getConn(1);
            std::_Exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "readonly");
    chmod(documents().c_str(), 0700);
    EXPECT_EQ(fileBytes(databasePath()), before);
}
