// Interface files are data of the bundle that the loader turns into objects through the class
// registry: any bytes must load or fail with the loader's exception, never crash, hang or leave
// an outlet pointing at an object the failed load destroyed.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UINib.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIViewController.h"

namespace {

class FuzzOwner : public UIViewController {
public:
    UIView* viewOutlet { nullptr };
    UIScrollView* scroller { nullptr };
    int presses { 0 };

protected:
    void declareConnections(UIConnectionTable& table) override
    {
        UIViewController::declareConnections(table);
        table.outlet("plain", viewOutlet);
        table.outlet("scroller", scroller);
        table.action("pressed:", [this](UIResponder*) { ++presses; });
        table.action("pressed", [this] { ++presses; });
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto owner = std::make_shared<FuzzOwner>();
    try {
        const auto objects = UINib::nibWithJSON(text, "Fuzz.json")->instantiateWithOwner(owner.get());
        // Bound outlets point into what the load made and the owner keeps.
        if (owner->viewOutlet != nullptr) {
            (void)owner->viewOutlet->frame();
        }
        if (owner->scroller != nullptr) {
            (void)owner->scroller->contentSize();
        }
    } catch (const NamedException&) {
        // A failed load binds nothing.
        if (owner->viewOutlet != nullptr || owner->scroller != nullptr || owner->isViewLoaded()) {
            std::abort();
        }
    }
    return 0;
}
