#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The application's home: $LEXIPHANT_HOME, or ~/.local/share/lexiphant. The environment is
// read on every call, so tests may point it at a fresh folder at any time. Each call makes sure
// Documents/, Library/Preferences/, tmp/ (mode 0700, private) and Outbox/ exist in it (cheap
// when they do; recreated when something removed them). The answer has no trailing slash.
[[nodiscard]] std::string NSHomeDirectory();
// "<home>/tmp/", with the trailing slash as the platform gives it.
[[nodiscard]] std::string NSTemporaryDirectory();

// Files on the local disk. Paths are UTF-8. Nothing here throws; failures answer false/nullopt
// and leave an errno-based message in lastError() of the calling thread.
class NSFileManager {
public:
    static NSFileManager& defaultManager();

    // "<home>/Documents", "<home>/Library", "<home>/Outbox" (no trailing slash).
    [[nodiscard]] std::string documentsDirectory() const;
    [[nodiscard]] std::string libraryDirectory() const;
    [[nodiscard]] std::string outboxDirectory() const;

    [[nodiscard]] bool fileExistsAtPath(const std::string& path) const;
    [[nodiscard]] bool fileExistsAtPath(const std::string& path, bool& isDirectory) const;
    // The whole content of a regular file; nullopt when it cannot be read.
    [[nodiscard]] std::optional<std::string> contentsAtPath(const std::string& path) const;
    // Creates the directory (and, when asked, missing parents) with the given mode. An existing
    // directory counts as success; an existing file in the way does not.
    [[nodiscard]] bool createDirectoryAtPath(
        const std::string& path, bool withIntermediateDirectories, mode_t mode = 0755) const;
    // Writes the bytes to a temporary file beside the target, flushes it to disk and renames it
    // over the target, so readers see the old or the new content, never a part. The file gets
    // exactly the given mode. On failure the old file stays untouched and no temporary is left.
    [[nodiscard]] bool writeToFile(const std::string& path, std::string_view bytes, mode_t mode = 0644) const;
    // Removes a file, a symbolic link (not its target) or an EMPTY directory. Never recursive:
    // a directory with anything inside is refused.
    [[nodiscard]] bool removeItemAtPath(const std::string& path) const;
    // Renames within one file system; refuses to replace an existing destination.
    [[nodiscard]] bool moveItemAtPath(const std::string& from, const std::string& to) const;
    // Names (not paths) of the directory's entries, sorted, without "." and ".."; nullopt when
    // it is not a readable directory.
    [[nodiscard]] std::optional<std::vector<std::string>> contentsOfDirectoryAtPath(
        const std::string& path) const;

    // The reason for the last failure on this thread, for log lines.
    [[nodiscard]] static const std::string& lastError();
};
