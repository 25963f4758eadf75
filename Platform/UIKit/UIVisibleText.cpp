#include "Platform/UIKit/UIVisibleText.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIMenuController.h"
#include "Platform/UIKit/UIModalBackdrop.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UIScreen.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

// Below this alpha nothing of a view can be made out (the hit test's rule too).
constexpr CGFloat kMinimumVisibleAlpha = 0.01;

struct Cover {
    CGRect rect {};
    std::string what;
};

// A text found in the view tree, before covers are weighed.
struct Candidate {
    UIVisibleText text;
    CGRect full {}; // the whole text on screen, uncut
    std::size_t window { 0 };
    std::size_t subtreeEnd { 0 }; // paint order of the last view drawn with it
};

// A cover within a window, by paint order.
struct WindowCover {
    std::size_t order { 0 };
    Cover cover;
};

std::string describeCover(const UIView& view, const UIWindow& window)
{
    for (const UIView* v = &view; v != nullptr; v = v->superview()) {
        if (dynamic_cast<const UIActionSheet*>(v) != nullptr) {
            return "an action sheet";
        }
        if (dynamic_cast<const UIAlertView*>(v) != nullptr) {
            return "an alert";
        }
    }
    if (const auto* backdrop = dynamic_cast<const UIModalBackdrop*>(&window)) {
        switch (backdrop->dim()) {
        case UIModalBackdrop::Dim::Radial:
            return "the veil of an alert";
        case UIModalBackdrop::Dim::Flat:
            return "the veil of an action sheet";
        case UIModalBackdrop::Dim::None:
            return "a popover";
        }
    }
    return "a view drawn in front of it";
}

struct Scan {
    std::vector<Candidate> texts;
    std::vector<std::vector<WindowCover>> covers; // per window, front window first
    std::size_t order { 0 };

    void collect(const UIViewRef& view, const UIWindow& window, std::size_t w, CGRect clip)
    {
        if (view->isHidden() || view->alpha() < kMinimumVisibleAlpha) {
            return;
        }
        const std::size_t mine = order++;
        const CGAffineTransform toScreen = view->transformToScreen();
        const CGRect onScreen = CGRectApplyAffineTransform(view->bounds(), toScreen);
        const CGRect shown = CGRectIntersection(onScreen, clip);
        const CGRect subClip = view->clipsToBounds() ? shown : clip;
        const bool showsAny = !CGRectIsNull(shown) && !CGRectIsEmpty(shown);
        if (showsAny && view->hidesWhatIsBehind()) {
            covers[w].push_back({ mine, { shown, describeCover(*view, window) } });
        }
        const std::size_t first = texts.size();
        // Texts cut away entirely are kept too, to tell why they do not show.
        if (std::u16string text = view->visibleText(); !text.empty()) {
            // Judged where the glyphs stand, not over the whole view.
            const CGRect glyphs = CGRectApplyAffineTransform(view->visibleTextRect(), toScreen);
            texts.push_back({ { std::move(text), CGRectIntersection(glyphs, shown), {}, view, {} }, glyphs, w, 0 });
        }
        // A text view draws its lines inside its own bounds.
        for (auto& line : view->visibleTextLines()) {
            const CGRect full = CGRectApplyAffineTransform(line.rect, toScreen);
            texts.push_back({ { std::move(line.text), CGRectIntersection(full, shown), {}, view, {} }, full, w, 0 });
        }
        const std::size_t own = texts.size();
        for (const auto& subview : view->subviews()) {
            collect(subview, window, w, subClip);
        }
        for (std::size_t i = first; i < own; ++i) {
            texts[i].subtreeEnd = order - 1;
        }
    }
};

// The covers in front of everything of the application's own windows, and of all windows.
std::vector<Cover> chromeCovers(const UIApplication& app)
{
    std::vector<Cover> covers;
    for (const UIApplication::ChromeRect& chrome : app.chromeRects()) {
        covers.push_back(
            { chrome.frame, chrome.part == UIApplication::ChromePart::Keyboard ? "the keyboard" : "the status bar" });
    }
    return covers;
}

