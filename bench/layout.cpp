#include <benchmark/benchmark.h>

#include <cfloat>
#include <string>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/CoreText/CTFrame.h"
#include "Platform/CoreText/CTFramesetter.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/Foundation/NSAttributedString.h"

namespace {

// A source text of about `bytes` bytes in lines of ordinary code (about 34 bytes a line, so the
// 10,239-byte case has some 300 lines), a few of them long enough to wrap at 700 points.
std::u16string sourceText(std::size_t bytes)
{
    static const char16_t* const lines[] = {
        u"<?php\n",
        u"function render($items, $title) {\n",
        u"\t$out = '<ul class=\"list\">';\n",
        u"\tforeach ($items as $key => $value) {\n",
        u"\t\t$out .= '<li id=\"' . $key . '\">' . htmlspecialchars($value) . '</li>'; // escaped once, here and nowhere else in the template\n",
        u"\t}\n",
        u"\treturn $out . '</ul>';\n",
        u"}\n",
        u"\n",
        u"/* settings */ $limit = 10240;\n",
        u"\t\techo sprintf('%s: %d items', $title, count($items));\n",
        u"\t$title = trim($title);\n",
    };
    std::u16string text;
    for (std::size_t i = 0; text.size() < bytes; ++i) {
        text += lines[i % (sizeof lines / sizeof *lines)];
    }
    text.resize(bytes);
    return text;
}

NSAttributedString document(std::size_t bytes)
{
    NSAttributeDictionary attributes;
    attributes[kCTFontAttributeName] = CTFontCreateWithName("Droid Sans Mono", 14);
    attributes[kCTForegroundColorAttributeName] = CGColorCreateRGBA(0, 0, 0, 1);
    return NSAttributedString(sourceText(bytes), attributes);
}

constexpr double kWidth = 700;

// What the code view does on every change: a framesetter, the suggested height, the frame.
void BM_layout(benchmark::State& state)
{
    const NSAttributedString text = document(static_cast<std::size_t>(state.range(0)));
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto framesetter = CTFramesetterCreateWithAttributedString(text);
        const CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(framesetter, CFRangeMake(0, 0), nullptr,
                                                                         { kWidth, FLT_MAX }, nullptr);
        const auto frame = CTFramesetterCreateFrame(framesetter, CFRangeMake(0, 0),
                                                    CGPathCreateWithRect(CGRectMake(0, 0, kWidth, size.height), nullptr));
        lines = CTFrameGetLines(frame).size();
        benchmark::DoNotOptimize(frame);
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_layout)->Arg(2560)->Arg(5120)->Arg(10239)->Arg(20480)->Arg(40960)->Unit(benchmark::kMillisecond);

// Drawing the visible lines of the laid-out text into an iPad retina surface (1536 x 2048
// pixels, 768 x 1024 points at scale 2, y upward as in the flipped content view).
void BM_drawVisibleLines(benchmark::State& state)
{
    const auto lineCount = static_cast<std::size_t>(state.range(0));
    const NSAttributedString text = document(10239);
    const auto framesetter = CTFramesetterCreateWithAttributedString(text);
    const CGSize size = CTFramesetterSuggestFrameSizeWithConstraints(framesetter, CFRangeMake(0, 0), nullptr, { kWidth, FLT_MAX }, nullptr);
    const auto frame = CTFramesetterCreateFrame(framesetter, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, kWidth, size.height), nullptr));
    const auto& lines = CTFrameGetLines(frame);
    std::vector<CGPoint> origins(lines.size());
    CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins.data());
    auto context = CGContext::createImageContext({ 768, 1024 }, 2, true, false);
    const CGFloat top = origins.front().y;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < lineCount && i < lines.size(); ++i) {
        bytes += static_cast<std::size_t>(lines[i]->stringRange().length);
    }
    // Warm the glyph caches as a running editor has them.
    for (std::size_t i = 0; i < lineCount && i < lines.size(); ++i) {
        CGContextSetTextPosition(context.get(), origins[i].x, origins[i].y - top + 1000);
        CTLineDraw(lines[i], context.get());
    }
    for (auto _ : state) {
        CGContextSetRGBFillColor(context.get(), 1, 1, 1, 1);
        CGContextFillRect(context.get(), CGRectMake(0, 0, 768, 1024));
        for (std::size_t i = 0; i < lineCount && i < lines.size(); ++i) {
            CGContextSetTextPosition(context.get(), origins[i].x, origins[i].y - top + 1000);
            CTLineDraw(lines[i], context.get());
        }
        cairo_surface_flush(context->surface());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * std::min(lineCount, lines.size())));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_drawVisibleLines)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);

}
