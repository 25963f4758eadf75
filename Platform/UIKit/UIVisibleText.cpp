#include "Platform/UIKit/UIVisibleText.h"

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
    for (auto& visible : onScreen()) {
        if (visible.text == text) {
            return visible;
        }
    }
    return {};
}
