// The code view's costs per keystroke (recolour, relayout, notice), per caret blink frame, per
// loupe drag event, per touch gesture and per gutter frame while scrolling, on a coloured file
// just below the colouring limit.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Classes/TextView/CodeContentView.h"
#include "Classes/TextView/CodeTextView.h"
#include "Classes/TextView/CodeLineNumberView.h"
#include "Classes/TextView/CodeTextWindow.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// Colouring stops at 10240 bytes: the largest file the editor colours.
constexpr std::size_t kFileBytes = 10239;

std::u16string phpFile()
{
    const std::u16string block = u"<?php\n// Render one row of the listing\nfunction row($name, $size) {\n"
                                 u"    $label = \"<td class='name'>\" . htmlspecialchars($name) . \"</td>\";\n"
                                 u"    if ($size > 1024) { return $label . '<td>' . round($size / 1024) . ' KB</td>'; }\n"
                                 u"    /* small files */ return $label . \"<td>$size B</td>\";\n}\n?>\n"
                                 u"<div id=\"main\"><p>Text &amp; more</p></div>\n";
    std::u16string text;
    while (text.size() + block.size() <= kFileBytes) {
        text += block;
    }
    text.append(kFileBytes - text.size(), u' ');
    return text;
}

struct Counter : CodeTextViewDelegate {
    bool respondsTo(Operation operation) const override { return operation == Operation::DidChange; }
    void textViewDidChange(CodeTextView*) override { ++changes; }
    int changes { 0 };
};

struct Fixture {
    Fixture()
    {
        NSLogSetSink([](const std::string&) { });
        RunLoop::main().bindToCurrentThread();
        clock = std::make_shared<ManualClock>(1000.0);
        RunLoop::main().setClock(clock);
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
        window->makeKeyAndVisible();
        view = CodeTextView::make(CGRectMake(0, 0, 768, 960));
        window->addSubview(view);
        engine = std::make_shared<SyntaxColouring>(u"");
        engine->setFont(CTFontCreateWithName("Droid Sans Mono", 14));
        view->setFont(UIFont::fontWithName("Droid Sans Mono", 14));
        engine->setSyntaxDefinition("listing.php");
        view->setSyntaxHighlighter(engine);
        engine->setTextView(view);
        delegate = std::make_shared<Counter>();
        view->setDelegate(delegate);
        view->setText(phpFile());
        view->becomeFirstResponder();
        UIView::layoutPendingViews();
    }
    ~Fixture()
    {
        view.reset();
        window.reset();
        UIApplication::sharedApplication().resetForTesting();
        RunLoop::main().resetForTesting();
    }
    std::shared_ptr<ManualClock> clock;
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<CodeTextView> view;
    std::shared_ptr<SyntaxColouring> engine;
    std::shared_ptr<Counter> delegate;
};

void report(benchmark::State& state, std::vector<double>& samples)
{
    if (samples.empty()) {
        return;
    }
    std::sort(samples.begin(), samples.end());
    state.counters["p50_ms"] = samples[samples.size() / 2] * 1e3;
    state.counters["p95_ms"] = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)] * 1e3;
}

enum class Edit { Start, Middle, End, Delete, Paste };

// From insertText (or deleteBackward) to textViewDidChange, whole recolour and relayout included;
// the opposite edit that restores the text is not timed.
void BM_keystroke(benchmark::State& state, Edit edit)
{
    Fixture f;
    const std::u16string paste = phpFile().substr(0, 1024);
    std::vector<double> samples;
    for (auto _ : state) {
        const NSUInteger length = f.view->text().size();
        const NSUInteger at = edit == Edit::Start ? 0 : edit == Edit::End ? length : CodeTextView::caretBoundaryBefore(f.view->text(), length / 2);
        f.view->setSelectedRange(NSMakeRange(edit == Edit::Delete ? length / 2 : at, 0));
        const auto begin = std::chrono::steady_clock::now();
        if (edit == Edit::Delete) {
            f.view->deleteBackward();
        } else {
            f.view->insertText(edit == Edit::Paste ? paste : u"x");
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        state.PauseTiming();
        if (edit == Edit::Delete) {
            f.view->insertText(u" ");
        } else {
            f.view->setSelectedRange(NSMakeRange(at, edit == Edit::Paste ? paste.size() : 1));
            f.view->deleteBackward();
        }
        UIView::layoutPendingViews();
        state.ResumeTiming();
    }
    report(state, samples);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

BENCHMARK_CAPTURE(BM_keystroke, start, Edit::Start)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_keystroke, middle, Edit::Middle)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_keystroke, end, Edit::End)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_keystroke, delete, Edit::Delete)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_keystroke, paste1k, Edit::Paste)->UseManualTime()->Unit(benchmark::kMillisecond);

