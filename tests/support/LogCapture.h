#pragma once

#include "Platform/Foundation/NSLog.h"

#include <mutex>
#include <string>
#include <vector>

// Collects the lines logged while in scope (from any thread) instead of printing them; the
// sink that was installed before comes back afterwards.
class LogCapture {
public:
    LogCapture()
        : previous_(NSLogSetSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        }))
    {
    }
    ~LogCapture() { NSLogSetSink(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // A copy: lines may still arrive from other threads.
    [[nodiscard]] std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // Forgets the lines caught so far.
    void clear()
    {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }
    // Whether some line holds the fragment.
    [[nodiscard]] bool contains(const std::string& fragment) const
    {
        std::lock_guard lock(mutex_);
        for (const auto& line : lines_)
            if (line.find(fragment) != std::string::npos) return true;
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    NSLogSink previous_;
};
