#include "Platform/CoreText/CTTypesetter.h"

#include <harfbuzz/hb.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cmath>

#include "Platform/CoreText/CTFontFace.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSNumber.h"

namespace {

// The platform's font for text without a font attribute.
constexpr char kDefaultFontName[] = "Helvetica";
constexpr double kDefaultFontSize = 12.0;
// Widths that differ by less than this count as equal, so a frame as wide as a line keeps it.
constexpr double kWidthTolerance = 1e-6;
// Attribute sets whose style a typesetter remembers while it resolves the runs.
constexpr std::size_t kResolvedSets = 32;

struct HbBufferDeleter {
    void operator()(hb_buffer_t* b) const { hb_buffer_destroy(b); }
};

struct BreakIteratorDeleter {
    void operator()(UBreakIterator* b) const { ubrk_close(b); }
};

CTFontRef fontFromAttributes(const NSAttributeDictionary& attributes)
{
    for (const char* key : { kCTFontAttributeName, NSFontAttributeName }) {
        const auto& value = attributes.objectForKey(key);
        if (!value) {
            continue;
        }
        if (auto font = std::dynamic_pointer_cast<const CTFont>(value)) {
            return font;
        }
        if (const auto* convertible = dynamic_cast<const CTFontConvertible*>(value.get())) {
            return convertible->drawingFont();
        }
    }
    return nullptr;
}

CGColorRef colorFromAttributes(const NSAttributeDictionary& attributes)
{
    for (const char* key : { kCTForegroundColorAttributeName, NSForegroundColorAttributeName }) {
        const auto& value = attributes.objectForKey(key);
        if (!value) {
            continue;
        }
        if (auto color = std::dynamic_pointer_cast<const CGColor>(value)) {
            return color;
        }
        if (const auto* convertible = dynamic_cast<const CGColorConvertible*>(value.get())) {
            return convertible->drawingColor();
        }
    }
    return nullptr;
}

bool sameObject(const std::shared_ptr<const NSObject>& a, const std::shared_ptr<const NSObject>& b)
{
    if (a == b) {
        return true;
    }
    return a && b && a->isEqual(*b);
}

// Decorations beyond font and colour that make a run of their own.
bool sameDecoration(const CTTypesetter::Style& a, const CTTypesetter::Style& b)
{
    return a.runDelegate == b.runDelegate && a.underline == b.underline;
}

// kCTUnderlineStyleAttributeName: a number whose low byte is the style; 1 (single) and the
// other line styles are drawn as a single line.
bool underlineFromAttributes(const NSAttributeDictionary& attributes)
{
    const auto number = attributes.valueForKey<NSNumber>(kCTUnderlineStyleAttributeName);
    return number && (number->longLongValue() & 0xFF) != 0;
}

bool isTerminator(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

// White space that hangs past the line's end (no-break spaces do not).
bool isHangingSpace(UChar32 c) { return c == u'\t' || (u_isWhitespace(c) && !isTerminator(static_cast<char16_t>(c))); }

bool isMark(UChar32 c)
{
    const auto mask = U_GET_GC_MASK(c);
    return (mask & (U_GC_MN_MASK | U_GC_MC_MASK | U_GC_ME_MASK)) != 0 || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F)
        || (c >= 0x1F3FB && c <= 0x1F3FF);
}

}

CTTypesetter::CTTypesetter(const NSAttributedString& string)
    : CTTypesetter(string, CTTypesetterOptions {})
{
}

CTTypesetter::CTTypesetter(const NSAttributedString& string, const CTTypesetterOptions& options)
    : text_(string.string())
    , ligatures_(options.ligatures)
{
    const std::size_t n = text_.size();
    unitStyle_.assign(n, 0);
    advance_.assign(n, 0.0f);
    flags_.assign(n, 0);
    resolveStyles(string);
    glyphs_.reserve(n); // about one glyph per character; growing in steps costs more than shaping
    if (options.previous && options.previous->ligatures_ == ligatures_) {
        buildReusing(*options.previous);
    } else {
        processRange(0, n);
    }
    indexGlyphs();
}

void CTTypesetter::processRange(std::size_t start, std::size_t end)
{
    if (start >= end) {
        return;
    }
    applyFallbackFonts(start, end);
    markUnits(start, end);
    shapeRange(start, end);
    const CFIndex reshapedEnd = reshaped_.length > 0 ? reshaped_.location + reshaped_.length : 0;
    const CFIndex from = reshaped_.length > 0 ? std::min<CFIndex>(reshaped_.location, static_cast<CFIndex>(start)) : static_cast<CFIndex>(start);
    reshaped_ = CFRangeMake(from, std::max<CFIndex>(reshapedEnd, static_cast<CFIndex>(end)) - from);
}

