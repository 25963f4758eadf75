#include "Classes/Others/ConnectionManager.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The table as it has always been created; stored files rely on this exact shape.
constexpr const char* kCreateTable
    = "CREATE TABLE IF NOT EXISTS `conns` ('id' INTEGER PRIMARY KEY AUTOINCREMENT DEFAULT '1', "
      "'name' VARCHAR(30), 'host' VARCHAR(50), 'port' INTEGER DEFAULT '21', 'user' VARCHAR(30), "
      "'pass' VARCHAR (30), 'type' INTEGER DEFAULT '0', 'isBookmark' INTEGER DEFAULT '0', "
      "'lastUse' INTEGER DEFAULT '0', 'startPath' VARCHAR(30) DEFAULT '' );";

#define CONNS_COLUMNS "SELECT `id`,`name`,`host`,`port`,`user`,`pass`,`type`,`isBookmark`,`lastUse`, `startPath` FROM `conns` "
// Ties on last use go by row id, so the order never depends on how SQLite happens to scan.
#define CONNS_ORDER " ORDER BY `lastUse` DESC, `id` DESC"

// QVConnection::isBookmarkColumn in SQL: the low 8 bits of the flag (NULL reads as 0, as the
// record reads it), so the lists, the bookmark limit and the trim agree with the record on
// every row, whatever an older version or another tool stored there.
#define IS_BOOKMARK "(IFNULL(`isBookmark`, 0) & 255) <> 0"
#define IS_LAST_CONN "(IFNULL(`isBookmark`, 0) & 255) = 0"

constexpr const char* kSelectAll = CONNS_COLUMNS CONNS_ORDER;
constexpr const char* kSelectBookmarks = CONNS_COLUMNS "WHERE " IS_BOOKMARK CONNS_ORDER;
constexpr const char* kSelectLastConns = CONNS_COLUMNS "WHERE " IS_LAST_CONN CONNS_ORDER;
constexpr const char* kSelectByID = CONNS_COLUMNS "WHERE `id` = ?1";
constexpr const char* kCountBookmarks = "SELECT COUNT(*) FROM `conns` WHERE " IS_BOOKMARK;
constexpr const char* kCountLastConns = "SELECT COUNT(*) FROM `conns` WHERE " IS_LAST_CONN;
// Exactly one row goes, the oldest by last use and then by id.
constexpr const char* kTrimOldestLastConn
    = "DELETE FROM `conns` WHERE `id` = (SELECT `id` FROM `conns` WHERE " IS_LAST_CONN " "
      "ORDER BY `lastUse` ASC, `id` ASC LIMIT 1)";
constexpr const char* kInsert = "INSERT INTO `conns` VALUES (NULL, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
constexpr const char* kReplace
    = "INSERT OR REPLACE INTO `conns` VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";
constexpr const char* kDelete = "DELETE FROM `conns` WHERE `id` = ?1";

// The trim and the insert commit together: a failed insert must not cost a stored record.
constexpr const char* kBeginAdd = "SAVEPOINT addConn";
constexpr const char* kCommitAdd = "RELEASE addConn";
constexpr const char* kRollbackAdd = "ROLLBACK TO addConn; RELEASE addConn";

#undef CONNS_COLUMNS
#undef CONNS_ORDER
#undef IS_BOOKMARK
#undef IS_LAST_CONN

// The files SQLite keeps beside the database, which hold the same rows.
constexpr const char* kCompanionSuffixes[] = { "-journal", "-wal", "-shm" };

// Takes every right from group and others on a regular file of ours; the owner keeps its own
// (a write-protected file stays write-protected). Another user's file, a link or a missing
// file is left alone.
void makePrivate(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()
        || (info.st_mode & 077) == 0)
        return;
    if (::chmod(path.c_str(), info.st_mode & 0700) != 0)
        NSLogf("Could not make %s private: %s", path.c_str(), std::strerror(errno));
}

