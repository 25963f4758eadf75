#include "Platform/Foundation/NSURL.h"

#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

#include <filesystem>
#include <system_error>

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(char c)
{
    switch (c) {
    case '!': case '$': case '&': case '\'': case '(': case ')': case '*': case '+': case ',': case ';': case '=':
        return true;
    default:
        return false;
    }
}

int hexValue(char c) { return isDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// Characters a path may hold unescaped.
bool isPathCharacter(char c) { return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '@' || c == '/'; }

// Characters left alone when a whole URL string is escaped.
bool isLeftInURLString(char c) { return isAlpha(c) || isDigit(c) || (c != 0 && std::string_view("!#$&'()*+,-./:;=?@_~").find(c) != std::string_view::npos); }

template <typename Keep>
std::string escape(std::string_view bytes, Keep keep)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (keep(c)) {
            out.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        }
    }
    return out;
}

// True when every character of `part` is allowed by `allowed` or is a complete "%XX" escape.
template <typename Allowed>
bool isWellFormed(std::string_view part, Allowed allowed)
{
    for (std::size_t i = 0; i < part.size(); ++i) {
        const char c = part[i];
        if (c == '%') {
            if (i + 2 >= part.size() || !isHex(part[i + 1]) || !isHex(part[i + 2]))
                return false;
            i += 2;
        } else if (!allowed(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string stringByAddingPercentEscapesUsingEncoding(std::string_view utf8) { return escape(utf8, isLeftInURLString); }

std::optional<std::string> stringByReplacingPercentEscapes(std::string_view escaped)
{
    std::string out;
    out.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '%' && i + 2 < escaped.size() && isHex(escaped[i + 1]) && isHex(escaped[i + 2])) {
            out.push_back(static_cast<char>(hexValue(escaped[i + 1]) * 16 + hexValue(escaped[i + 2])));
            i += 2;
        } else {
            out.push_back(escaped[i]);
        }
    }
    if (!utf8ToUtf16Strict(out))
        return std::nullopt;
    return out;
}

std::shared_ptr<NSURL> NSURL::URLWithString(std::string_view string)
{
    if (string.empty())
        return nullptr;
    std::shared_ptr<NSURL> url(new NSURL());
    url->string_ = std::string(string);
    std::string_view rest = string;

    // scheme ":"
    if (isAlpha(rest.front())) {
        std::size_t i = 1;
        while (i < rest.size() && (isAlpha(rest[i]) || isDigit(rest[i]) || rest[i] == '+' || rest[i] == '-' || rest[i] == '.'))
            ++i;
        if (i < rest.size() && rest[i] == ':') {
            url->scheme_ = std::string(rest.substr(0, i));
            rest.remove_prefix(i + 1);
        }
    }

    // "#" fragment, then "?" query: split from the right end first.
    if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
        url->hasFragment_ = true;
        url->fragment_ = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
        if (!isWellFormed(url->fragment_, [](char c) { return isPathCharacter(c) || c == '?'; }))
            return nullptr;
    }
    if (const std::size_t question = rest.find('?'); question != std::string_view::npos) {
        url->hasQuery_ = true;
        url->query_ = std::string(rest.substr(question + 1));
        rest = rest.substr(0, question);
        if (!isWellFormed(url->query_, [](char c) { return isPathCharacter(c) || c == '?'; }))
            return nullptr;
    }

    // "//" authority
    if (rest.starts_with("//")) {
        url->hasAuthority_ = true;
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        url->authority_ = std::string(authority);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
            const std::string_view userInfo = authority.substr(0, at);
            authority.remove_prefix(at + 1);
            if (!isWellFormed(userInfo, [](char c) { return isUnreserved(c) || isSubDelim(c) || c == ':'; }))
                return nullptr;
            const std::size_t colon = userInfo.find(':');
            url->user_ = std::string(userInfo.substr(0, colon));
            if (colon != std::string_view::npos)
                url->password_ = std::string(userInfo.substr(colon + 1));
        }
        std::string_view host = authority;
        std::string_view port;
        if (authority.starts_with('[')) {
            const std::size_t close = authority.find(']');
            if (close == std::string_view::npos)
                return nullptr;
            host = authority.substr(0, close + 1);
            const std::string_view after = authority.substr(close + 1);
            if (!after.empty() && after.front() != ':')
                return nullptr;
            if (!after.empty())
                port = after.substr(1);
            if (!isWellFormed(host.substr(1, host.size() - 2), [](char c) { return isHex(c) || c == ':' || c == '.'; }))
                return nullptr;
        } else {
            if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
                host = authority.substr(0, colon);
                port = authority.substr(colon + 1);
            }
            if (!isWellFormed(host, [](char c) { return isUnreserved(c) || isSubDelim(c); }))
                return nullptr;
        }
        if (port.size() > 5)
            return nullptr;
        if (!port.empty()) {
            int value = 0;
            for (const char c : port) {
                if (!isDigit(c))
                    return nullptr;
                value = value * 10 + (c - '0');
            }
            if (value > 65535)
                return nullptr;
            url->port_ = value;
        }
        url->host_ = std::string(host);
    }

    if (!isWellFormed(rest, isPathCharacter))
        return nullptr;
    url->path_ = std::string(rest);
    return url;
}

