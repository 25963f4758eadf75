#include "Platform/CoreText/CTLine.h"

#include <algorithm>

#include "Platform/CoreText/CTFontFace.h"
#include "Platform/Foundation/NSAttributedString.h"

CTLine::CTLine(std::shared_ptr<const CTTypesetter> typesetter, CFRange range)
    : typesetter_(std::move(typesetter))
    , range_(range)
{
    const CTTypesetter& t = *typesetter_;
    const CFIndex end = range_.location + range_.length;
    offsets_.resize(static_cast<std::size_t>(range_.length) + 1);
    double x = 0;
    double inked = 0;
    float clusterStartX = 0;
    bool haveStyle = false;
    for (CFIndex i = range_.location; i < end; ++i) {
        const std::uint8_t f = t.flags(i);
        if (f & CTTypesetter::kClusterStart) {
            clusterStartX = static_cast<float>(x);
        }
        offsets_[static_cast<std::size_t>(i - range_.location)] = clusterStartX;
        x += (f & CTTypesetter::kTab) ? CTTypesetter::tabAdvance(x) : t.advance(i);
        if (!(f & CTTypesetter::kWhitespace)) {
            inked = x;
        }
        const CTTypesetter::Style& style = t.styles()[t.styleAt(i)];
        if (!haveStyle) {
            ascent_ = style.ascent;
            descent_ = style.descent;
            leading_ = style.leading;
            haveStyle = true;
        } else {
            ascent_ = std::max(ascent_, style.ascent);
            descent_ = std::max(descent_, style.descent);
            leading_ = std::max(leading_, style.leading);
        }
    }
    offsets_.back() = static_cast<float>(x);
    width_ = x;
    trailingWhitespace_ = x - inked;
    if (!haveStyle) {
        const CTTypesetter::Style& style = t.defaultStyle();
        ascent_ = style.ascent;
        descent_ = style.descent;
        leading_ = style.leading;
    }
}

CGFloat CTLine::offsetForStringIndex(CFIndex index) const
{
    if (index <= range_.location) {
        return 0;
    }
    if (index >= range_.location + range_.length) {
        return width_;
    }
    return offsets_[static_cast<std::size_t>(index - range_.location)];
}

CFIndex CTLine::stringIndexForPosition(CGPoint position) const
{
    const CFIndex end = range_.location + range_.length;
    if (position.x <= 0) {
        return range_.location;
    }
    // The caret goes before a character when the point lies in its left half.
    CFIndex i = range_.location;
    while (i < end) {
        CFIndex next = i + 1;
        while (next < end && !(typesetter_->flags(next) & CTTypesetter::kClusterStart)) {
            ++next;
        }
        const double left = offsets_[static_cast<std::size_t>(i - range_.location)];
        const double right = next < end ? offsets_[static_cast<std::size_t>(next - range_.location)] : width_;
        if (position.x < (left + right) / 2) {
            return i;
        }
        i = next;
    }
    return end;
}

const std::vector<CTRunRef>& CTLine::glyphRuns() const
{
    if (runsMade_) {
        return runs_;
    }
    runsMade_ = true;
    const CTTypesetter& t = *typesetter_;
    const auto& glyphs = t.glyphs();
    const std::size_t first = t.firstGlyph(range_.location);
    const std::size_t last = t.firstGlyph(range_.location + range_.length);
    std::shared_ptr<CTRun> run;
    std::uint32_t cluster = UINT32_MAX;
    double penInCluster = 0;
    for (std::size_t g = first; g < last; ++g) {
        const CTTypesetter::Glyph& glyph = glyphs[g];
        if (!run || glyphs[g - 1].style != glyph.style) {
            if (run) {
                run->stringRange.length = static_cast<CFIndex>(glyph.cluster) - run->stringRange.location;
                runs_.push_back(run);
            }
            const CTTypesetter::Style& style = t.styles()[glyph.style];
            run = std::make_shared<CTRun>();
            run->stringRange.location = glyph.cluster;
            run->font = style.font;
            run->face = style.face;
            run->size = style.size;
            run->color = style.color;
            run->ascent = style.ascent;
            run->descent = style.descent;
            run->runDelegate = style.runDelegate;
            run->underline = style.underline;
        }
        if (glyph.cluster != cluster) {
            cluster = glyph.cluster;
            penInCluster = 0;
        }
        const double x = offsets_[glyph.cluster - static_cast<std::size_t>(range_.location)] + penInCluster + glyph.xOffset;
        penInCluster += glyph.advance;
        run->glyphs.push_back(glyph.glyph);
        run->positions.push_back({ x, glyph.yOffset });
    }
    if (run) {
        CFIndex runEnd = range_.location + range_.length;
        // A run ends before the line's hard break, which has no glyph.
        while (runEnd > run->stringRange.location && (t.flags(runEnd - 1) & CTTypesetter::kTerminator)) {
            --runEnd;
        }
        run->stringRange.length = runEnd - run->stringRange.location;
        runs_.push_back(run);
    }
    for (const CTRunRef& made : runs_) {
        auto& r = const_cast<CTRun&>(*made); // still private to this line
        r.originX = offsetForStringIndex(r.stringRange.location);
        r.width = offsetForStringIndex(r.stringRange.location + r.stringRange.length) - r.originX;
    }
    return runs_;
}

