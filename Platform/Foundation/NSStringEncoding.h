#pragma once

// Converting text to and from bytes in the encodings the system meets on servers.

#include "Platform/Foundation/NSData.h"

#include <optional>
#include <string>
#include <string_view>

enum NSStringEncoding : unsigned long {
    NSASCIIStringEncoding = 1,
    NSUTF8StringEncoding = 4,
    NSISOLatin1StringEncoding = 5,
    NSMacOSRomanStringEncoding = 30,
    NSUTF16LittleEndianStringEncoding = 0x94000100,
};

// Bytes -> UTF-16 text, or nullopt when the bytes are not valid in `encoding`:
// - UTF-8: strict; a leading byte-order mark is kept as U+FEFF.
// - ISO Latin 1: never fails (each byte is the character of that number).
// - ASCII: fails on any byte >= 0x80.
// - Mac OS Roman: never fails (every byte has a character).
// - UTF-16 LE: fails on an odd number of bytes; units are taken as they stand (a byte-order
//   mark is kept, unpaired surrogates are kept).
// An unknown encoding number gives nullopt.
[[nodiscard]] std::optional<std::u16string> stringFromData(std::string_view bytes, NSStringEncoding encoding);
// The same, answering UTF-8 text.
[[nodiscard]] std::optional<std::string> utf8StringFromData(std::string_view bytes, NSStringEncoding encoding);

// UTF-16 text -> bytes, or nullopt when a character cannot be written in `encoding`
// (above U+007F for ASCII, above U+00FF for Latin 1, outside the table for Mac OS Roman,
// an unpaired surrogate for UTF-8). UTF-16 LE never fails. No byte-order mark is added.
[[nodiscard]] std::optional<NSData> dataUsingEncoding(std::u16string_view text, NSStringEncoding encoding);
// The same from UTF-8 text; text that is not well-formed UTF-8 gives nullopt.
[[nodiscard]] std::optional<NSData> dataUsingEncoding(std::string_view utf8, NSStringEncoding encoding);
