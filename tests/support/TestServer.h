#pragma once

#include "tests/support/ChildProcess.h"

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// A real server on 127.0.0.1 run by a test program over a fresh root folder on
// disk. Subclasses start a particular server; this holds what they share: the
// process, the address, the account and helpers for the files under the root.
//
// A server that cannot start throws std::runtime_error with the reason and the
// end of its log, so the test that needed it fails (never skips). Every running
// server is stopped at exit at the latest, also when a test failed. One thread
// drives a server object at a time.
class TestServer {
public:
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;
    virtual ~TestServer();

    [[nodiscard]] bool running();
    [[nodiscard]] const std::string& host() const noexcept { return host_; }
    [[nodiscard]] int port() const noexcept { return port_; }
    [[nodiscard]] const std::string& user() const noexcept { return user_; }
    [[nodiscard]] const std::string& password() const noexcept { return password_; }
    // The folder on disk behind the server's root.
    [[nodiscard]] const std::filesystem::path& rootDir() const noexcept { return rootDir_; }
    // The root as the client names it, with a trailing "/".
    [[nodiscard]] virtual std::string startPath() const = 0;
    // "<scheme>://127.0.0.1:<port><startPath>"
    [[nodiscard]] virtual std::string url() const = 0;

    // Kills the server's process group, waits for it and removes its folders.
    virtual void stop();

    // Files under the root, named by '/'-separated paths relative to it. Paths that
    // are absolute or climb out with ".." are refused (std::invalid_argument).
    // Folders on the way are made as needed. Failures throw std::runtime_error.
    [[nodiscard]] std::filesystem::path pathFor(std::string_view relative) const;
    void writeFile(std::string_view relative, std::string_view bytes) const;
    // A file of the given size that takes no disk space (sizes past 4 GiB too).
    void makeSparseFile(std::string_view relative, std::uint64_t size) const;
    void makeDir(std::string_view relative) const;
    void setModificationTime(std::string_view relative, std::time_t secondsSince1970) const;
    [[nodiscard]] std::optional<std::string> readFile(std::string_view relative) const;
    [[nodiscard]] bool exists(std::string_view relative) const;
    // Removes everything under the root (the root itself stays).
    void clearRoot() const;

    // What the server logged so far (for a failing test's message).
    [[nodiscard]] std::string logText() const;

protected:
    TestServer() = default;

    // Makes a fresh private work folder (logs, configuration) under the temp folder.
    void makeWorkDir(std::string_view prefix);
    // Waits until something on port() answers with a first line starting with
    // `prefix` while the process keeps running. Throws when the time runs out.
    void waitUntilServing(std::string_view prefix, std::chrono::milliseconds timeout);
    // The reason plus the end of the log, for exceptions.
    [[nodiscard]] std::string failure(std::string_view what) const;
    // Folders made outside the work folder (removed by stop()).
    void setRootOutsideWorkDir(std::filesystem::path root)
    {
        rootDir_ = std::move(root);
        rootOutside_ = true;
    }
    void registerRunning();
    // Files made by the helpers are given to this account (the SFTP user must
    // be able to change them).
    void setFileOwner(uid_t uid, gid_t gid) noexcept
    {
        ownerUid_ = uid;
        ownerGid_ = gid;
    }

    [[nodiscard]] const std::filesystem::path& workDir() const noexcept { return workDir_; }
    [[nodiscard]] const std::filesystem::path& logPath() const noexcept { return logPath_; }
    ChildProcess& process() noexcept { return process_; }
    void setAddress(int port) noexcept { port_ = port; }
    void setAccount(std::string user, std::string password)
    {
        user_ = std::move(user);
        password_ = std::move(password);
    }

private:
    void giveToOwner(const std::filesystem::path& path) const;
    void removeFolders() noexcept;

    std::string host_ { "127.0.0.1" };
    int port_ { 0 };
    std::string user_;
    std::string password_;
    std::filesystem::path workDir_;
    std::filesystem::path logPath_;
    std::filesystem::path rootDir_;
    bool rootOutside_ { false };
    uid_t ownerUid_ { static_cast<uid_t>(-1) };
    gid_t ownerGid_ { static_cast<gid_t>(-1) };
    ChildProcess process_;
};
