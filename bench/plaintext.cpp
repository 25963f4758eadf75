// The plain text view with a text of ten megabytes, on an iPad screen: setting the text until
// its first screen is drawn, and one keystroke at its end until the screen shows it.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "Platform/Foundation/NSClock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

constexpr std::size_t kTextBytes = 10'000'000;

// Source-like lines of varied length, as a large file the editor opens plainly.
std::u16string bigText()
{
    std::u16string text;
    text.reserve(kTextBytes + 200);
    for (int line = 0; text.size() < kTextBytes; ++line) {
        text += u"    if (value_" + utf8ToUtf16(std::to_string(line)) + u" > limit) { total += value; }";
        text.append(std::size_t(line % 7) * 9, u'x');
        text += u'\n';
    }
    return text;
}

struct Scene {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1000.0);
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<UITextView> view;
    UIRenderer renderer;

    Scene()
    {
        RunLoop::main().bindToCurrentThread();
        RunLoop::main().setClock(clock);
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
        window = std::make_shared<UIWindow>(CGRectMake(0, 0, 768, 1024));
        window->makeKeyAndVisible();
        view = UITextView::make(CGRectMake(0, 64, 768, 960));
        view->setFont(UIFont::fontWithName("Droid Sans Mono", 14));
        window->addSubview(view);
        renderer.renderFrame();
    }

    ~Scene()
    {
        UIResponder::resetFirstResponderForTesting();
        UIApplication::sharedApplication().resetForTesting();
        RunLoop::main().resetForTesting();
    }
};

void BM_plainTextOpen10MB(benchmark::State& state)
{
    Scene scene;
    const std::u16string text = bigText();
    for (auto _ : state) {
        state.PauseTiming();
        std::u16string copy = text;
        scene.view->setText(u"");
        scene.renderer.renderFrame();
        state.ResumeTiming();
        scene.view->setText(std::move(copy));
        benchmark::DoNotOptimize(scene.renderer.renderFrame());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_plainTextOpen10MB)->Unit(benchmark::kMillisecond);

void BM_plainTextKeystroke10MB(benchmark::State& state)
{
    Scene scene;
    scene.view->setText(bigText());
    scene.view->becomeFirstResponder();
    scene.view->setSelectedRange(NSMakeRange(scene.view->text().size(), 0));
    scene.renderer.renderFrame();
    int typed = 0;
    for (auto _ : state) {
        // Letters, with a line break now and then, as someone types.
        scene.view->insertText(++typed % 40 == 0 ? u"\n" : u"a");
        benchmark::DoNotOptimize(scene.renderer.renderFrame());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}
BENCHMARK(BM_plainTextKeystroke10MB)->Unit(benchmark::kMillisecond);

} // namespace
