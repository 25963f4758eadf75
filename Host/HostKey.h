#pragma once

#include <optional>
#include <string_view>

// The keys the host turns into editing: typing keys go to the first responder's key input, the
// shortcuts become edit commands, and one key turns the device.
enum class HostKey {
    Backspace,
    Return,
    Tab,
    Cut,
    Copy,
    Paste,
    SelectAll,
    Rotate,
};

// A key by the name a script uses ("Backspace", "Return", "Tab", "ctrl+x", "ctrl+c", "ctrl+v",
// "ctrl+a", "ctrl+r", "F5"), ignoring case; nothing for an unknown name.
[[nodiscard]] std::optional<HostKey> hostKeyNamed(std::string_view name);
