#pragma once

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIWindow.h"

// The window above the status bar that shows, over the finger, a copy of the text around the
// touch: the loupe (type 0) or the magnifier (type 1). It only displays: touches pass through.
//
// States: idle (no view) -> popping up (view added, animation running) -> showing (renders
// update the view) -> hiding (animation running) -> idle.
class CodeTextWindow : public UIWindow {
public:
    static constexpr double kAnimationDuration = 0.15;

    explicit CodeTextWindow(CGRect frame);

    // V is the text's content view, r a rectangle in this window's coordinates.
    void showFromViewRect(UIView* view, CGRect rect);
    void renderWithContentViewFromRect(UIView* view, CGRect rect);
    void hide(bool animated);
    [[nodiscard]] UIImageRef screenshotFromCaretFrameInViewScale(CGRect caretFrame, UIView* view, bool scale);
    void updateWindowTransform();
    void layoutSubviews() override;

    [[nodiscard]] bool isShowing() const { return showing_; }
    [[nodiscard]] int type() const { return type_; }
    void setType(int type) { type_ = type; }
    [[nodiscard]] int selectionType() const { return selectionType_; }
    void setSelectionType(int type) { selectionType_ = type; }
    // The loupe or magnifier now on the window (owned by the view tree), null when none.
    [[nodiscard]] UIView* overlayView() const { return view_; }

private:
    UIView* view_ { nullptr };
    int type_ { 0 };
    int selectionType_ { 0 };
    bool showing_ { false };
};
