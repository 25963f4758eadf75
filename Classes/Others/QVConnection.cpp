#include "Classes/Others/QVConnection.h"

#include <limits>
#include <sqlite3.h>

namespace {

// Text is read with its byte length, so bytes that are not valid UTF-8 (or embedded NULs)
// come back exactly as they were stored.
std::string columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = sqlite3_column_text(statement, column);
    if (text == nullptr)
        return {};
    const int length = sqlite3_column_bytes(statement, column);
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
}

} // namespace

std::shared_ptr<QVConnection> QVConnection::initFromStatement(sqlite3_stmt* statement)
{
    if (statement == nullptr || sqlite3_column_count(statement) < kColumnCount)
        return nullptr;
    const sqlite3_int64 id = sqlite3_column_int64(statement, 0);
    if (id < std::numeric_limits<std::int32_t>::min() || id > std::numeric_limits<std::int32_t>::max())
        return nullptr;

    auto connection = std::make_shared<QVConnection>();
    connection->index_ = static_cast<std::int32_t>(id);
    connection->name_ = columnText(statement, 1);
    connection->host_ = columnText(statement, 2);
    connection->port_ = sqlite3_column_int(statement, 3);
    connection->username_ = columnText(statement, 4);
    connection->password_ = columnText(statement, 5);
    connection->type_ = sqlite3_column_int(statement, 6);
    connection->isBookmark_ = isBookmarkColumn(sqlite3_column_int64(statement, 7));
    connection->lastUse_ = sqlite3_column_int64(statement, 8);
    connection->startPath_ = columnText(statement, 9);
    return connection;
}
