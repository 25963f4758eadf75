#pragma once

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

// A fresh private folder under the temp folder ($TMPDIR or /tmp), removed with all it holds
// when dropped. Throws std::runtime_error when it cannot be made.
class TempDir {
public:
    explicit TempDir(std::string_view prefix = "lexiphant-test")
    {
        std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder " + pattern + ": " + std::strerror(errno));
        path_ = std::move(pattern);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Without a trailing slash.
    [[nodiscard]] const std::string& path() const noexcept { return path_; }
    // "<path>/<name>"
    [[nodiscard]] std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};
