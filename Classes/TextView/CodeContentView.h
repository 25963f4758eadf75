#pragma once

#include "Platform/UIKit/UIView.h"

class CodeTextView;

// The code view's drawing surface: a flipped layer (y upward, the layout's own space) on which
// the text view draws the selection fill and the lines. It takes no touches.
class CodeContentView : public UIView {
public:
    explicit CodeContentView(CGRect frame);

    // Not owned: the text view owns this view and clears the reference before it goes.
    [[nodiscard]] CodeTextView* delegate() const { return delegate_; }
    void setDelegate(CodeTextView* delegate) { delegate_ = delegate; }

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;

private:
    CodeTextView* delegate_ { nullptr };
};
