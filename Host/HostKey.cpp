#include "Host/HostKey.h"

#include <algorithm>
#include <cctype>
#include <string>

std::optional<HostKey> hostKeyNamed(std::string_view name)
{
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    struct Entry {
        const char* name;
        HostKey key;
    };
    static const Entry kNames[] = {
        { "backspace", HostKey::Backspace },
        { "return", HostKey::Return },
        { "enter", HostKey::Return },
        { "tab", HostKey::Tab },
        { "ctrl+x", HostKey::Cut },
        { "ctrl+c", HostKey::Copy },
        { "ctrl+v", HostKey::Paste },
        { "ctrl+a", HostKey::SelectAll },
        { "ctrl+r", HostKey::Rotate },
        { "f5", HostKey::Rotate },
    };
    for (const Entry& entry : kNames) {
        if (lower == entry.name) {
            return entry.key;
        }
    }
    return std::nullopt;
}