// Binds the record's fields, name to start path, from parameter `first` on. Text is bound
// with its length, so quotes, semicolons, NULs or invalid UTF-8 are stored byte for byte.
int bindRecord(sqlite3_stmt* statement, int first, const QVConnection& connection)
{
    auto text = [statement](int at, const std::string& value) {
        return sqlite3_bind_text64(statement, at, value.data(), value.size(), SQLITE_STATIC, SQLITE_UTF8);
    };
    int rc = SQLITE_OK;
    const auto ok = [&rc](int result) { return (rc = result) == SQLITE_OK; };
    (void)(ok(text(first, connection.name())) && ok(text(first + 1, connection.host()))
        && ok(sqlite3_bind_int(statement, first + 2, connection.port()))
        && ok(text(first + 3, connection.username())) && ok(text(first + 4, connection.password()))
        && ok(sqlite3_bind_int(statement, first + 5, connection.type()))
        && ok(sqlite3_bind_int(statement, first + 6, connection.isBookmark() ? 1 : 0))
        && ok(sqlite3_bind_int64(statement, first + 7, connection.lastUse()))
        && ok(text(first + 8, connection.startPath())));
    return rc;
}

std::unique_ptr<ConnectionManager>& sharedSlot()
{
    static std::unique_ptr<ConnectionManager> shared;
    return shared;
}

} // namespace

void ConnectionManager::DatabaseCloser::operator()(sqlite3* database) const { sqlite3_close_v2(database); }

void ConnectionManager::StatementFinalizer::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

ConnectionManager& ConnectionManager::sharedManager()
{
    auto& shared = sharedSlot();
    if (!shared)
        shared = std::make_unique<ConnectionManager>();
    return *shared;
}

void ConnectionManager::resetSharedManagerForTesting() { sharedSlot().reset(); }

ConnectionManager::ConnectionManager()
    : ConnectionManager(kDatabaseFileName)
{
}

ConnectionManager::ConnectionManager(std::string_view filename)
{
    auto& files = NSFileManager::defaultManager();
    const std::string documents = files.documentsDirectory();
    path_ = stringByAppendingPathComponent(documents, filename);
    // Normally made with the home; a folder removed since must not stop the store.
    if (!files.createDirectoryAtPath(documents, true))
        NSLogf("%s", NSFileManager::lastError().c_str());
    (void)initConnection();
    wasChanged_ = false;
}

ConnectionManager::~ConnectionManager() = default;

void ConnectionManager::terminate() { }

int ConnectionManager::initConnection()
{
    arrAll_.clear();
    arrBookmarks_.clear();
    arrLastConns_.clear();
    int rc = connect();
    if (rc != SQLITE_OK) {
        openError_ = lastError_;
        return rc;
    }
    rc = execute(kCreateTable);
    if (rc == SQLITE_OK) {
        NSLog("Done initing table!");
        rc = loadAll();
    }
    if (rc != SQLITE_OK) {
        // Not a database, damaged, locked or of another shape: leave the file untouched and
        // stay closed rather than write into it.
        logError("Could not open the connection store");
        openError_ = lastError_;
        sqlHandle_.reset();
        arrAll_.clear();
        arrBookmarks_.clear();
        arrLastConns_.clear();
        return rc;
    }
    wasChanged_ = false;
    return SQLITE_OK;
}

