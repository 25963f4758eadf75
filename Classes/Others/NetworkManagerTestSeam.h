#pragma once

// The seam through which tests reach below the network manager's face: its name and path
// helpers and the libcurl callbacks, which are plain functions with libcurl's signatures. The
// manager's own source files get them through NetworkManagerCurl.h with the rest of its
// plumbing; no screen includes either.

#include <cstddef>
#include <string>
#include <string_view>

// A CR, LF or NUL would end an FTP command line early and start another one.
[[nodiscard]] bool hasUnsafeCharacters(std::string_view text);

// One path component escaped for a URL: everything but letters, digits and "-._~".
[[nodiscard]] std::string escapedPathComponent(const std::string& component);

// A URL path with its percent escapes decoded.
[[nodiscard]] std::string unescapedPath(const std::string& path);

// SFTP quote commands take paths in double quotes, with \" and \\ as the only escapes.
[[nodiscard]] std::string quotedSftpPath(const std::string& path);

// libcurl callbacks (plain functions with libcurl's signatures).
std::size_t listWriteCallback(char* bytes, std::size_t size, std::size_t count, void* record);
// Also appends each line to the std::vector<std::string> given as user data, when there is one.
std::size_t greetingHeaderCallback(char* bytes, std::size_t size, std::size_t count, void* replies);
int quietDebugCallback(void* handle, int type, char* text, std::size_t length, void* unused);
std::size_t uploadReadCallback(char* buffer, std::size_t size, std::size_t count, void* record);
