#include "tests/store/StoreFixture.h"

#include <sys/stat.h>

using Store = StoreTest;

namespace {

std::vector<std::string> names(const ConnectionManager::ConnectionList& list)
{
    std::vector<std::string> result;
    for (const auto& conn : list)
        result.push_back(conn->name());
    return result;
}

} // namespace

// ---- limits

TEST_F(Store, HundredAndFirstBookmarkIsStoredAndTheNextRefused)
{
    store();
    seedRows(databasePath(), 100, true);
    auto& manager = restart();
    const auto id = manager.addConn(makeConn("101st", true));
    EXPECT_GT(id, 0);
    EXPECT_EQ(manager.addConn(makeConn("102nd", true)), ConnectionManager::kRefusedBookmarkLimit);
    EXPECT_EQ(countRows(databasePath(), "isBookmark=1"), 101);
    // The bookmark limit does not hold back recent connections.
    EXPECT_GT(manager.addConn(makeConn("recent")), 0);
}

TEST_F(Store, RecentConnectionsAreTrimmedOldestFirstToTwentyOne)
{
    store();
    seedRows(databasePath(), 20, false, 10); // lastUse 10..29
    auto& manager = restart();
    EXPECT_GT(manager.addConn(makeConn("21st", false, 500)), 0);
    EXPECT_EQ(countRows(databasePath(), "isBookmark=0"), 21) << "the 21st is kept";

    EXPECT_GT(manager.addConn(makeConn("22nd", false, 600)), 0);
    EXPECT_EQ(countRows(databasePath(), "isBookmark=0"), 21);
    EXPECT_EQ(countRows(databasePath(), "lastUse=10"), 0) << "the one used longest ago went";
    EXPECT_EQ(countRows(databasePath(), "lastUse=11"), 1);
    EXPECT_EQ(manager.getLastConn(0)->name(), "22nd");
}

TEST_F(Store, TrimmingDeletesExactlyOneOfTiedOldestAndNeverABookmark)
{
    store();
    seedRows(databasePath(), 3, true, 1); // bookmarks older than every recent connection
    {
        SecondConnection db(databasePath());
        std::string sql = "BEGIN;";
        for (int i = 0; i < 21; ++i)
            sql += "INSERT INTO conns VALUES (NULL,'r" + std::to_string(i) + "','h',21,'u','p',0,0,50,'/');";
        ASSERT_EQ(db.exec(sql + "COMMIT;"), SQLITE_OK);
    }
    auto& manager = restart();
    EXPECT_GT(manager.addConn(makeConn("new", false, 60)), 0);
    EXPECT_EQ(countRows(databasePath(), "isBookmark=0"), 21);
    EXPECT_EQ(countRows(databasePath(), "name='r0'"), 0) << "the tie goes to the lowest id";
    EXPECT_EQ(countRows(databasePath(), "isBookmark=1"), 3);
}

// ---- refusals

TEST_F(Store, RefusalsWriteNothing)
{
    auto& manager = store();
    ASSERT_GT(manager.addConn(makeConn("Home")), 0);
    EXPECT_EQ(manager.addConn(nullptr), ConnectionManager::kRefusedNoName);
    EXPECT_EQ(manager.addConn(makeConn("")), ConnectionManager::kRefusedNoName);
    // No cached read between the two adds: the duplicate test must still see the first.
    EXPECT_EQ(manager.addConn(makeConn("Home", true)), ConnectionManager::kRefusedDuplicateName);
    EXPECT_EQ(countRows(databasePath()), 1);
    EXPECT_GT(manager.addConn(makeConn("home")), 0) << "letter case makes another name";
}

TEST_F(Store, DeletedNameCanBeAddedAgain)
{
    auto& manager = store();
    const auto id = manager.addConn(makeConn("Box"));
    ASSERT_GT(id, 0);
    ASSERT_NE(manager.getConn(0), nullptr);
    EXPECT_TRUE(manager.deleteConn(id));
    EXPECT_GT(manager.addConn(makeConn("Box")), 0);
}

// ---- ordering and cached positions

