#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"

class HostSession;

// Runs a script of host commands, one a line, against a session: taps and drags in display
// points or by the text a person sees (tapLabel, waitFor, assertVisible: a text that is not on
// screen fails with the texts that are), typing, keys, waits, snapshots, rotation and the life cycle. Blank lines and lines
// starting with "#" are skipped. The run stops at the first line that fails (an unknown command,
// a bad argument, typing with nothing to type into, a snapshot that cannot be written), at
// "quit", or when the application has terminated. Later screens add commands of their own
// through addCommand.
class ScriptDriver {
public:
    // One line, split: the command name, the words after it, and the raw text after the name
    // (for commands that take free text).
    struct Line {
        std::string name;
        std::vector<std::string> words;
        std::string rest;
    };
    // Carries a command out; answers the error message when it fails.
    using Handler = std::function<std::optional<std::string>(const Line&)>;

    struct Outcome {
        bool ok { true };
        // The script asked to quit (or the application ended under it).
        bool quit { false };
        // "FILE:LINE: message" when not ok.
        std::string error;
        // Lines carried out.
        int commandsRun { 0 };
    };

    // Waits and durations are limited to this, so no script stalls the host for long.
    static constexpr double kMaximumSeconds = 600;

    explicit ScriptDriver(HostSession& session);

    // Adds (or replaces) a command; the usage is shown in errors ("tap X Y").
    void addCommand(const std::string& name, const std::string& usage, Handler handler);
    [[nodiscard]] bool hasCommand(const std::string& name) const;
    // The usage of every command the driver knows, by name: what --help lists.
    [[nodiscard]] std::vector<std::string> commandUsages() const;

    Outcome runFile(const std::string& path);

    // Lets the seconds pass in small steps, or less once `done` holds (checked before each step
    // and at the end). Under a clock moved by hand real time passes along with it, so what other
    // threads post to the main run loop (a transfer's answer) arrives as in a person's session.
    // Answers whether `done` held.
    bool letTimePass(double seconds, const std::function<bool()>& done = nullptr);
    Outcome runText(std::string_view text, const std::string& sourceName);

    // Argument helpers for command handlers; each answers an error message on failure.
    // A point within the display: two numbers starting at words[index].
    [[nodiscard]] std::optional<std::string> parsePoint(const Line& line, std::size_t index, CGPoint& point) const;
    // Seconds from 0 to kMaximumSeconds.
    [[nodiscard]] static std::optional<std::string> parseSeconds(const Line& line, std::size_t index, double& seconds);
    [[nodiscard]] std::optional<std::string> expectWords(const Line& line, std::size_t count) const;

private:
    struct Command {
        std::string usage;
        Handler handler;
    };
    void addStandardCommands();
    void settleLaunch();
    // Lets a running screen transition end, so that a script acts on what the person sees.
    void settleTransitions();

    HostSession& session_;
    std::map<std::string, Command> commands_;
    bool launchSettled_ { false };
};
