#include "Platform/Foundation/NSLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {
std::mutex& logMutex()
{
    static std::mutex m;
    return m;
}
NSLogSink& currentSink()
{
    static NSLogSink sink;
    return sink;
}
} // namespace

void NSLog(std::string_view line)
{
    NSLogSink sink;
    {
        std::lock_guard lock(logMutex());
        sink = currentSink();
    }
    std::string text(line);
    if (sink) {
        sink(text);
        return;
    }
    std::lock_guard lock(logMutex());
    std::fprintf(stderr, "lexiphant: %s\n", text.c_str());
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
    NSLogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}
