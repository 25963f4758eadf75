#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

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
    // The host's own test scene in place of the editor (the host's tests; no bundle needed).
    bool testScene { false };

    // The options, or the error message for a command line that cannot be followed.
    [[nodiscard]] static std::variant<HostOptions, std::string> parse(int argc, const char* const* argv);
    // Why a run with no script could only wait forever (--headless, or no display), or nothing.
    [[nodiscard]] std::optional<std::string> problemWithoutScript(bool displayPresent) const;
    // The options, then the script commands given (their usage lines).
    [[nodiscard]] static std::string usage(const std::vector<std::string>& scriptCommands);
};
