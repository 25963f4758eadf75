#include "Classes/Others/QVConnection.h"

#include <gtest/gtest.h>

#include <memory>
#include <sqlite3.h>
#include <string>

namespace {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// Runs a one-row SELECT on an in-memory database and reads the row as a record.
std::shared_ptr<QVConnection> readRow(const std::string& select)
{
    sqlite3* rawDb = nullptr;
    sqlite3_open(":memory:", &rawDb);
    std::unique_ptr<sqlite3, DatabaseCloser> db(rawDb);
    sqlite3_stmt* raw = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db.get(), select.c_str(), -1, &raw, nullptr), SQLITE_OK) << select;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw);
    EXPECT_EQ(sqlite3_step(statement.get()), SQLITE_ROW);
    return QVConnection::initFromStatement(statement.get());
}

} // namespace

TEST(QVConnectionFromRow, ReadsEveryColumnByPosition)
{
    auto conn = readRow("SELECT 7, 'Work', 'example.org', 2121, 'ann', 'pw', 1, 1, 1700000000, '/www/'");
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(conn->index(), 7);
    EXPECT_EQ(conn->name(), "Work");
    EXPECT_EQ(conn->host(), "example.org");
    EXPECT_EQ(conn->port(), 2121);
    EXPECT_EQ(conn->username(), "ann");
    EXPECT_EQ(conn->password(), "pw");
    EXPECT_EQ(conn->type(), QVConnection::kTypeSFTP);
    EXPECT_TRUE(conn->isBookmark());
    EXPECT_EQ(conn->lastUse(), 1700000000);
    EXPECT_EQ(conn->startPath(), "/www/");
}

TEST(QVConnectionFromRow, BookmarkFlagKeepsOnlyTheLowByte)
{
    const struct {
        const char* stored;
        bool expected;
    } cases[] = { { "0", false }, { "1", true }, { "256", false }, { "257", true }, { "2", true },
        { "'1'", true }, { "4294967552", false } };
    for (const auto& c : cases) {
        auto conn = readRow(std::string("SELECT 1, 'n', 'h', 21, 'u', 'p', 0, ") + c.stored + ", 0, '/'");
        ASSERT_NE(conn, nullptr);
        EXPECT_EQ(conn->isBookmark(), c.expected) << c.stored;
    }
}

TEST(QVConnectionFromRow, LastUseKeepsSixtyFourBits)
{
    // 1 January 2100: past the 32-bit limit of 2038.
    auto conn = readRow("SELECT 1, 'n', 'h', 21, 'u', 'p', 0, 0, 4102444800, '/'");
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(conn->lastUse(), 4102444800LL);
}

TEST(QVConnectionFromRow, NullTextReadsAsEmptyAndBytesComeBackExactly)
{
    auto nulls = readRow("SELECT 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL");
    ASSERT_NE(nulls, nullptr);
    EXPECT_EQ(nulls->name(), "");
    EXPECT_EQ(nulls->host(), "");
    EXPECT_EQ(nulls->username(), "");
    EXPECT_EQ(nulls->password(), "");
    EXPECT_EQ(nulls->startPath(), "");
    EXPECT_EQ(nulls->port(), 0);
    EXPECT_FALSE(nulls->isBookmark());

    // Invalid UTF-8 and an embedded NUL are kept, not cut or replaced.
    auto odd = readRow("SELECT 1, CAST(X'41FF00C342' AS TEXT), 'h', 21, 'u', 'p', 0, 0, 0, '/'");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->name(), std::string("A\xFF\0\xC3" "B", 5));
}

TEST(QVConnectionFromRow, RefusesRowsItCannotAddress)
{
    EXPECT_EQ(readRow("SELECT 1, 'n', 'h', 21"), nullptr) << "too few columns";
    EXPECT_EQ(readRow("SELECT 2147483648, 'n', 'h', 21, 'u', 'p', 0, 0, 0, '/'"), nullptr) << "id past 32 bits";
    EXPECT_EQ(QVConnection::initFromStatement(nullptr), nullptr);
    EXPECT_NE(readRow("SELECT 2147483647, 'n', 'h', 21, 'u', 'p', 0, 0, 0, '/'"), nullptr);
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
