#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/NSStringEncoding.h"

// Conversions between strings and 0-terminated UTF-16 buffers, and one-call regular-expression
// conveniences over a string. Patterns compile with flags 0; failures raise as RegexPattern and
// RegexMatcher do.

// The units before the first 0 unit of the buffer (none for a null buffer).
[[nodiscard]] std::u16string stringWithUTF16Units(const char16_t* units);
// The encoding of the buffers: the platform's native UTF-16, little-endian.
[[nodiscard]] NSStringEncoding nativeUTF16Encoding();
// The string's units; c_str() gives them with a 0 unit after the last.
[[nodiscard]] std::u16string UTF16String(std::u16string_view text);
// A new buffer of length + 1 units: the string's units and a 0 unit.
[[nodiscard]] std::unique_ptr<char16_t[]> copyUTF16String(std::u16string_view text);

[[nodiscard]] std::u16string replaceOccurrencesOfPattern(std::u16string_view text, std::u16string_view pattern,
                                                         std::u16string_view replacement);
[[nodiscard]] bool matchesPattern(std::u16string_view text, std::u16string_view pattern);
// The whole first match, then every group's text; raises "Find Exception" when nothing matches.
[[nodiscard]] std::vector<std::u16string> findPattern(std::u16string_view text, std::u16string_view pattern);
[[nodiscard]] std::vector<std::u16string> componentsSeparatedByPattern(std::u16string_view text,
                                                                       std::u16string_view pattern);
