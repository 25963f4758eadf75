#pragma once

#include <functional>
#include <string>
#include <string_view>

// The system log: free-form lines without levels. Lines go to stderr unless a sink is installed.
void NSLog(std::string_view line);

// printf-style convenience; the format is checked by the compiler.
void NSLogf(const char* format, ...) __attribute__((format(printf, 1, 2)));

using NSLogSink = std::function<void(const std::string&)>;

// Replaces where log lines go (tests capture them); an empty sink restores stderr.
// Returns the previous sink.
NSLogSink NSLogSetSink(NSLogSink sink);
