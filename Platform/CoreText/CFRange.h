#pragma once

#include <algorithm>

// Index ranges of the layout functions: signed, as the platform's C interfaces use them.
using CFIndex = long;

struct CFRange {
    CFIndex location { 0 };
    CFIndex length { 0 };
    friend bool operator==(const CFRange&, const CFRange&) = default;
};

constexpr CFRange CFRangeMake(CFIndex location, CFIndex length) { return { location, length }; }

// The part of `range` inside 0..count; a length of 0 or less reaches to the end.
constexpr CFRange CFRangeClamp(CFRange range, CFIndex count)
{
    const CFIndex start = std::clamp<CFIndex>(range.location, 0, count);
    const CFIndex end = range.length <= 0 ? count : std::clamp<CFIndex>(range.location + range.length, start, count);
    return { start, end - start };
}
