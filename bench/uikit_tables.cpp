#include <benchmark/benchmark.h>

#include <string>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIDevice.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

constexpr int kRows = 5000;

// A directory row: a name and a size, drawn as text.
class NameCell : public UITableViewCell {
public:
    using UITableViewCell::UITableViewCell;
    std::u16string name;
    std::u16string size;

    void drawRect(CGRect rect) override
    {
        UITableViewCell::drawRect(rect);
        static const UIFontRef font = UIFont::systemFontOfSize(17);
        static const UIFontRef small = UIFont::systemFontOfSize(13);
        static const CGColorRef ink = CGColorCreateRGBA(0.1, 0.1, 0.15, 1);
        static const CGColorRef grey = CGColorCreateRGBA(0.5, 0.5, 0.5, 1);
        CGContextRef context = UIGraphicsGetCurrentContext();
        const CGRect b = bounds();
        UIRenderer::drawTextLine(context, name, font, ink, CGRectMake(12, 0, b.size.width - 120, b.size.height - 1), false);
        UIRenderer::drawTextLine(context, size, small, grey, CGRectMake(b.size.width - 100, 0, 90, b.size.height - 1), false);
    }
};

class Rows : public UITableViewDataSource {
public:
    int tableViewNumberOfRowsInSection(UITableView*, int) override { return kRows; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table, const NSIndexPath& path) override
    {
        auto cell = std::static_pointer_cast<NameCell>(table->dequeueReusableCellWithIdentifier("Name"));
        if (!cell) {
            cell = std::make_shared<NameCell>(UITableViewCellStyleDefault, "Name");
        }
        cell->name = utf8ToUtf16("file-" + std::to_string(path.row) + ".html");
        cell->size = utf8ToUtf16(std::to_string(path.row * 37 % 9000) + " KB");
        cell->setNeedsDisplay();
        return cell;
    }
};

// One frame per iteration: the table moves on by a whole screen (every visible row gets a new
// cell configured and drawn) and the screen is composited.
void BM_tableScroll(benchmark::State& state)
{
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(state.range(0) == 0 ? "iphone" : "ipad"));
    const CGRect screen = UIScreen::mainScreen().bounds();
    auto window = std::make_shared<UIWindow>(screen);
    window->makeKeyAndVisible();
    auto table = std::make_shared<UITableView>(CGRectMake(0, 20, screen.size.width, screen.size.height - 20));
    auto rows = std::make_shared<Rows>();
    table->setDataSource(rows);
    window->addSubview(table);
    table->reloadData();
    UIRenderer renderer;
    renderer.renderFrame();
    const CGFloat page = table->bounds().size.height;
    const CGFloat last = table->maximumContentOffset().y;
    CGFloat y = 0;
    for (auto _ : state) {
        y += page;
        if (y > last) {
            y = 0;
        }
        table->setContentOffset({ 0, y });
        benchmark::DoNotOptimize(renderer.renderFrame());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.range(0) == 0 ? "iphone, frames" : "ipad, frames");
    UIApplication::sharedApplication().resetForTesting();
}

} // namespace

BENCHMARK(BM_tableScroll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
