#pragma once

// Path operations on UTF-8 paths with "/" separators, following the platform's rules.

#include <string>
#include <string_view>
#include <vector>

// Text after the last "." of the last component (trailing "/" ignored); "" when there is
// none, when the dot ends the name ("a.") or when the only dot starts the name (".htaccess").
[[nodiscard]] std::string pathExtension(std::string_view path);
// The last component, trailing "/" ignored; "/" for the root, "" for "".
[[nodiscard]] std::string lastPathComponent(std::string_view path);
// Removes the last component and the slash before it: "/a/b/" -> "/a", "/a" -> "/",
// "/" -> "/", "a" -> "".
[[nodiscard]] std::string stringByDeletingLastPathComponent(std::string_view path);
// Removes "." and the extension from the last component (trailing "/" dropped); a path
// without an extension comes back without its trailing "/".
[[nodiscard]] std::string stringByDeletingPathExtension(std::string_view path);
// "/a//b/" -> "/", "a", "b", "/": a leading "/" is a component, a run of slashes separates
// once, a trailing "/" is a component. "" gives no components.
[[nodiscard]] std::vector<std::string> pathComponents(std::string_view path);
// Joins components with single slashes; "/" components give the leading or trailing slash.
[[nodiscard]] std::string pathWithComponents(const std::vector<std::string>& components);
// `path` + "/" + `component` with exactly one slash between (slashes at the seam are merged);
// appending to "" gives the component; appending "" gives `path`. A trailing "/" of the
// result is dropped unless the result is "/".
[[nodiscard]] std::string stringByAppendingPathComponent(std::string_view path, std::string_view component);