int ConnectionManager::connect()
{
    // A link in the database's place could send the passwords anywhere (and a dangling one
    // would have its target created): refuse it rather than follow it.
    struct stat info { };
    if (::lstat(path_.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        NSLogf("Failed! Returned %d", SQLITE_CANTOPEN);
        NSLogf("Refusing to open the connection store: %s is a symbolic link, not a file", path_.c_str());
        lastError_ = "it is a symbolic link, not a file";
        return SQLITE_CANTOPEN;
    }
    // Created here, not by SQLite, so that the file holding passwords is private from the start.
    // O_EXCL never follows a link that appears meanwhile.
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);

    sqlite3* database = nullptr;
    const int rc = sqlite3_open_v2(path_.c_str(), &database,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
    sqlHandle_.reset(database);
    if (rc != SQLITE_OK) {
        NSLogf("Failed! Returned %d", rc);
        logError("Could not open the connection store");
        sqlHandle_.reset();
        return rc;
    }
    // A file restored from a backup, made by another tool or left empty in its place keeps the
    // mode it came with; tighten it before the first read, so that the journal SQLite creates
    // beside it takes the private mode too. A journal left over gets the same treatment.
    makePrivate(path_);
    for (const char* suffix : kCompanionSuffixes)
        makePrivate(path_ + suffix);
    NSLogf("Connected (%s)!", path_.c_str());
    return rc;
}

void ConnectionManager::logError(const char* what) const
{
    lastError_ = sqlHandle_ ? sqlite3_errmsg(sqlHandle_.get()) : "database not open";
    NSLogf("%s: %s (%s)", what, lastError_.c_str(), path_.c_str());
}

int ConnectionManager::prepare(const char* sql, StatementHandle& statement)
{
    statement.reset();
    if (!sqlHandle_)
        return SQLITE_CANTOPEN;
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(sqlHandle_.get(), sql, -1, &raw, nullptr);
    statement.reset(raw);
    return rc;
}

int ConnectionManager::execute(const char* sql)
{
    if (!sqlHandle_)
        return SQLITE_CANTOPEN;
    return sqlite3_exec(sqlHandle_.get(), sql, nullptr, nullptr, nullptr);
}

int ConnectionManager::loadAll()
{
    arrAll_.clear();
    arrBookmarks_.clear();
    arrLastConns_.clear();
    StatementHandle statement;
    int rc = prepare(kSelectAll, statement);
    if (rc != SQLITE_OK) {
        logError("Error loading connections");
        return rc;
    }
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        auto connection = QVConnection::initFromStatement(statement.get());
        if (!connection)
            continue;
        arrAll_.push_back(connection);
        (connection->isBookmark() ? arrBookmarks_ : arrLastConns_).push_back(connection);
    }
    if (rc != SQLITE_DONE) {
        // A damaged table: show nothing rather than a list that silently misses rows.
        logError("Error loading connections");
        arrAll_.clear();
        arrBookmarks_.clear();
        arrLastConns_.clear();
        return rc;
    }
    NSLogf("Successfully loaded %u connections!", static_cast<unsigned>(arrAll_.size()));
    return SQLITE_OK;
}

ConnectionManager::ConnectionList ConnectionManager::getAllWithQuery(const char* sql)
{
    ConnectionList result;
    StatementHandle statement;
    int rc = prepare(sql, statement);
    if (rc != SQLITE_OK) {
        NSLogf("Error getting data sets! %d", rc);
        logError("Error getting data sets");
        return result;
    }
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
        if (auto connection = QVConnection::initFromStatement(statement.get()))
            result.push_back(std::move(connection));
    }
    if (rc != SQLITE_DONE) {
        NSLogf("Error getting data sets! %d", rc);
        logError("Error getting data sets");
        result.clear();
    }
    return result;
}

std::shared_ptr<QVConnection> ConnectionManager::getWithQuery(const char* sql, std::int32_t rowID)
{
    StatementHandle statement;
    int rc = prepare(sql, statement);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int(statement.get(), 1, rowID);
    if (rc != SQLITE_OK) {
        NSLogf("Error getting a data set! %d", rc);
        logError("Error getting a data set");
        return nullptr;
    }
    rc = sqlite3_step(statement.get());
    if (rc == SQLITE_ROW)
        return QVConnection::initFromStatement(statement.get());
    if (rc != SQLITE_DONE) {
        NSLogf("Error getting a data set! %d", rc);
        logError("Error getting a data set");
    }
    return nullptr;
}

std::optional<std::int64_t> ConnectionManager::countWithQuery(const char* sql)
{
    StatementHandle statement;
    if (prepare(sql, statement) != SQLITE_OK || sqlite3_step(statement.get()) != SQLITE_ROW)
        return std::nullopt;
    return sqlite3_column_int64(statement.get(), 0);
}

ConnectionManager::ConnectionList ConnectionManager::getBookmarks() { return getAllWithQuery(kSelectBookmarks); }

ConnectionManager::ConnectionList ConnectionManager::getLastConns() { return getAllWithQuery(kSelectLastConns); }