std::optional<Cover> menuCover()
{
    const UIMenuController& menu = UIMenuController::sharedMenuController();
    if (!menu.isMenuVisible() || menu.commands().empty()) {
        return std::nullopt;
    }
    const CGAffineTransform toScreen = CGAffineTransformInvert(UIRenderer::screenToDisplayTransform(menu.menuOrientation()));
    return Cover { CGRectApplyAffineTransform(menu.menuFrame(), toScreen), "the edit menu" };
}

// Every text of the view tree, each told visible or why not; front to back.
std::vector<UIVisibleText> weighAll()
{
    UIView::layoutPendingViews();
    const UIApplication& app = UIApplication::sharedApplication();
    const auto windows = app.windowsFrontToBack();
    const CGRect screen = UIScreen::mainScreen().bounds();
    Scan scan;
    scan.covers.resize(windows.size());
    for (std::size_t w = 0; w < windows.size(); ++w) {
        const std::size_t before = scan.texts.size();
        scan.collect(windows[w], *windows[w], w, screen);
        // Within a window, the view drawn last is in front.
        std::reverse(scan.texts.begin() + std::ptrdiff_t(before), scan.texts.end());
    }
    const std::vector<Cover> chrome = chromeCovers(app);
    const std::optional<Cover> menu = menuCover();

    std::vector<UIVisibleText> all;
    all.reserve(scan.texts.size());
    for (auto& candidate : scan.texts) {
        UIVisibleText& text = candidate.text;
        const CGPoint middle = CGPointMake(CGRectGetMidX(candidate.full), CGRectGetMidY(candidate.full));
        text.screenPoint = middle;
        auto coveredBy = [&](const Cover& cover) {
            if (text.hiddenBecause.empty() && CGRectContainsPoint(cover.rect, middle)) {
                text.hiddenBecause = "covered by " + cover.what;
            }
        };
        // Mid-slide a screen is not drawn where its views lie.
        if (app.isIgnoringInteractionEvents() && windows[candidate.window]->windowLevel() <= UIWindowLevelBelowKeyboard) {
            text.hiddenBecause = "moving with a screen transition";
        } else if (!CGRectContainsPoint(screen, middle)) {
            text.hiddenBecause = "outside the screen";
        } else if (CGRectIsNull(text.screenRect) || !CGRectContainsPoint(text.screenRect, middle)) {
            text.hiddenBecause = "cut off by a view that clips it";
        }
        if (menu) {
            coveredBy(*menu);
        }
        for (std::size_t w = 0; w < candidate.window; ++w) {
            for (const auto& [order, cover] : scan.covers[w]) {
                coveredBy(cover);
            }
        }
        if (windows[candidate.window]->windowLevel() <= UIWindowLevelBelowKeyboard) {
            for (const Cover& cover : chrome) {
                coveredBy(cover);
            }
        }
        for (const auto& [order, cover] : scan.covers[candidate.window]) {
            if (order > candidate.subtreeEnd) {
                coveredBy(cover);
            }
        }
        all.push_back(std::move(text));
    }
    return all;
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

UIVisibleText findWeighed(const std::u16string& text, bool visible)
{
    const std::u16string_view wanted = trimmed(text);
    for (auto& weighed : weighAll()) {
        if (weighed.hiddenBecause.empty() == visible && trimmed(weighed.text) == wanted) {
            return weighed;
        }
    }
    return {};
}

} // namespace

std::vector<UIVisibleText> UIVisibleText::onScreen()
{
    std::vector<UIVisibleText> visible = weighAll();
    std::erase_if(visible, [](const UIVisibleText& text) { return !text.hiddenBecause.empty(); });
    return visible;
}

UIVisibleText UIVisibleText::find(const std::u16string& text) { return findWeighed(text, true); }

UIVisibleText UIVisibleText::findHidden(const std::u16string& text) { return findWeighed(text, false); }
