#include "Host/SDLClipboard.h"

#include <SDL.h>

#include <memory>

std::optional<std::string> SDLClipboard::readText()
{
    if (!SDL_HasClipboardText()) {
        return std::nullopt;
    }
    struct SDLFree {
        void operator()(char* text) const { SDL_free(text); }
    };
    const std::unique_ptr<char, SDLFree> text(SDL_GetClipboardText());
    if (!text) {
        return std::nullopt;
    }
    return std::string(text.get());
}

void SDLClipboard::writeText(const std::string& utf8)
{
    // The desktop's clipboard takes C strings: the text ends at a NUL character.
    SDL_SetClipboardText(utf8.c_str());
}
