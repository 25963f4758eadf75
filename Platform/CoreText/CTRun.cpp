#include "Platform/CoreText/CTRun.h"

CFIndex CTRunGetGlyphCount(const CTRunRef& run) { return run ? static_cast<CFIndex>(run->glyphs.size()) : 0; }
CFRange CTRunGetStringRange(const CTRunRef& run) { return run ? run->stringRange : CFRangeMake(0, 0); }

double CTRunGetTypographicBounds(const CTRunRef& run, CFRange, CGFloat* ascent, CGFloat* descent, CGFloat* leading)
{
    if (ascent) *ascent = run ? run->ascent : 0;
    if (descent) *descent = run ? run->descent : 0;
    if (leading) *leading = 0;
    return run ? run->width : 0;
}

CTRunDelegateRef CTRunGetRunDelegate(const CTRunRef& run) { return run ? run->runDelegate : nullptr; }