namespace {

// Whether a paragraph starts at k: the text's ends, or just after a terminator (CR LF is one).
bool paragraphBoundary(const std::u16string& text, std::size_t k)
{
    if (k == 0 || k >= text.size()) {
        return true;
    }
    const char16_t before = text[k - 1];
    return isTerminator(before) && !(before == u'\r' && text[k] == u'\n');
}

}

void CTTypesetter::buildReusing(const CTTypesetter& previous)
{
    const std::u16string& old = previous.text_;
    const std::size_t n = text_.size();
    const std::size_t oldN = old.size();
    const std::size_t shorter = std::min(n, oldN);
    const std::size_t prefix = static_cast<std::size_t>(
        std::mismatch(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(shorter), old.begin()).first - text_.begin());
    const std::size_t suffix = static_cast<std::size_t>(
        std::mismatch(text_.rbegin(), text_.rbegin() + static_cast<std::ptrdiff_t>(shorter - prefix), old.rbegin()).first
        - text_.rbegin());

    // Old style index -> new one (-1: not mapped yet); equality of a new unit's style with the
    // old unit's, cached per pair of indices.
    std::vector<int> mapped(previous.styles_.size(), -1);
    const auto mapStyle = [&](std::uint16_t oldIndex) {
        if (mapped[oldIndex] < 0) {
            mapped[oldIndex] = styleIndex(previous.styles_[oldIndex]);
        }
        return static_cast<std::uint16_t>(mapped[oldIndex]);
    };
    std::vector<std::int8_t> same;
    const std::size_t newStyles = styles_.size(); // before any mapping adds fallback styles
    same.assign(previous.styles_.size() * newStyles, -1);
    const auto sameStyle = [&](std::uint16_t newIndex, std::uint16_t oldIndex) {
        if (newIndex >= newStyles) {
            return false;
        }
        std::int8_t& known = same[oldIndex * newStyles + newIndex];
        if (known < 0) {
            const Style& a = styles_[newIndex];
            const Style& b = previous.styles_[oldIndex];
            known = a.face == b.face && a.size == b.size && sameObject(a.font, b.font) && sameObject(a.color, b.color)
                    && sameDecoration(a, b) ? 1 : 0;
        }
        return known == 1;
    };

    // The old index of the paragraph [start, end) when it can be taken over, else -1.
    const auto reusableAt = [&](std::size_t start, std::size_t end) -> std::ptrdiff_t {
        std::size_t oldStart = 0;
        if (end <= prefix) {
            oldStart = start;
        } else if (start >= n - suffix) {
            oldStart = start - n + oldN;
        } else {
            return -1;
        }
        const std::size_t oldEnd = oldStart + (end - start);
        if (!paragraphBoundary(old, oldStart) || !paragraphBoundary(old, oldEnd) || (oldEnd == oldN) != (end == n)) {
            return -1;
        }
        // Styles come in runs: compare a pair of indices once per run.
        std::uint32_t checked = UINT32_MAX;
        for (std::size_t i = start; i < end; ++i) {
            const std::uint32_t pair = (std::uint32_t { unitStyle_[i] } << 16) | previous.unitStyle_[oldStart + i - start];
            if (pair != checked) {
                if (!sameStyle(unitStyle_[i], previous.unitStyle_[oldStart + i - start])) {
                    return -1;
                }
                checked = pair;
            }
        }
        return static_cast<std::ptrdiff_t>(oldStart);
    };

    std::size_t pending = 0; // start of the paragraphs waiting to be shaped anew
    std::size_t start = 0;
    while (start < n) {
        std::size_t end = start;
        while (end < n && !isTerminator(text_[end])) {
            ++end;
        }
        if (end < n) {
            end += (text_[end] == u'\r' && end + 1 < n && text_[end + 1] == u'\n') ? 2 : 1;
        }
        const std::ptrdiff_t from = reusableAt(start, end);
        if (from >= 0) {
            processRange(pending, start);
            const auto oldStart = static_cast<std::size_t>(from);
            const auto count = static_cast<std::ptrdiff_t>(end - start);
            std::copy_n(previous.advance_.begin() + from, count, advance_.begin() + static_cast<std::ptrdiff_t>(start));
            std::copy_n(previous.flags_.begin() + from, count, flags_.begin() + static_cast<std::ptrdiff_t>(start));
            for (std::size_t i = start; i < end; ++i) {
                unitStyle_[i] = mapStyle(previous.unitStyle_[oldStart + i - start]);
            }
            // A paragraph after a terminator may always start a line; the text's start never does.
            flags_[start] = static_cast<std::uint8_t>((flags_[start] & ~kBreakBefore) | (start > 0 ? kBreakBefore : 0));
            const std::size_t firstOld = previous.firstGlyph_[oldStart];
            const std::size_t lastOld = previous.firstGlyph_[oldStart + (end - start)];
            const std::size_t firstNew = glyphs_.size();
            glyphs_.insert(glyphs_.end(), previous.glyphs_.begin() + static_cast<std::ptrdiff_t>(firstOld),
                           previous.glyphs_.begin() + static_cast<std::ptrdiff_t>(lastOld));
            for (std::size_t g = firstNew; g < glyphs_.size(); ++g) {
                Glyph& glyph = glyphs_[g];
                glyph.cluster = static_cast<std::uint32_t>(glyph.cluster - oldStart + start);
                glyph.style = mapStyle(glyph.style);
            }
            pending = end;
        }
        start = end;
    }
    processRange(pending, n);
}

