#pragma once

#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreGraphics/CGContext.h"

// The on-screen keyboard's keys as the platform lays them out for a device and a board size:
// letters, shift, the numbers key, space, return and delete. The stand-in only draws them;
// typing comes from the host's keyboard.
class UIKeyboardLayout {
public:
    enum class KeyKind { Letter, Shift, Delete, Numbers, Space, Return, Dismiss };

    struct Key {
        std::u16string cap; // the text on the key cap
        KeyKind kind { KeyKind::Letter };
        CGRect frame {}; // in board coordinates: the board's top left corner is 0, 0
    };

    // The keys of a board of that size (points), on the pad's layout or the phone's.
    [[nodiscard]] static std::vector<Key> keys(CGSize board, bool pad);

    // Draws the board with its keys and caps; board is in the context's coordinates.
    static void draw(CGContextRef context, CGRect board, bool pad);
};
