#include "Classes/TextView/CodeContentView.h"

#include "Classes/TextView/CodeTextView.h"

CodeContentView::CodeContentView(CGRect frame)
    : UIView(frame)
{
    setUserInteractionEnabled(false);
    layer()->setGeometryFlipped(true);
    setBackgroundColor(UIColor::colorWithWhite(1.0, 0.0));
    setOpaque(false);
}

void CodeContentView::layoutSubviews()
{
    UIView::layoutSubviews();
    if (delegate_) {
        delegate_->textChanged();
    }
}

void CodeContentView::drawRect(CGRect rect)
{
    if (delegate_) {
        delegate_->drawContentInRect(rect);
    }
}