std::shared_ptr<NSURL> NSURL::fileURLWithPath(std::string_view path)
{
    std::string absolute(path);
    if (absolute.empty() || absolute.front() != '/') {
        std::error_code error;
        absolute = stringByAppendingPathComponent(std::filesystem::current_path(error).string(), absolute);
    }
    return URLWithString("file://" + escape(absolute, isPathCharacter));
}

std::string NSURL::path() const
{
    std::string_view escaped = path_;
    if (escaped.size() > 1 && escaped.back() == '/')
        escaped.remove_suffix(1);
    auto decoded = stringByReplacingPercentEscapes(escaped);
    return decoded ? *decoded : std::string(escaped);
}

std::string NSURL::lastPathComponent() const { return ::lastPathComponent(path()); }

std::shared_ptr<NSURL> NSURL::withPath(const NSURL& base, std::string path)
{
    std::string string;
    if (!base.scheme_.empty())
        string += base.scheme_ + ":";
    if (base.hasAuthority_)
        string += "//" + base.authority_;
    string += path;
    if (base.hasQuery_)
        string += "?" + base.query_;
    if (base.hasFragment_)
        string += "#" + base.fragment_;
    return URLWithString(string);
}

std::shared_ptr<NSURL> NSURL::URLByAppendingPathComponent(std::string_view component) const
{
    std::string path = path_;
    std::string escaped = escape(component, isPathCharacter);
    if (path.empty() && hasAuthority_)
        path = "/";
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    if (!path.empty()) {
        std::size_t leading = 0;
        while (leading < escaped.size() && escaped[leading] == '/')
            ++leading;
        escaped.erase(0, leading);
    }
    return withPath(*this, path + escaped);
}

std::shared_ptr<NSURL> NSURL::URLByDeletingLastPathComponent() const
{
    std::string_view path = path_;
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    std::string parent;
    if (path.empty()) {
        // The root (or no path at all) has no parent: it stays the root.
        parent = (hasAuthority_ || path_.starts_with('/')) ? "/" : "./";
    } else if (const std::size_t slash = path.rfind('/'); slash == std::string_view::npos) {
        parent = "./";
    } else {
        parent = std::string(path.substr(0, slash + 1));
    }
    return withPath(*this, parent);
}

bool NSURL::isEqual(const NSObject& other) const
{
    const auto* url = dynamic_cast<const NSURL*>(&other);
    return url && url->string_ == string_;
}

std::size_t NSURL::hash() const { return std::hash<std::string> {}(string_); }