TEST_F(Store, ListsRunNewestFirstWithTiesByNewestId)
{
    auto& manager = store();
    const struct {
        const char* name;
        bool bookmark;
        int lastUse;
    } rows[] = { { "a", false, 5 }, { "b", true, 9 }, { "c", false, 9 }, { "d", true, 1 }, { "e", false, 5 } };
    for (const auto& row : rows)
        ASSERT_GT(manager.addConn(makeConn(row.name, row.bookmark, row.lastUse)), 0);

    const std::vector<std::string> all { "c", "b", "e", "a", "d" };
    for (int restarted = 0; restarted < 2; ++restarted) {
        auto& current = restarted ? restart() : manager;
        std::vector<std::string> cached;
        for (int n = 0; auto conn = current.getConn(n); ++n)
            cached.push_back(conn->name());
        EXPECT_EQ(cached, all);
        EXPECT_EQ(names(current.getBookmarks()), (std::vector<std::string> { "b", "d" }));
        EXPECT_EQ(names(current.getLastConns()), (std::vector<std::string> { "c", "e", "a" }));
        EXPECT_EQ(current.getBookmark(1)->name(), "d");
        EXPECT_EQ(current.getLastConn(2)->name(), "a");
        EXPECT_EQ(current.getConn(-1), nullptr);
        EXPECT_EQ(current.getConn(5), nullptr);
        EXPECT_EQ(current.getBookmark(2), nullptr);
        EXPECT_EQ(current.getLastConn(3), nullptr);
    }
}

TEST_F(Store, CachedPositionsShiftAfterAWrite)
{
    auto& manager = store();
    const auto first = manager.addConn(makeConn("first", false, 20));
    ASSERT_GT(manager.addConn(makeConn("second", false, 10)), 0);
    ASSERT_EQ(manager.getConn(0)->name(), "first");
    EXPECT_FALSE(manager.wasChanged());
    ASSERT_TRUE(manager.deleteConn(first));
    EXPECT_TRUE(manager.wasChanged());
    EXPECT_EQ(manager.getConn(0)->name(), "second");
    EXPECT_EQ(manager.getConn(1), nullptr);
    EXPECT_FALSE(manager.wasChanged());
}

// ---- update and delete, through a restart

TEST_F(Store, UpdateAndDeleteReachTheDisk)
{
    auto& manager = store();
    auto conn = makeConn("Old");
    conn->setIndex(manager.addConn(conn));
    const auto keep = manager.addConn(makeConn("Keep"));
    ASSERT_GT(conn->index(), 0);
    conn->setName("New");
    conn->setPort(22);
    conn->setType(QVConnection::kTypeSFTP);
    conn->setIsBookmark(true);
    conn->setLastUse(4102444800LL);
    EXPECT_TRUE(manager.updateConn(conn));

    auto& reopened = restart();
    auto back = reopened.getConnByID(conn->index());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->name() + "|" + std::to_string(back->port()) + "|" + std::to_string(back->type()) + "|"
            + std::to_string(back->isBookmark()) + "|" + std::to_string(back->lastUse()),
        "New|22|1|1|4102444800");
    EXPECT_EQ(countRows(databasePath()), 2);

    EXPECT_TRUE(reopened.deleteConn(conn->index()));
    auto& third = restart();
    EXPECT_EQ(third.getConnByID(conn->index()), nullptr);
    EXPECT_NE(third.getConnByID(keep), nullptr);
    EXPECT_EQ(third.arrAll().size(), 1u);
}

TEST_F(Store, UpdateInsertsUnknownIdButRefusesNonPositiveOnes)
{
    auto& manager = store();
    auto conn = makeConn("Ghost");
    conn->setIndex(77);
    EXPECT_TRUE(manager.updateConn(conn));
    EXPECT_NE(manager.getConnByID(77), nullptr);
    for (int refused : { 0, -1, -2, -3, -4 }) {
        conn->setIndex(refused);
        EXPECT_FALSE(manager.updateConn(conn)) << refused;
    }
    EXPECT_FALSE(manager.updateConn(nullptr));
    EXPECT_EQ(countRows(databasePath()), 1);
}

