// Interface-file loading: a screen's file of 60 elements (labels, buttons with actions, a scroll
// view, plain views) parsed, made through the class registry and bound to its owner's outlets.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIViewController.h"

namespace {

constexpr int kRows
    = 19; // 19 rows of label, button and line, plus the root, the scroll view and a heading: 60

class BenchScreen : public UIViewController {
public:
    UIScrollView* scrContent { nullptr };
    UILabel* lblTitle { nullptr };
    UILabel* labels[kRows] {};
    UIButton* buttons[kRows] {};
    int presses { 0 };

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        UIViewController::declareConnections(table);
        table.outlet("scrContent", scrContent);
        table.outlet("lblTitle", lblTitle);
        for (int i = 0; i < kRows; ++i) {
            table.outlet("lblRow" + std::to_string(i), labels[i]);
            table.outlet("btnRow" + std::to_string(i), buttons[i]);
        }
        table.action("btnRowPressed:", [this](UIResponder*) { ++presses; });
    }
};

std::string screenFile()
{
    std::string rows;
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i);
        const std::string y = std::to_string(60 + i * 50);
        rows += R"(,{"class": "UILabel", "outlet": "lblRow)" + n + R"(", "frame": [20, )" + y
            + R"(, 400, 30], "text": "Row )" + n
            + R"(", "textColor": "#6d6d6d", "font": {"name": "Helvetica", "size": 17}})";
        rows += R"(,{"class": "UIButton", "outlet": "btnRow)" + n + R"(", "frame": [440, )" + y
            + R"(, 120, 30], "title": "Open", "backgroundColor": "#4caa1e", "tag": )" + n
            + R"(, "actions": [{"event": "touchUpInside", "selector": "btnRowPressed:"}]})";
        rows += R"(,{"class": "UIView", "frame": [20, )" + std::to_string(95 + i * 50)
            + R"(, 540, 1], "backgroundColor": "#dddddd", "autoresizingMask": 2})";
    }
    return R"({"owner": "BenchScreen", "objects": [{"class": "UIView", "outlet": "view", "frame": [0, 0, 768, 1004],
        "autoresizingMask": 18, "backgroundColor": "#ffffff", "subviews": [
        {"class": "UILabel", "outlet": "lblTitle", "frame": [20, 10, 600, 40], "text": "Files"},
        {"class": "UIScrollView", "outlet": "scrContent", "frame": [0, 50, 768, 954], "contentSize": [768, 1100],
         "delegate": null, "subviews": [)"
        + rows.substr(1) + "]}]}]}";
}

void BM_loadInterfaceFile(benchmark::State& state)
{
    const std::string text = screenFile();
    for (auto _ : state) {
        auto owner = std::make_shared<BenchScreen>();
        auto objects = UINib::nibWithJSON(text, "Bench.json")->instantiateWithOwner(owner.get());
        benchmark::DoNotOptimize(owner->buttons[kRows - 1]);
        if (owner->buttons[kRows - 1] == nullptr) {
            state.SkipWithError("not bound");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 60);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_loadInterfaceFile)->Unit(benchmark::kMicrosecond);

} // namespace
