#include "Platform/Foundation/NSLog.h"

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace {
std::mutex& logMutex()
{
    static std::mutex m;
    return m;
}
// Held by shared pointer so a log call copies a reference count, not the function.
std::shared_ptr<const NSLogSink>& currentSink()
{
    static std::shared_ptr<const NSLogSink> sink;
    return sink;
}
} // namespace

void NSLog(std::string_view line)
{
    std::shared_ptr<const NSLogSink> sink;
    {
        std::lock_guard lock(logMutex());
        sink = currentSink();
    }
    if (sink) {
        (*sink)(std::string(line));
        return;
    }
    std::lock_guard lock(logMutex());
    std::fprintf(stderr, "lexiphant: %.*s\n", static_cast<int>(line.size()), line.data());
}

void NSLogf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        std::vector<char> buf(static_cast<size_t>(n) + 1);
        std::vsnprintf(buf.data(), buf.size(), format, args);
        text.assign(buf.data(), static_cast<size_t>(n));
    }
    va_end(args);
    NSLog(text);
}

NSLogSink NSLogSetSink(NSLogSink sink)
{
    std::lock_guard lock(logMutex());
    NSLogSink previous = currentSink() ? *currentSink() : NSLogSink {};
    currentSink() = sink ? std::make_shared<const NSLogSink>(std::move(sink)) : nullptr;
    return previous;
}
