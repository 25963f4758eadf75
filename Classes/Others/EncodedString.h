#pragma once

#include "Platform/Foundation/NSStringEncoding.h"

#include <string>

// Downloaded bytes decoded as text, with the encoding that read them: UTF-8, ISO Latin 1 or
// ASCII, or 0 with empty text when none did. A value the caller owns.
struct EncodedString {
    std::u16string string;
    NSStringEncoding encoding { static_cast<NSStringEncoding>(0) };
};
