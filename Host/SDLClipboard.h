#pragma once

#include <optional>
#include <string>

#include "Platform/UIKit/UIPasteboard.h"

// The desktop's clipboard behind the pasteboard's text, while the window is open.
class SDLClipboard : public UIPasteboardBackend {
public:
    [[nodiscard]] std::optional<std::string> readText() override;
    void writeText(const std::string& utf8) override;
};
