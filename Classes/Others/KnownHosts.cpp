#include "Classes/Others/KnownHosts.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
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

KnownHosts::Verdict KnownHosts::check(const std::string& path, const std::string& host, int port,
                                      std::string_view blob, Refusal& refusal)
{
    const std::string type = keyType(blob);
    const std::string key = base64(blob);
    std::string text;
    {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream all;
        all << file.rdbuf();
        text = all.str();
    }
    // A host may have one line per key type: any of them may match, and only a host whose
    // lines all hold other keys is changed (the first of its lines is the one named).
    int number = 0;
    int firstLine = 0;
    for (const std::string& line : componentsSeparatedByString(text, "\n")) {
        ++number;
        const std::vector<std::string> fields = fieldsOf(line);
        // Hashed names, markers and comments are other tools' lines: left alone.
        if (fields.size() < 3 || fields[0].empty() || fields[0][0] == '#' || fields[0][0] == '|'
            || fields[0][0] == '@' || !namesHost(fields[0], host, port))
            continue;
        if (fields[1] == type && fields[2] == key)
            return Verdict::known;
        if (firstLine == 0)
            firstLine = number;
    }
    if (firstLine != 0) {
        refusal = { hostName(host, port), firstLine };
        return Verdict::changed;
    }
    // Appended, never rewritten: lines of other hosts stay as they are.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        NSLog("Could not remember the host key of " + hostName(host, port) + " in " + path);
        return Verdict::learned;
    }
    std::string line = (text.empty() || text.back() == '\n' ? "" : "\n") + hostName(host, port) + " " + type + " "
        + key + "\n";
    if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        NSLog("Could not remember the host key of " + hostName(host, port) + " in " + path);
    ::close(fd);
    return Verdict::learned;
}