// A single line under the run, below the baseline, as thick as the font's strokes.
void CTLine::drawUnderline(CGContextRef context, const CTRun& run, const CGColor& color)
{
    const double thickness = std::max(1.0, run.size / 14.0);
    const double below = std::max(1.5, run.size * 0.12);
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    cairo_matrix_t text;
    const CGAffineTransform& m = context->textMatrix;
    cairo_matrix_init(&text, m.a, m.b, m.c, m.d, m.tx, m.ty);
    cairo_transform(cr, &text);
    context->setSourceColor(color);
    context->paintMasked([&](cairo_t* c) {
        cairo_rectangle(c, run.originX, -below - thickness / 2, run.width, thickness);
        cairo_fill(c);
    });
    cairo_restore(cr);
}

void CTLine::draw(CGContextRef context) const
{
    if (!context) {
        return;
    }
    static const CGColor black(0, 0, 0, 1);
    std::vector<cairo_glyph_t> glyphs;
    for (const CTRunRef& run : glyphRuns()) {
        if (run->underline) {
            drawUnderline(context, *run, run->color ? *run->color : black);
        }
        if (!run->face || run->runDelegate) {
            continue;
        }
        glyphs.clear();
        glyphs.reserve(run->glyphs.size());
        for (std::size_t i = 0; i < run->glyphs.size(); ++i) {
            glyphs.push_back({ run->glyphs[i], run->positions[i].x, run->positions[i].y });
        }
        context->showGlyphs(run->face->cairoFace(), run->size, glyphs, run->color ? *run->color : black);
    }
}

CTLineRef CTLineCreateWithAttributedString(const NSAttributedString& string)
{
    return CTTypesetterCreateWithAttributedString(string)->createLine(CFRangeMake(0, 0));
}

CFRange CTLineGetStringRange(const CTLineRef& line) { return line ? line->stringRange() : CFRangeMake(0, 0); }

CFIndex CTLineGetGlyphCount(const CTLineRef& line)
{
    CFIndex count = 0;
    if (line) {
        for (const CTRunRef& run : line->glyphRuns()) {
            count += static_cast<CFIndex>(run->glyphs.size());
        }
    }
    return count;
}

const std::vector<CTRunRef>& CTLineGetGlyphRuns(const CTLineRef& line)
{
    static const std::vector<CTRunRef> none;
    return line ? line->glyphRuns() : none;
}

CGFloat CTLineGetOffsetForStringIndex(const CTLineRef& line, CFIndex charIndex, CGFloat* secondaryOffset)
{
    const CGFloat offset = line ? line->offsetForStringIndex(charIndex) : 0;
    if (secondaryOffset) {
        *secondaryOffset = offset;
    }
    return offset;
}

CFIndex CTLineGetStringIndexForPosition(const CTLineRef& line, CGPoint position)
{
    return line ? line->stringIndexForPosition(position) : -1;
}

double CTLineGetTypographicBounds(const CTLineRef& line, CGFloat* ascent, CGFloat* descent, CGFloat* leading)
{
    if (ascent) *ascent = line ? line->ascent() : 0;
    if (descent) *descent = line ? line->descent() : 0;
    if (leading) *leading = line ? line->leading() : 0;
    return line ? line->width() : 0;
}

double CTLineGetTrailingWhitespaceWidth(const CTLineRef& line) { return line ? line->trailingWhitespaceWidth() : 0; }

void CTLineDraw(const CTLineRef& line, CGContextRef context)
{
    if (line) {
        line->draw(context);
    }
}
