#pragma once

#include "tests/support/UniqueFd.h"

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A program started by a test, in a process group of its own so that stopping it
// takes every process it forked along. Its stderr (and stdout unless captured) go
// to a log file. Not thread-safe: one owner drives it.
class ChildProcess {
public:
    struct Command {
        std::vector<std::string> argv; // argv[0] is an absolute path
        std::filesystem::path logFile; // appended to; empty: /dev/null
        bool captureStdout { false }; // readLine() reads it
        bool keepStdinOpen { false }; // the child sees end of file on stdin once we stop
        std::string stdinText; // written to stdin (then closed unless keepStdinOpen)
    };

    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Throws std::runtime_error when the program cannot be started.
    void spawn(const Command& command);

    // Runs a program to its end; answers its exit code (-1 for a signal or a time-out,
    // in which case the program is killed).
    [[nodiscard]] static int run(const Command& command, std::chrono::milliseconds timeout);

    [[nodiscard]] pid_t pid() const noexcept { return pid_; }
    [[nodiscard]] bool started() const noexcept { return pid_ > 0; }
    // False once the process has ended. It stays unreaped until stop().
    [[nodiscard]] bool running();
    // "exited with code 3", "killed by signal 9" or "running".
    [[nodiscard]] std::string statusText() const;

    // One line of captured stdout without its line end; nothing on time-out or end of file.
    [[nodiscard]] std::optional<std::string> readLine(std::chrono::milliseconds timeout);

    // Waits for the end; false when the time ran out first.
    [[nodiscard]] bool waitForExit(std::chrono::milliseconds timeout);

    // SIGTERM to the whole group, SIGKILL after the grace time, then reaps the
    // process. Only the group this object started is signalled.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

private:
    void reap();

    pid_t pid_ { -1 };
    bool ended_ { false };
    bool reaped_ { false };
    int exitCode_ { -1 };
    int signal_ { 0 };
    UniqueFd stdin_;
    UniqueFd stdout_;
    std::string pending_; // stdout bytes read past the last line handed out
};
