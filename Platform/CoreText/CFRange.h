#pragma once

// Index ranges of the layout functions: signed, as the platform's C interfaces use them.
using CFIndex = long;

struct CFRange {
    CFIndex location { 0 };
    CFIndex length { 0 };
    friend bool operator==(const CFRange&, const CFRange&) = default;
};

constexpr CFRange CFRangeMake(CFIndex location, CFIndex length) { return { location, length }; }
