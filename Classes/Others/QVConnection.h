#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct sqlite3_stmt;

// One server connection as the user stored it. Plain data, shared between the store,
// the screens that edit it and the network manager that connects with it.
class QVConnection {
public:
    // Protocol values of `type`.
    static constexpr std::int32_t kTypeFTP = 0;
    static constexpr std::int32_t kTypeSFTP = 1;
    // Number of result columns a row must have: id, name, host, port, user, pass, type,
    // isBookmark, lastUse, startPath, in this order.
    static constexpr int kColumnCount = 10;

    QVConnection() = default;

    // The stored flag is one byte wide: only the low 8 bits of the column count. The store's
    // SQL conditions apply the same rule, so a row is a bookmark for both or for neither.
    [[nodiscard]] static constexpr bool isBookmarkColumn(std::int64_t stored) { return (stored & 0xFF) != 0; }

    // A record from the row the statement is positioned on, columns read by position.
    // NULL text reads as empty. Answers nullptr when the row has fewer than ten columns or
    // an id outside the 32-bit range (such a row could not be addressed again safely).
    // The statement stays the caller's.
    [[nodiscard]] static std::shared_ptr<QVConnection> initFromStatement(sqlite3_stmt* statement);

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::string& host() const { return host_; }
    void setHost(std::string host) { host_ = std::move(host); }
    std::int32_t port() const { return port_; }
    void setPort(std::int32_t port) { port_ = port; }
    const std::string& username() const { return username_; }
    void setUsername(std::string username) { username_ = std::move(username); }
    const std::string& password() const { return password_; }
    void setPassword(std::string password) { password_ = std::move(password); }
    std::int32_t index() const { return index_; }
    void setIndex(std::int32_t index) { index_ = index; }
    std::int32_t type() const { return type_; }
    void setType(std::int32_t type) { type_ = type; }
    bool isBookmark() const { return isBookmark_; }
    void setIsBookmark(bool isBookmark) { isBookmark_ = isBookmark; }
    // Seconds since 1970 UTC; 64 bits so that dates past 2038 survive.
    std::int64_t lastUse() const { return lastUse_; }
    void setLastUse(std::int64_t lastUse) { lastUse_ = lastUse; }
    const std::string& startPath() const { return startPath_; }
    void setStartPath(std::string startPath) { startPath_ = std::move(startPath); }

private:
    std::string name_;
    std::string host_;
    std::int32_t port_ { 0 };
    std::string username_;
    std::string password_;
    std::int32_t index_ { 0 };
    std::int32_t type_ { kTypeFTP };
    bool isBookmark_ { false };
    std::int64_t lastUse_ { 0 };
    std::string startPath_;
};