std::uint16_t CTTypesetter::styleIndex(const Style& style)
{
    for (std::size_t i = 0; i < styles_.size(); ++i) {
        const Style& s = styles_[i];
        if (s.face == style.face && s.size == style.size && sameObject(s.font, style.font) && sameObject(s.color, style.color)
            && sameDecoration(s, style)) {
            return static_cast<std::uint16_t>(i);
        }
    }
    // Style indices are 16 bits; texts never carry that many distinct styles, but stay safe.
    if (styles_.size() >= 0xffff) {
        return 0;
    }
    styles_.push_back(style);
    return static_cast<std::uint16_t>(styles_.size() - 1);
}

void CTTypesetter::resolveStyles(const NSAttributedString& string)
{
    const auto makeStyle = [](CTFontRef font, CGColorRef color) {
        if (!font) {
            static const CTFontRef fallback = CTFontCreateWithName(kDefaultFontName, kDefaultFontSize);
            font = fallback;
        }
        Style style;
        style.font = font;
        style.face = font->face();
        style.size = font->size();
        style.color = std::move(color);
        style.ascent = font->ascent();
        style.descent = font->descent();
        style.leading = font->leading();
        return style;
    };
    // Style 0: the first character's (or the default) style, used for metrics of empty lines.
    if (text_.empty()) {
        styles_.push_back(makeStyle(nullptr, nullptr));
        return;
    }
    // Runs share a handful of sets (a coloured text holds one per colour): resolve each set once.
    std::vector<std::pair<const NSAttributeDictionary*, std::uint16_t>> resolved;
    string.enumerateAttributesInRange(NSMakeRange(0, text_.size()), [&](const NSAttributeDictionary& attributes, NSRange range) {
        auto known = std::find_if(resolved.begin(), resolved.end(), [&](const auto& entry) { return entry.first == &attributes; });
        if (known == resolved.end()) {
            // A text whose every run has a set of its own gains nothing here; keep the search short.
            if (resolved.size() >= kResolvedSets) {
                resolved.clear();
            }
            Style style = makeStyle(fontFromAttributes(attributes), colorFromAttributes(attributes));
            style.underline = underlineFromAttributes(attributes);
            if (auto runDelegate = attributes.valueForKey<CTRunDelegate>(kCTRunDelegateAttributeName)) {
                style.ascent = runDelegate->ascent();
                style.descent = runDelegate->descent();
                style.leading = 0;
                style.runDelegate = std::move(runDelegate);
            }
            known = resolved.insert(resolved.end(), { &attributes, styleIndex(style) });
        }
        const std::uint16_t index = known->second;
        std::fill(unitStyle_.begin() + static_cast<std::ptrdiff_t>(range.location),
                  unitStyle_.begin() + static_cast<std::ptrdiff_t>(range.location + range.length), index);
    });
    if (styles_.empty()) {
        styles_.push_back(makeStyle(nullptr, nullptr));
    }
}

