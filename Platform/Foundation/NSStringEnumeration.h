#pragma once

#include <functional>
#include <string_view>

#include "Platform/Foundation/NSString.h"

enum NSStringEnumerationOptions : unsigned {
    NSStringEnumerationByWords = 3,
};

// Called per substring: the substring's range, its enclosing range (the substring with the
// separators that belong to it), and a flag that stops the enumeration when set.
using NSStringEnumerationBlock = std::function<void(std::u16string_view substring, NSRange substringRange,
                                                    NSRange enclosingRange, bool* stop)>;

// Enumerates the words of text within range (clamped to the text), by ICU's word rules:
// punctuation and spaces are separators, not words. A word's enclosing range runs to the next
// word's start (the last one to the range's end); the first also takes the separators that
// open the range.
void enumerateSubstringsInRange(std::u16string_view text, NSRange range, NSStringEnumerationOptions options,
                                const NSStringEnumerationBlock& block);
