#include <benchmark/benchmark.h>

#include <cairo.h>

#include <cmath>
#include <string>

#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// A row of a list: a line of text drawn with the layout engine.
class TextRow : public UIView {
public:
    TextRow(CGRect frame, std::u16string text) : UIView(frame), text_(std::move(text)) { }

    void drawRect(CGRect) override
    {
        static const UIFontRef font = UIFont::systemFontOfSize(17);
        static const CGColorRef ink = CGColorCreateRGBA(0.1, 0.1, 0.15, 1);
        UIRenderer::drawTextLine(UIGraphicsGetCurrentContext(), text_, font, ink, CGRectInset(bounds(), 12, 0), false);
    }

private:
    std::u16string text_;
};

// A screen like the start screen: a background, a bar, a list of rows with text, a column of
// rounded buttons with borders, a translucent overlay and a turned badge: 48 views in all.
std::shared_ptr<UIWindow> buildScreen()
{
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad-retina"));
    auto window = std::make_shared<UIWindow>(UIScreen::mainScreen().bounds());
    window->setBackgroundColor(UIColor::colorWithWhite(0.93, 1));
    auto bar = std::make_shared<UIView>(CGRectMake(0, 20, 768, 44));
    bar->setBackgroundColor(UIColor::colorWithRed(0.2, 0.3, 0.5, 1));
    window->addSubview(bar);
    auto list = std::make_shared<UIView>(CGRectMake(20, 84, 480, 900));
    list->setBackgroundColor(UIColor::whiteColor());
    list->setClipsToBounds(true);
    list->layer()->setCornerRadius(8);
    window->addSubview(list);
    for (int i = 0; i < 24; ++i) {
        auto row = std::make_shared<TextRow>(CGRectMake(0, i * 44, 480, 44), u"Connection " + utf8ToUtf16(std::to_string(i + 1)));
        row->setBackgroundColor(i % 2 == 0 ? UIColor::whiteColor() : UIColor::colorWithRed(0.96, 0.97, 1.0, 1));
        list->addSubview(row);
    }
    for (int i = 0; i < 16; ++i) {
        auto button = std::make_shared<UIView>(CGRectMake(530, 84 + i * 56, 200, 44));
        button->setBackgroundColor(UIColor::colorWithWhite(0.43, 1));
        button->layer()->setCornerRadius(4);
        button->layer()->setBorderWidth(1);
        button->setClipsToBounds(true);
        window->addSubview(button);
    }
    auto overlay = std::make_shared<UIView>(CGRectMake(100, 300, 560, 300));
    overlay->setBackgroundColor(UIColor::blackColor());
    overlay->setAlpha(0.4);
    auto panel = std::make_shared<UIView>(CGRectMake(40, 40, 480, 220));
    panel->setBackgroundColor(UIColor::whiteColor());
    overlay->addSubview(panel);
    window->addSubview(overlay);
    auto badge = std::make_shared<UIView>(CGRectMake(680, 940, 60, 60));
    badge->setBackgroundColor(UIColor::redColor());
    badge->setTransform(CGAffineTransformMakeRotation(M_PI / 8));
    window->addSubview(badge);
    window->makeKeyAndVisible();
    return window;
}

void BM_renderScreen_ipadRetina(benchmark::State& state)
{
    const auto window = buildScreen();
    UIRenderer renderer;
    std::size_t bytes = 0;
    for (auto _ : state) {
        cairo_surface_t* frame = renderer.renderFrame();
        benchmark::DoNotOptimize(frame);
        bytes = std::size_t(cairo_image_surface_get_stride(frame)) * std::size_t(cairo_image_surface_get_height(frame));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes));
    UIApplication::sharedApplication().resetForTesting();
}
BENCHMARK(BM_renderScreen_ipadRetina)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// A caret blinking in the scene: one small view changes its opacity, the rest recomposites from
// the last frame.
void BM_renderFrame_oneViewChanged(benchmark::State& state)
{
    const auto window = buildScreen();
    auto caret = std::make_shared<UIView>(CGRectMake(140, 100, 2, 22));
    caret->setBackgroundColor(UIColor::blueColor());
    window->subviews()[1]->addSubview(caret);
    UIRenderer renderer;
    (void)renderer.renderFrame();
    bool on = true;
    for (auto _ : state) {
        on = !on;
        caret->setAlpha(on ? 1 : 0);
        benchmark::DoNotOptimize(renderer.renderFrame());
    }
    state.SetItemsProcessed(state.iterations());
    UIApplication::sharedApplication().resetForTesting();
}
BENCHMARK(BM_renderFrame_oneViewChanged)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// Frames in which every pixel changes (the window's background flips), so the whole scene is
// composited again from the views' cached pictures.
void renderFullScreenFrames(benchmark::State& state, UIView& window)
{
    UIRenderer renderer;
    (void)renderer.renderFrame();
    bool light = true;
    for (auto _ : state) {
        light = !light;
        window.setBackgroundColor(UIColor::colorWithWhite(light ? 0.93 : 0.9, 1));
        benchmark::DoNotOptimize(renderer.renderFrame());
    }
    state.SetItemsProcessed(state.iterations());
}

// Every pixel changes (the window's background), so the whole scene is composited again from
// the views' cached pictures.
void BM_renderFrame_fullScreenChanged(benchmark::State& state)
{
    const auto window = buildScreen();
    renderFullScreenFrames(state, *window);
    UIApplication::sharedApplication().resetForTesting();
}
BENCHMARK(BM_renderFrame_fullScreenChanged)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// A frame right after each turn of the interface (portrait and landscape in turn): the window is
// laid out and composited again for the new orientation.
void BM_renderFrame_turned(benchmark::State& state)
{
    const auto window = buildScreen();
    UIApplication& app = UIApplication::sharedApplication();
    UIRenderer renderer;
    (void)renderer.renderFrame();
    bool landscape = false;
    for (auto _ : state) {
        landscape = !landscape;
        app.setStatusBarOrientation(landscape ? UIInterfaceOrientationLandscapeRight : UIInterfaceOrientationPortrait);
        benchmark::DoNotOptimize(renderer.renderFrame());
    }
    state.SetItemsProcessed(state.iterations());
    app.resetForTesting();
}
BENCHMARK(BM_renderFrame_turned)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// The full-screen frame with the keyboard up (argument 0), and with an action sheet shown over
// it (1): what the sheet, its veil and the keyboard drawn beneath add to a frame.
void BM_renderFrame_fullScreenChangedKeyboard(benchmark::State& state)
{
    const auto previousClock = RunLoop::main().setClock(std::make_shared<ManualClock>(1000.0));
    const auto window = buildScreen();
    auto field = std::make_shared<UITextField>(CGRectMake(20, 30, 200, 30));
    window->addSubview(field);
    field->becomeFirstResponder();
    std::shared_ptr<UIActionSheet> sheet;
    if (state.range(0) == 1) {
        sheet = std::make_shared<UIActionSheet>("Close file and discard all changes?", std::weak_ptr<UIActionSheetDelegate>(), "",
                                                "Yes.", std::vector<std::string> { "No!" });
        sheet->showInView(window.get());
    }
    RunLoop::main().advance(1);
    renderFullScreenFrames(state, *window);
    if (sheet) {
        sheet->dismissWithClickedButtonIndex(-1, false);
    }
    field->resignFirstResponder();
    RunLoop::main().advance(1);
    UIActionSheet::resetForTesting();
    UIApplication::sharedApplication().resetForTesting();
    RunLoop::main().setClock(previousClock);
}
BENCHMARK(BM_renderFrame_fullScreenChangedKeyboard)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace
