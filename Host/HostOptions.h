#pragma once

#include <string>
#include <variant>

// What the command line asks of the host.
struct HostOptions {
    bool showVersion { false };
    bool showHelp { false };
    // No window, even when a display is present.
    bool headless { false };
    bool landscape { false };
    // A device profile name: iphone, iphone-retina, iphone-tall, ipad, ipad-retina.
    std::string device { "ipad" };
    // A script of host commands to run; empty for none.
    std::string scriptPath;

    // The options, or the error message for a command line that cannot be followed.
    [[nodiscard]] static std::variant<HostOptions, std::string> parse(int argc, const char* const* argv);
    [[nodiscard]] static std::string usage();
};