// The visible area redrawn after a keystroke: what the content view's drawing costs for the
// area the relayout marked.
void BM_redrawAfterKeystroke(benchmark::State& state)
{
    Fixture f;
    UIRenderer renderer;
    renderer.renderFrame();
    std::vector<double> samples;
    for (auto _ : state) {
        state.PauseTiming();
        f.view->setSelectedRange(NSMakeRange(200, 0));
        f.view->insertText(u"x");
        UIView::layoutPendingViews();
        state.ResumeTiming();
        const auto begin = std::chrono::steady_clock::now();
        renderer.renderFrame();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        state.PauseTiming();
        f.view->deleteBackward();
        UIView::layoutPendingViews();
        renderer.renderFrame();
        state.ResumeTiming();
    }
    report(state, samples);
}
BENCHMARK(BM_redrawAfterKeystroke)->UseManualTime()->Unit(benchmark::kMillisecond);

// One frame while the caret blinks: only its opacity changes.
void BM_caretBlink(benchmark::State& state)
{
    Fixture f;
    f.view->setSelectedRange(NSMakeRange(100, 0));
    UIRenderer renderer;
    renderer.renderFrame();
    RunLoop::main().advance(0.7);
    for (auto _ : state) {
        RunLoop::main().advance(1.0 / 60);
        benchmark::DoNotOptimize(renderer.renderFrame());
    }
}
BENCHMARK(BM_caretBlink)->Unit(benchmark::kMillisecond);



// Touches as the host sends them, in the view's coordinates, at the run loop's time.
void touch(Fixture& f, UITouchPhase phase, CGPoint viewPoint)
{
    UIApplication::sharedApplication().injectTouch(phase, f.view->convertPointToView(viewPoint, nullptr), f.clock->now());
}

// A point on the caret place of index i, halfway up its line.
CGPoint pointAtIndex(Fixture& f, NSUInteger i)
{
    const CGRect caret = f.view->caretRectForIndex(static_cast<NSInteger>(i));
    return f.view->contentView()->convertPointToView(CGPointMake(caret.origin.x, CGRectGetMidY(caret)), f.view.get());
}

// Lets pending menus, scrolls and the multi-tap interval pass; not timed.
void settle(Fixture& f)
{
    RunLoop::main().advance(0.6);
    UIMenuController::sharedMenuController().setMenuVisible(false);
    UIView::layoutPendingViews();
}

// From the finger's touch-down to the caret standing at the tapped word edge.
void BM_tapToCaret(benchmark::State& state)
{
    Fixture f;
    settle(f);
    std::vector<double> samples;
    NSUInteger index = 40;
    for (auto _ : state) {
        index = index > 1500 ? 40 : index + 97;
        const CGPoint p = pointAtIndex(f, index);
        const NSUInteger before = f.view->selectedRange().location;
        const auto begin = std::chrono::steady_clock::now();
        touch(f, UITouchPhaseBegan, p);
        touch(f, UITouchPhaseEnded, p);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        state.PauseTiming();
        if (f.view->selectedRange().location == before) {
            state.SkipWithError("the tap did not move the caret");
            break;
        }
        settle(f);
        state.ResumeTiming();
    }
    report(state, samples);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_tapToCaret)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both taps of a double tap, to the word selected with its handles.
