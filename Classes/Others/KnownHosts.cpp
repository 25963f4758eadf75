#include "Classes/Others/KnownHosts.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdint>
#include <vector>

namespace {

// The fields of a line: hand-edited files align them with runs of spaces and tabs.
std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = line.find_first_not_of(" \t\r");
    while (start != std::string::npos) {
        const std::size_t end = line.find_first_of(" \t\r", start);
        fields.push_back(line.substr(start, end - start));
        start = end == std::string::npos ? end : line.find_first_not_of(" \t\r", end);
    }
    return fields;
}

// A host field names this host and port: "[host]:22" is the same as a plain "host".
bool namesHost(const std::string& field, const std::string& host, int port)
{
    for (const std::string& pattern : componentsSeparatedByString(field, ",")) {
        if (pattern == KnownHosts::hostName(host, port))
            return true;
        if (port == 22 && pattern == "[" + host + "]:22")
            return true;
    }
    return false;
}

} // namespace

std::string KnownHosts::hostName(const std::string& host, int port)
{
    return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

std::string KnownHosts::keyType(std::string_view blob)
{
    if (blob.size() < 4)
        return {};
    const std::uint32_t length = (std::uint32_t(std::uint8_t(blob[0])) << 24)
        | (std::uint32_t(std::uint8_t(blob[1])) << 16) | (std::uint32_t(std::uint8_t(blob[2])) << 8)
        | std::uint32_t(std::uint8_t(blob[3]));
    if (length == 0 || length > 64 || blob.size() < 4 + length)
        return {};
    return std::string(blob.substr(4, length));
}

std::string KnownHosts::base64(std::string_view bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (unsigned(std::uint8_t(bytes[i])) << 16) | (unsigned(std::uint8_t(bytes[i + 1])) << 8)
            | unsigned(std::uint8_t(bytes[i + 2]));
        text += { kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], kAlphabet[v & 63] };
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = unsigned(std::uint8_t(bytes[i])) << 16;
        text += { kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '=' };
    } else if (i + 2 == bytes.size()) {
        const unsigned v = (unsigned(std::uint8_t(bytes[i])) << 16) | (unsigned(std::uint8_t(bytes[i + 1])) << 8);
        text += { kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '=' };
    }
    return text;
}

namespace {

// The lines of `text` that name host:port.
std::vector<KnownHosts::Remembered> linesOf(const std::string& text, const std::string& host, int port)
{
    std::vector<KnownHosts::Remembered> keys;
    int number = 0;
    for (const std::string& line : componentsSeparatedByString(text, "\n")) {
        ++number;
        const std::vector<std::string> fields = fieldsOf(line);
        // Hashed names, markers and comments are other tools' lines: left alone.
        if (fields.size() < 3 || fields[0].empty() || fields[0][0] == '#' || fields[0][0] == '|'
            || fields[0][0] == '@' || !namesHost(fields[0], host, port))
            continue;
        keys.push_back({ fields[1], fields[2], number });
    }
    return keys;
}

// The whole file; a missing one is empty. False, with the reason, when it exists but cannot be
// read (no permission, a folder, a link that leads nowhere).
bool readAll(const std::string& path, std::string& text, std::string& error)
{
    text.clear();
    // Non-blocking: a pipe in its place must not hang the connect.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int failure = errno;
        struct stat status {};
        if (failure == ENOENT && ::lstat(path.c_str(), &status) != 0)
            return true;
        error = failure == ENOENT ? "it is a link to nothing" : std::strerror(failure);
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode) ? "it is a folder" : "it is not a plain file";
        ::close(fd);
        return false;
    }
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

// Appended, never rewritten: lines of other hosts stay as they are. The empty string when the
// whole line is on disk, else what failed.
std::string append(const std::string& path, const std::string& line)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return std::strerror(errno);
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t put = ::write(fd, line.data() + written, line.size() - written);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            const std::string error = put < 0 ? std::strerror(errno) : "nothing was written";
            ::close(fd);
            return error;
        }
        written += static_cast<std::size_t>(put);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) {
        const std::string error = std::strerror(errno);
        ::close(fd);
        return error;
    }
    return ::close(fd) == 0 ? std::string() : std::string(std::strerror(errno));
}

} // namespace

std::string KnownHosts::shownName(const std::string& host, int port)
{
    return port == 22 ? host + ", port 22" : hostName(host, port);
}

std::string KnownHosts::unwritableHostReason(const std::string& host)
{
    if (host.empty())
        return "it is empty";
    for (const char c : host) {
        if (c == '|')
            return "it holds a \"|\", which marks a hashed name there";
        if (c == ',')
            return "it holds a \",\", which separates names there";
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return "it holds a blank or control character, which ends a name there";
    }
    if (host[0] == '#' || host[0] == '@' || host[0] == '!')
        return std::string("it begins with \"") + host[0] + "\", which gives the line another meaning there";
    return {};
}

bool KnownHosts::remembered(const std::string& path, const std::string& host, int port,
                            std::vector<Remembered>& keys, std::string& error)
{
    std::string text;
    keys.clear();
    if (!readAll(path, text, error))
        return false;
    keys = linesOf(text, host, port);
    return true;
}

KnownHosts::Verdict KnownHosts::check(const std::string& path, const std::string& host, int port,
                                      std::string_view blob, Refusal& refusal)
{
    refusal = { hostName(host, port), 0, {} };
    const std::string type = keyType(blob);
    const std::string key = base64(blob);
    std::string text;
    if (!readAll(path, text, refusal.reason))
        return Verdict::unreadable;
    const std::vector<Remembered> keys = linesOf(text, host, port);
    // A host may have one line per key type: any of them may match; a key is refused when a
    // line of its type holds another key, or when none of the host's lines is of its type.
    const Remembered* sameType = nullptr;
    for (const Remembered& line : keys) {
        if (line.type == type && line.key == key)
            return Verdict::known;
        if (line.type == type && sameType == nullptr)
            sameType = &line;
    }
    if (!keys.empty()) {
        refusal.line = sameType != nullptr ? sameType->line : keys.front().line;
        return Verdict::changed;
    }
    refusal.reason = unwritableHostReason(host);
    if (!refusal.reason.empty())
        return Verdict::unstorable;
    const std::string line
        = (text.empty() || text.back() == '\n' ? "" : "\n") + hostName(host, port) + " " + type + " " + key + "\n";
    refusal.reason = append(path, line);
    if (!refusal.reason.empty()) {
        NSLog("Could not remember the host key of " + hostName(host, port) + " in " + path + ": " + refusal.reason);
        return Verdict::unstorable;
    }
    return Verdict::learned;
}