void CTTypesetter::applyFallbackFonts(std::size_t from, std::size_t to)
{
    const std::size_t n = to;
    std::size_t i = from;
    while (i < n) {
        const std::size_t start = i;
        UChar32 c = 0;
        U16_NEXT(text_.data(), i, n, c);
        if (c < 0x20 || isHangingSpace(c) || isTerminator(static_cast<char16_t>(c)) || u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) {
            continue;
        }
        const Style& style = styles_[unitStyle_[start]];
        if (!style.face || style.runDelegate || style.face->hasGlyph(static_cast<char32_t>(c))) {
            continue;
        }
        std::uint16_t chosen = unitStyle_[start];
        if (isMark(c) && start > 0) {
            // Marks stay with their base so the cluster is shaped by one face.
            chosen = unitStyle_[start - 1];
        } else if (auto face = CTFontFace::fallbackFaceForCharacter(static_cast<char32_t>(c), *style.face)) {
            Style fallback = style;
            fallback.face = face;
            chosen = styleIndex(fallback);
        }
        std::fill(unitStyle_.begin() + static_cast<std::ptrdiff_t>(start), unitStyle_.begin() + static_cast<std::ptrdiff_t>(i), chosen);
    }
}

void CTTypesetter::markUnits(std::size_t from, std::size_t to)
{
    const std::size_t n = to;
    for (std::size_t i = from; i < n; ++i) {
        const char16_t c = text_[i];
        if (isTerminator(c)) {
            flags_[i] |= kTerminator | kWhitespace | kClusterStart;
        } else if (c == u'\t') {
            flags_[i] |= kTab | kWhitespace | kClusterStart;
        } else if (!U16_IS_SURROGATE(c) && isHangingSpace(c)) {
            flags_[i] |= kWhitespace;
        }
    }
    if (n == from) {
        return;
    }
    // A part of the text starts after a terminator, where a line may always start; the rules
    // start afresh there, so the part's breaks are those of the whole text.
    if (from > 0) {
        flags_[from] |= kBreakBefore;
    }
    // Opening a line iterator loads its rules (about a millisecond); each thread keeps one.
    thread_local std::unique_ptr<UBreakIterator, BreakIteratorDeleter> lines;
    UErrorCode status = U_ZERO_ERROR;
    if (!lines) {
        lines.reset(ubrk_open(UBRK_LINE, "", nullptr, 0, &status));
        if (U_FAILURE(status)) {
            lines.reset();
            return; // no soft breaks: long lines break by character
        }
    }
    const std::size_t count = n - from;
    ubrk_setText(lines.get(), reinterpret_cast<const UChar*>(text_.data() + from), static_cast<int32_t>(count), &status);
    if (U_FAILURE(status)) {
        return;
    }
    for (int32_t b = ubrk_first(lines.get()); b != UBRK_DONE; b = ubrk_next(lines.get())) {
        if (b > 0 && static_cast<std::size_t>(b) < count) {
            flags_[from + static_cast<std::size_t>(b)] |= kBreakBefore;
        }
    }
    // The iterator must not keep pointing into this text.
    ubrk_setText(lines.get(), nullptr, 0, &status);
}

void CTTypesetter::shapeRange(std::size_t from, std::size_t to)
{
    const std::size_t n = text_.size();
    thread_local std::unique_ptr<hb_buffer_t, HbBufferDeleter> buffer(hb_buffer_create());
    static const hb_feature_t noLigatures[] = {
        { HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END },
        { HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END },
        { HB_TAG('c', 'a', 'l', 't'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END },
    };
    std::size_t i = from;
    while (i < to) {
        // Tabs and terminators are not shaped: their advance depends on the line, or is none.
        if (flags_[i] & (kTab | kTerminator)) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        const std::uint16_t styleIdx = unitStyle_[i];
        while (i < to && unitStyle_[i] == styleIdx && !(flags_[i] & (kTab | kTerminator))) {
            ++i;
        }
        const Style& style = styles_[styleIdx];
        if (style.runDelegate) {
            // The delegate's width is the run's; one placeholder glyph carries it.
            Glyph glyph;
            glyph.cluster = static_cast<std::uint32_t>(start);
            glyph.advance = static_cast<float>(style.runDelegate->width());
            glyph.style = styleIdx;
            glyphs_.push_back(glyph);
            advance_[start] += glyph.advance;
            flags_[start] |= kClusterStart;
            continue;
        }
        if (!style.face) {
            continue;
        }
        hb_buffer_clear_contents(buffer.get());
        hb_buffer_add_utf16(buffer.get(), reinterpret_cast<const uint16_t*>(text_.data()), static_cast<int>(n),
                            static_cast<unsigned>(start), static_cast<int>(i - start));
        hb_buffer_guess_segment_properties(buffer.get());
        hb_buffer_set_direction(buffer.get(), HB_DIRECTION_LTR);
        if (ligatures_) {
            hb_shape(style.face->hbFont(), buffer.get(), nullptr, 0);
        } else {
            hb_shape(style.face->hbFont(), buffer.get(), noLigatures, 3);
        }
        unsigned count = 0;
        const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer.get(), &count);
        const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer.get(), &count);
        const double scale = style.size / style.face->unitsPerEm();
        for (unsigned g = 0; g < count; ++g) {
            const std::uint32_t cluster = infos[g].cluster;
            Glyph glyph;
            glyph.glyph = infos[g].codepoint;
            glyph.cluster = cluster;
            glyph.advance = static_cast<float>(positions[g].x_advance * scale);
            glyph.xOffset = static_cast<float>(positions[g].x_offset * scale);
            glyph.yOffset = static_cast<float>(positions[g].y_offset * scale);
            glyph.style = styleIdx;
            glyphs_.push_back(glyph);
            if (cluster < n) {
                advance_[cluster] += glyph.advance;
                flags_[cluster] |= kClusterStart;
            }
        }
    }
}

