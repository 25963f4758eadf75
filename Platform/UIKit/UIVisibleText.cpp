#include "Platform/UIKit/UIVisibleText.h"

#include <string_view>

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// Below this alpha nothing of a view can be made out (the hit test's rule too).
constexpr CGFloat kMinimumVisibleAlpha = 0.01;

void collect(const UIViewRef& view, CGRect clip, std::vector<UIVisibleText>& into)
{
    if (view->isHidden() || view->alpha() < kMinimumVisibleAlpha) {
        return;
    }
    const CGRect onScreen = CGRectApplyAffineTransform(view->bounds(), view->transformToScreen());
    const CGRect shown = CGRectIntersection(onScreen, clip);
    const CGRect subClip = view->clipsToBounds() ? shown : clip;
    const auto subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        collect(*it, subClip, into);
    }
    if (CGRectIsNull(shown) || CGRectIsEmpty(shown)) {
        return;
    }
    std::u16string text = view->visibleText();
    if (!text.empty()) {
        into.push_back(UIVisibleText { std::move(text), shown, view });
    }
}

// Labels pad a short text with line breaks to align it to their top; a person sees the words.
std::u16string_view trimmed(std::u16string_view text)
{
    constexpr std::u16string_view kBlank = u" \t\r\n";
    const auto first = text.find_first_not_of(kBlank);
    if (first == std::u16string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlank) - first + 1);
}

} // namespace

std::vector<UIVisibleText> UIVisibleText::onScreen()
{
    UIView::layoutPendingViews();
    std::vector<UIVisibleText> texts;
    const CGRect screen = UIScreen::mainScreen().bounds();
    for (const auto& window : UIApplication::sharedApplication().windowsFrontToBack()) {
        collect(window, screen, texts);
    }
    return texts;
}

UIVisibleText UIVisibleText::find(const std::u16string& text)
{
    const std::u16string_view wanted = trimmed(text);
    for (auto& visible : onScreen()) {
        if (trimmed(visible.text) == wanted) {
            return visible;
        }
    }
    return {};
}