void BM_doubleTapWord(benchmark::State& state)
{
    Fixture f;
    settle(f);
    // Places inside words on the first screen.
    std::vector<NSUInteger> inWords;
    for (NSUInteger i = 1; i < 1500; i += 13) {
        const NSRange word = f.view->characterRangeAtIndex(i);
        if (word.location != NSNotFound && word.length >= 3 && word.location < i && i + 1 < word.max()) {
            inWords.push_back(i);
        }
    }
    std::vector<double> samples;
    std::size_t next = 0;
    for (auto _ : state) {
        const CGPoint p = pointAtIndex(f, inWords[next++ % inWords.size()]);
        double seconds = 0;
        for (int i = 0; i < 2; ++i) {
            const auto begin = std::chrono::steady_clock::now();
            touch(f, UITouchPhaseBegan, p);
            touch(f, UITouchPhaseEnded, p);
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            RunLoop::main().advance(0.05);
        }
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        state.PauseTiming();
        if (f.view->selectedRange().length == 0) {
            state.SkipWithError("the double tap selected nothing");
            break;
        }
        f.view->setSelectedRange(NSMakeRange(0, 0));
        settle(f);
        state.ResumeTiming();
    }
    report(state, samples);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_doubleTapWord)->UseManualTime()->Unit(benchmark::kMillisecond);

// One move of a finger dragging the end handle of a selection, the magnifier up: the selection
// changes, the handles move and the magnifier's copy of the text is taken again.
void BM_handleDrag(benchmark::State& state)
{
    Fixture f;
    f.view->setSelectedRange(NSMakeRange(2000, 30));
    settle(f);
    touch(f, UITouchPhaseBegan, pointAtIndex(f, 2030));
    RunLoop::main().advance(0.3);
    if (!f.view->textWindow() || !f.view->textWindow()->isShowing()) {
        state.SkipWithError("the magnifier is not up");
        return;
    }
    std::vector<double> samples;
    NSUInteger end = 2030;
    for (auto _ : state) {
        end = end > 2600 ? 2030 : end + 11;
        const CGPoint p = pointAtIndex(f, end);
        const auto begin = std::chrono::steady_clock::now();
        touch(f, UITouchPhaseMoved, p);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    touch(f, UITouchPhaseEnded, pointAtIndex(f, end));
    report(state, samples);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_handleDrag)->UseManualTime()->Unit(benchmark::kMillisecond);

// One move of a finger held on the text with the loupe up: the caret follows and the loupe's
// copy of the text is taken again.
void BM_loupeDrag(benchmark::State& state)
{
    Fixture f;
    f.view->setSelectedRange(NSMakeRange(900, 0));
    settle(f);
    touch(f, UITouchPhaseBegan, pointAtIndex(f, 900));
    RunLoop::main().advance(0.8);
    if (!f.view->textWindow() || !f.view->textWindow()->isShowing()) {
        state.SkipWithError("the loupe is not up");
        return;
    }
    std::vector<double> samples;
    NSUInteger at = 900;
    for (auto _ : state) {
        at = at > 1400 ? 900 : at + 7;
        const CGPoint p = pointAtIndex(f, at);
        const auto begin = std::chrono::steady_clock::now();
        touch(f, UITouchPhaseMoved, p);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    touch(f, UITouchPhaseEnded, pointAtIndex(f, at));
    report(state, samples);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_loupeDrag)->UseManualTime()->Unit(benchmark::kMillisecond);

// One frame while the text scrolls with the gutter shown: the screen painted again, the gutter's
// newly exposed rows included.
void BM_gutterScroll(benchmark::State& state)
{
    Fixture f;
    f.view->setLineNumberWidth(60);
    RunLoop::main().advance(0.6);
    UIView::layoutPendingViews();
    UIRenderer renderer;
    renderer.renderFrame();
    const CGFloat maxY = f.view->maximumContentOffset().y;
    CGFloat y = 0;
    std::vector<double> samples;
    for (auto _ : state) {
        y = y + 23 > maxY ? 0 : y + 23;
        f.view->setContentOffset(CGPointMake(0, y));
        UIView::layoutPendingViews();
        const auto begin = std::chrono::steady_clock::now();
        renderer.renderFrame();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    report(state, samples);
}
BENCHMARK(BM_gutterScroll)->UseManualTime()->Unit(benchmark::kMillisecond);

}
