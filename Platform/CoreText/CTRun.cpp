#include "Platform/CoreText/CTRun.h"

CFIndex CTRunGetGlyphCount(const CTRunRef& run) { return run ? static_cast<CFIndex>(run->glyphs.size()) : 0; }
CFRange CTRunGetStringRange(const CTRunRef& run) { return run ? run->stringRange : CFRangeMake(0, 0); }
