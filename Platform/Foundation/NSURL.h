#pragma once

// URLs as strings with their parts. Only well-formed URL strings make a URL: characters a URL
// may not hold (space, quotes, "<", ">", non-ASCII, "%" without two hex digits, ...) must be
// escaped first (`stringByAddingPercentEscapesUsingEncoding`).

#include "Platform/Foundation/NSObject.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class NSURL : public NSObject {
public:
    // nullptr when `string` is not a well-formed URL (or is empty).
    static std::shared_ptr<NSURL> URLWithString(std::string_view string);
    // "file://" URL of an absolute local path (escaped as a path).
    static std::shared_ptr<NSURL> fileURLWithPath(std::string_view path);

    const std::string& absoluteString() const { return string_; }
    // Parts as written, "" when absent (scheme without ":"; host without brackets removed).
    const std::string& scheme() const { return scheme_; }
    const std::string& host() const { return host_; }
    std::optional<int> port() const { return port_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    const std::string& query() const { return query_; }
    const std::string& fragment() const { return fragment_; }
    // The path as written (still escaped), trailing "/" kept.
    const std::string& escapedPath() const { return path_; }
    // The percent-decoded path without a trailing "/" (except the root "/"); "" without a path.
    // When the decoded bytes are not UTF-8 the path is answered still escaped.
    std::string path() const;
    // The decoded last component of the path ("" for none, "/" for the root).
    std::string lastPathComponent() const;
    bool isFileURL() const { return scheme_ == "file"; }

    // The URL with `component` escaped for a path (every character a path may not hold, "%",
    // "?", "#" and non-ASCII included; "/" is kept) and joined to the path with exactly one "/".
    // Query and fragment are kept.
    std::shared_ptr<NSURL> URLByAppendingPathComponent(std::string_view component) const;
    // The URL of the parent directory, ending in "/": ".../a/b/" and ".../a/b" give ".../a/".
    // The root stays the root.
    std::shared_ptr<NSURL> URLByDeletingLastPathComponent() const;

    // NSObject: equal when the absolute strings are equal.
    bool isEqual(const NSObject& other) const override;
    std::size_t hash() const override;

private:
    NSURL() = default;
    static std::shared_ptr<NSURL> withPath(const NSURL& base, std::string path);

    std::string string_;
    std::string scheme_;
    std::string user_;
    std::string password_;
    std::string host_;
    std::optional<int> port_;
    std::string path_;
    std::string query_;
    std::string fragment_;
    std::string authority_; // as written between "//" and the path
    bool hasAuthority_ { false };
    bool hasQuery_ { false };
    bool hasFragment_ { false };
};

// Escapes UTF-8 text for a URL: every byte except ASCII letters, digits and
// "!#$&'()*+,-./:;=?@_~" becomes "%XX" (upper-case hex); so space, quotes, "%", "<", ">",
// brackets, control characters and every non-ASCII byte are escaped. Existing escapes are
// escaped again ("%20" -> "%2520").
[[nodiscard]] std::string stringByAddingPercentEscapesUsingEncoding(std::string_view utf8);
// Decodes "%XX" escapes; a "%" without two hex digits stays as it is. nullopt when the decoded
// bytes are not well-formed UTF-8.
[[nodiscard]] std::optional<std::string> stringByReplacingPercentEscapes(std::string_view escaped);
