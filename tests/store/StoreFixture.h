#pragma once

#include "Classes/Others/ConnectionManager.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

// A fresh app home per test, the shared store reset around it, log lines captured.
class StoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        homeDir_.emplace("lexiphant-store");
        home_ = homeDir_->path();
        homeEnv_.emplace("LEXIPHANT_HOME", home_);
        ConnectionManager::resetSharedManagerForTesting();
        log_.emplace();
    }

    void TearDown() override
    {
        ConnectionManager::resetSharedManagerForTesting();
        log_.reset();
        homeEnv_.reset();
        homeDir_.reset();
    }

    std::string documents() const { return home_ + "/Documents"; }
    std::string databasePath() const { return documents() + "/data.sqlite3"; }

    static ConnectionManager& store() { return ConnectionManager::sharedManager(); }
    static ConnectionManager& restart()
    {
        ConnectionManager::resetSharedManagerForTesting();
        return ConnectionManager::sharedManager();
    }

    static std::shared_ptr<QVConnection> makeConn(const std::string& name, bool bookmark = false,
        std::int64_t lastUse = 1000)
    {
        auto conn = std::make_shared<QVConnection>();
        conn->setName(name);
        conn->setHost("ftp.example.org");
        conn->setPort(21);
        conn->setUsername("user");
        conn->setPassword("secret");
        conn->setIsBookmark(bookmark);
        conn->setLastUse(lastUse);
        conn->setStartPath("/");
        return conn;
    }

    bool logged(const std::string& fragment) const { return log_->contains(fragment); }

    std::string home_;
    std::optional<LogCapture> log_;

private:
    std::optional<TempDir> homeDir_;
    std::optional<ScopedEnv> homeEnv_;
};

// A second, independent connection to a database file, for checking what is on disk.
class SecondConnection {
public:
    explicit SecondConnection(const std::string& path)
    {
        sqlite3* raw = nullptr;
        sqlite3_open(path.c_str(), &raw);
        db_.reset(raw);
    }
    sqlite3* get() const { return db_.get(); }
    int exec(const std::string& sql) const { return sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr); }

private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Closer> db_;
};

// The first row of a query by another reader, its columns joined with "|" ("" for no row).
inline std::string queryRow(const std::string& path, const std::string& sql)
{
    SecondConnection db(path);
    sqlite3_stmt* raw = nullptr;
    std::string row;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) == SQLITE_OK && sqlite3_step(raw) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(raw); ++i) {
            const auto* text = sqlite3_column_text(raw, i);
            row += (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
    }
    sqlite3_finalize(raw);
    return row;
}

inline long long countRows(const std::string& path, const std::string& where = "1")
{
    const std::string count = queryRow(path, "SELECT COUNT(*) FROM conns WHERE " + where);
    return count.empty() ? -1 : std::stoll(count);
}

// Inserts rows written the way older versions wrote them (every value a string literal).
inline void seedRows(const std::string& path, int count, bool bookmark, int firstLastUse = 1)
{
    SecondConnection db(path);
    std::string sql = "BEGIN;";
    for (int i = 0; i < count; ++i) {
        sql += "INSERT INTO `conns` VALUES (NULL, 'seed" + std::to_string(bookmark) + "-" + std::to_string(i)
            + "','h','21','u','p','0', '" + std::to_string(bookmark ? 1 : 0) + "', '"
            + std::to_string(firstLastUse + i) + "', '/');";
    }
    sql += "COMMIT;";
    ASSERT_EQ(db.exec(sql), SQLITE_OK);
}
