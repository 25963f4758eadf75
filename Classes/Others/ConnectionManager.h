#pragma once

#include "Classes/Others/QVConnection.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The user's stored connections: a SQLite table "conns" in "data.sqlite3" in the app's
// Documents folder, served to the screens as QVConnection records. Main thread only.
//
// Cached lists (bookmarks, recent connections, all) are ordered by last use, newest first,
// ties by row id, newest first; they are reloaded by the next cached read after a write.
// A store whose database cannot be opened, read or given its table stays closed for its
// lifetime: lists are empty, lookups answer nullptr and writes fail; the file is left as it is.
class ConnectionManager {
public:
    using ConnectionList = std::vector<std::shared_ptr<QVConnection>>;

    // Answers of addConn besides a new row id.
    static constexpr std::int32_t kRefusedNoName = -1;
    static constexpr std::int32_t kRefusedDuplicateName = -2;
    static constexpr std::int32_t kRefusedBookmarkLimit = -3;
    // The database did not take the record (not open, read-only, locked, full disk...).
    static constexpr std::int32_t kInsertFailed = -4;

    // More than this many bookmarks refuses a new one (so 101 can be stored).
    static constexpr std::int64_t kBookmarkLimit = 100;
    // More than this many recent connections trims the one used longest ago before an insert
    // (so 21 stay stored).
    static constexpr std::int64_t kRecentLimit = 20;

    static constexpr std::string_view kDatabaseFileName = "data.sqlite3";

    // The process-wide store, opened on first use from "data.sqlite3" in the Documents folder.
    static ConnectionManager& sharedManager();
    // Test hook: closes the shared store so that the next sharedManager() opens it again,
    // from the Documents folder of the app home as it is then ($LEXIPHANT_HOME). Simulates
    // a restart of the app. Any reference to the old store becomes invalid.
    static void resetSharedManagerForTesting();

    // Opens "data.sqlite3" in the Documents folder.
    ConnectionManager();
    // Opens the file of that name in the Documents folder, creating the folder when missing
    // and a missing file with mode 0600 (it holds passwords). An existing file of ours that
    // group or others may read is made private; a symbolic link in its place is refused
    // (logged; the store stays closed).
    explicit ConnectionManager(std::string_view filename);
    ~ConnectionManager();
    ConnectionManager(const ConnectionManager&) = delete;
    ConnectionManager& operator=(const ConnectionManager&) = delete;

    // Reloads the three cached lists; answers 0 or the SQLite error (the lists are then empty).
    int loadAll();

    // Fresh queries, not the caches.
    [[nodiscard]] ConnectionList getBookmarks();
    [[nodiscard]] ConnectionList getLastConns();
    [[nodiscard]] std::shared_ptr<QVConnection> getConnByID(std::int32_t rowID);

    // Stores a new record; answers its row id (positive) or one of the negative answers above.
    // Values are bound as parameters, so any text is stored exactly. Does not change the
    // record itself: the caller sets its index from the answer.
    [[nodiscard]] std::int32_t addConn(const std::shared_ptr<QVConnection>& connection);
    // Stores the whole record under its row id (inserting it when no row has that id).
    // Answers false, writing nothing, for no record or an index below 1, and when SQLite fails.
    bool updateConn(const std::shared_ptr<QVConnection>& connection);
    // Deletes the row with that id; answers false only when SQLite fails.
    bool deleteConn(std::int32_t rowID);

    // The n-th record of the cached lists, or nullptr when n is out of range.
    [[nodiscard]] std::shared_ptr<QVConnection> getBookmark(std::int32_t n);
    [[nodiscard]] std::shared_ptr<QVConnection> getLastConn(std::int32_t n);
    [[nodiscard]] std::shared_ptr<QVConnection> getConn(std::int32_t n);

    // Whether a cached record has exactly this name (case counts). Reads the cache as loaded.
    [[nodiscard]] bool containsName(const std::string& name) const;

    // Sent at app termination; the database stays open until the process ends.
    void terminate();

    const std::string& path() const { return path_; }
    bool wasChanged() const { return wasChanged_; }
    bool isOpen() const { return sqlHandle_ != nullptr; }
    // Why the last write or read failed, in SQLite's words ("database is locked"), for a message.
    [[nodiscard]] const std::string& lastError() const { return lastError_; }
    // Why the database could not be opened; empty while it is open.
    [[nodiscard]] const std::string& openError() const { return openError_; }
    const ConnectionList& arrBookmarks() const { return arrBookmarks_; }
    const ConnectionList& arrLastConns() const { return arrLastConns_; }
    const ConnectionList& arrAll() const { return arrAll_; }

private:
    struct DatabaseCloser {
        void operator()(sqlite3* database) const;
    };
    struct StatementFinalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;
    using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

    int initConnection();
    int connect();
    int prepare(const char* sql, StatementHandle& statement);
    int execute(const char* sql);
    void logError(const char* what) const;
    ConnectionList getAllWithQuery(const char* sql);
    std::shared_ptr<QVConnection> getWithQuery(const char* sql, std::int32_t rowID);
    std::optional<std::int64_t> countWithQuery(const char* sql);
    std::int32_t insertInsideSavepoint(const QVConnection& connection);
    void reloadWhenChanged();
    static std::shared_ptr<QVConnection> elementAt(const ConnectionList& list, std::int32_t n);

    bool wasChanged_ { false };
    DatabaseHandle sqlHandle_;
    ConnectionList arrBookmarks_;
    ConnectionList arrLastConns_;
    ConnectionList arrAll_;
    std::string path_;
    mutable std::string lastError_;
    std::string openError_;
};