std::shared_ptr<QVConnection> ConnectionManager::getConnByID(std::int32_t rowID)
{
    return getWithQuery(kSelectByID, rowID);
}

bool ConnectionManager::containsName(const std::string& name) const
{
    for (const auto& connection : arrAll_) {
        if (connection->name() == name)
            return true;
    }
    return false;
}

std::int32_t ConnectionManager::addConn(const std::shared_ptr<QVConnection>& connection)
{
    if (!connection || connection->name().empty())
        return kRefusedNoName;
    // The duplicate test must see every write made since the caches were loaded.
    reloadWhenChanged();
    if (containsName(connection->name()))
        return kRefusedDuplicateName;
    if (execute(kBeginAdd) != SQLITE_OK) {
        logError("Could not store connection");
        return kInsertFailed;
    }
    const std::int32_t answer = insertInsideSavepoint(*connection);
    if (answer > 0 && execute(kCommitAdd) == SQLITE_OK) {
        wasChanged_ = true;
        return answer;
    }
    if (answer != kRefusedBookmarkLimit)
        logError("Could not store connection");
    (void)execute(kRollbackAdd);
    return answer > 0 ? kInsertFailed : answer;
}

std::int32_t ConnectionManager::insertInsideSavepoint(const QVConnection& connection)
{
    if (connection.isBookmark()) {
        const auto count = countWithQuery(kCountBookmarks);
        if (count && *count > kBookmarkLimit)
            return kRefusedBookmarkLimit;
    } else {
        const auto count = countWithQuery(kCountLastConns);
        if (count && *count > kRecentLimit && execute(kTrimOldestLastConn) != SQLITE_OK)
            return kInsertFailed;
    }
    StatementHandle statement;
    if (prepare(kInsert, statement) != SQLITE_OK || bindRecord(statement.get(), 1, connection) != SQLITE_OK
        || sqlite3_step(statement.get()) != SQLITE_DONE)
        return kInsertFailed;
    // A row id that a 32-bit index cannot hold could never be addressed again.
    const sqlite3_int64 rowID = sqlite3_last_insert_rowid(sqlHandle_.get());
    if (rowID < 1 || rowID > std::numeric_limits<std::int32_t>::max())
        return kInsertFailed;
    return static_cast<std::int32_t>(rowID);
}

bool ConnectionManager::updateConn(const std::shared_ptr<QVConnection>& connection)
{
    // A refused record carries a negative answer as its index; it must not become a row.
    if (!connection || connection->index() < 1)
        return false;
    StatementHandle statement;
    int rc = prepare(kReplace, statement);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int(statement.get(), 1, connection->index());
    if (rc == SQLITE_OK)
        rc = bindRecord(statement.get(), 2, *connection);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement.get());
    wasChanged_ = true;
    if (rc != SQLITE_DONE) {
        logError("Could not update connection");
        return false;
    }
    return true;
}

bool ConnectionManager::deleteConn(std::int32_t rowID)
{
    StatementHandle statement;
    int rc = prepare(kDelete, statement);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_int(statement.get(), 1, rowID);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement.get());
    wasChanged_ = true;
    if (rc != SQLITE_DONE) {
        logError("Could not delete connection");
        return false;
    }
    return true;
}

void ConnectionManager::reloadWhenChanged()
{
    if (!wasChanged_)
        return;
    (void)loadAll();
    wasChanged_ = false;
}

std::shared_ptr<QVConnection> ConnectionManager::elementAt(const ConnectionList& list, std::int32_t n)
{
    if (n < 0 || static_cast<std::size_t>(n) >= list.size())
        return nullptr;
    return list[static_cast<std::size_t>(n)];
}

std::shared_ptr<QVConnection> ConnectionManager::getBookmark(std::int32_t n)
{
    reloadWhenChanged();
    return elementAt(arrBookmarks_, n);
}

std::shared_ptr<QVConnection> ConnectionManager::getLastConn(std::int32_t n)
{
    reloadWhenChanged();
    return elementAt(arrLastConns_, n);
}

std::shared_ptr<QVConnection> ConnectionManager::getConn(std::int32_t n)
{
    reloadWhenChanged();
    return elementAt(arrAll_, n);
}