void CTTypesetter::indexGlyphs()
{
    const std::size_t n = text_.size();
    firstGlyph_.assign(n + 1, static_cast<std::uint32_t>(glyphs_.size()));
    for (std::size_t g = glyphs_.size(); g-- > 0;) {
        firstGlyph_[glyphs_[g].cluster] = static_cast<std::uint32_t>(g);
    }
    for (std::size_t u = n; u-- > 0;) {
        firstGlyph_[u] = std::min(firstGlyph_[u], firstGlyph_[u + 1]);
    }
}

double CTTypesetter::tabAdvance(double x)
{
    const double next = (std::floor(x / kTabInterval + kWidthTolerance) + 1) * kTabInterval;
    return next - x;
}

CFIndex CTTypesetter::suggestLineBreak(CFIndex start, double width) const
{
    const CFIndex n = length();
    if (start < 0) {
        start = 0;
    }
    if (start >= n) {
        return n;
    }
    if (!(width >= 0)) {
        width = 0;
    }
    const double limit = width + kWidthTolerance;
    double x = 0;
    double inked = 0; // width without trailing white space
    CFIndex lastFit = -1;
    for (CFIndex i = start; i < n; ++i) {
        const std::uint8_t f = flags_[static_cast<std::size_t>(i)];
        if (f & kTerminator) {
            const bool crlf = text_[static_cast<std::size_t>(i)] == u'\r' && i + 1 < n && text_[static_cast<std::size_t>(i) + 1] == u'\n';
            return i + (crlf ? 2 : 1);
        }
        if (i > start && (f & kBreakBefore)) {
            lastFit = i;
        }
        x += (f & kTab) ? tabAdvance(x) : advance_[static_cast<std::size_t>(i)];
        if (!(f & kWhitespace)) {
            inked = x;
        }
        if (inked > limit) {
            if (lastFit > start) {
                return lastFit;
            }
            // One word wider than the line: break before the character that overflowed, or
            // after the first character when even that does not fit.
            CFIndex cut = i;
            while (cut > start && !(flags_[static_cast<std::size_t>(cut)] & kClusterStart)) {
                --cut;
            }
            if (cut == start) {
                cut = start + 1;
                while (cut < n && !(flags_[static_cast<std::size_t>(cut)] & kClusterStart)) {
                    ++cut;
                }
            }
            return cut;
        }
    }
    return n;
}

CTLineRef CTTypesetter::createLine(CFRange range) const
{
    return std::make_shared<const CTLine>(shared_from_this(), CFRangeClamp(range, length()));
}

CTTypesetterRef CTTypesetterCreateWithAttributedString(const NSAttributedString& string)
{
    return std::make_shared<const CTTypesetter>(string);
}

CTTypesetterRef CTTypesetterCreateWithAttributedStringAndOptions(const NSAttributedString& string,
                                                                 const CTTypesetterOptions& options)
{
    return std::make_shared<const CTTypesetter>(string, options);
}

CFIndex CTTypesetterSuggestLineBreak(const CTTypesetterRef& typesetter, CFIndex startIndex, double width)
{
    return typesetter ? typesetter->suggestLineBreak(startIndex, width) - startIndex : 0;
}

CTLineRef CTTypesetterCreateLine(const CTTypesetterRef& typesetter, CFRange range)
{
    return typesetter ? typesetter->createLine(range) : nullptr;
}
