#pragma once

#include <memory>

#include "Platform/UIKit/UIView.h"

// The ends of a selection: a bar at each end and a round drag handle above the start and below
// the end. Flipped like the content view it lives in; takes no touches.
class CodeSelectionView : public UIView {
public:
    // The handles overlap the start bar by this much.
    static constexpr CGFloat kHandleOverlap = 5;

    explicit CodeSelectionView(CGRect frame);

    // The caret rectangles of the selection's start and end, in the superview's coordinates.
    void setBeginCaretEndCaret(CGRect begin, CGRect end);

    [[nodiscard]] UIView* leftDot() const { return leftDot_.get(); }
    [[nodiscard]] UIView* rightDot() const { return rightDot_.get(); }
    [[nodiscard]] UIView* leftCaret() const { return leftCaret_.get(); }
    [[nodiscard]] UIView* rightCaret() const { return rightCaret_.get(); }

private:
    UIViewRef leftDot_;
    UIViewRef rightDot_;
    UIViewRef leftCaret_;
    UIViewRef rightCaret_;
};