// ---- hostile values

TEST_F(Store, AnyTextIsStoredExactly)
{
    const std::string values[] = {
        "O'Brien's box",
        "it''s \"quoted\" `ticked`",
        "x'); DROP TABLE conns; --",
        "-- comment",
        "a;b;c",
        "Zürich – 東京 – 🚀",
        "line\nbreak\tand tab",
        "%d %s %@",
        std::string("bad \xC3\x28 utf8 \xFF"),
    };
    auto& manager = store();
    std::vector<std::int32_t> ids;
    for (const auto& value : values) {
        auto conn = makeConn(value);
        conn->setHost(value);
        conn->setUsername(value);
        conn->setPassword(value);
        conn->setStartPath(value);
        ids.push_back(manager.addConn(conn));
        ASSERT_GT(ids.back(), 0) << value;
    }
    auto& reopened = restart();
    ASSERT_EQ(reopened.arrAll().size(), std::size(values));
    for (std::size_t i = 0; i < std::size(values); ++i) {
        auto conn = reopened.getConnByID(ids[i]);
        ASSERT_NE(conn, nullptr) << values[i];
        EXPECT_EQ(conn->name(), values[i]);
        EXPECT_EQ(conn->host(), values[i]);
        EXPECT_EQ(conn->username(), values[i]);
        EXPECT_EQ(conn->password(), values[i]);
        EXPECT_EQ(conn->startPath(), values[i]);
        EXPECT_TRUE(reopened.containsName(values[i]));
        EXPECT_EQ(reopened.addConn(makeConn(values[i])), ConnectionManager::kRefusedDuplicateName);
    }
}

// ---- the file on disk

TEST_F(Store, FileHoldsTheConnsTableAsOtherReadersSeeIt)
{
    const mode_t oldMask = umask(0); // even a permissive umask must not open the file up
    auto& manager = store();
    umask(oldMask);
    auto conn = makeConn("Site");
    conn->setHost("10.0.0.1");
    conn->setPort(2222);
    conn->setUsername("me");
    conn->setPassword("pa'ss");
    conn->setType(QVConnection::kTypeSFTP);
    conn->setIsBookmark(true);
    conn->setLastUse(1700000000);
    conn->setStartPath("/var/www/");
    const auto id = manager.addConn(conn);
    ASSERT_GT(id, 0);

    struct stat info {};
    ASSERT_EQ(stat(databasePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    EXPECT_EQ(queryRow(databasePath(), "SELECT sql FROM sqlite_master WHERE name='conns'"),
        "CREATE TABLE `conns` ('id' INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT '1', 'name' VARCHAR(30), "
        "'host' VARCHAR(50), 'port' INTEGER DEFAULT '21', 'user' VARCHAR(30), 'pass' VARCHAR (30), "
        "'type' INTEGER DEFAULT '0', 'isBookmark' INTEGER DEFAULT '0', 'lastUse' INTEGER DEFAULT '0', "
        "'startPath' VARCHAR(30) DEFAULT '' )");
    EXPECT_EQ(queryRow(databasePath(),
                  "SELECT id, name, host, port, user, pass, type, isBookmark, lastUse, startPath, typeof(port), "
                  "typeof(lastUse) FROM conns"),
        std::to_string(id) + "|Site|10.0.0.1|2222|me|pa'ss|1|1|1700000000|/var/www/|integer|integer");
}

TEST_F(Store, OpeningLogsAndReadsRowsWrittenAsStringLiterals)
{
    store();
    seedRows(databasePath(), 2, true, 100);
    log_->clear();
    auto& manager = restart();
    EXPECT_TRUE(logged("Connected (" + databasePath() + ")!"));
    EXPECT_TRUE(logged("Done initing table!"));
    EXPECT_TRUE(logged("Successfully loaded 2 connections!"));
    auto conn = manager.getBookmark(0);
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(conn->name(), "seed1-1");
    EXPECT_EQ(conn->port(), 21);
    EXPECT_EQ(conn->lastUse(), 101);
    EXPECT_TRUE(conn->isBookmark());
}
