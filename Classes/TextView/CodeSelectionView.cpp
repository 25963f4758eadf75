#include "Classes/TextView/CodeSelectionView.h"

#include <cmath>

#include "Classes/TextView/CodeTextView.h"
#include "Platform/UIKit/UIImage.h"

namespace {

constexpr char kHandleImageName[] = "TextView/drag-dot.png";

// A view showing one picture at its own size, upright.
class HandleImageView : public UIView {
public:
    explicit HandleImageView(UIImageRef image)
        : UIView(CGRectMake(0, 0, image ? image->size().width : 0, image ? image->size().height : 0))
        , image_(std::move(image))
    {
        setOpaque(false);
        setUserInteractionEnabled(false);
    }
    void drawRect(CGRect) override
    {
        if (image_) {
            image_->drawInRect(bounds());
        }
    }

private:
    UIImageRef image_;
};

}

CodeSelectionView::CodeSelectionView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(UIColor::clearColor());
    setOpaque(false);
    setUserInteractionEnabled(false);
    layer()->setGeometryFlipped(true);
}

void CodeSelectionView::setBeginCaretEndCaret(CGRect begin, CGRect end)
{
    UIView* parent = superview();
    if (!parent) {
        return;
    }
    setFrame(CGRectMake(begin.origin.x, begin.origin.y + begin.size.height, end.origin.x - begin.origin.x,
                        end.origin.y - end.size.height - begin.origin.y));
    const CGRect b = convertRectFromView(begin, parent);
    const CGRect e = convertRectFromView(end, parent);
    const auto makeBar = [this](UIViewRef& bar) {
        if (!bar) {
            bar = std::make_shared<UIView>(CGRectZero);
            bar->setBackgroundColor(CodeTextView::caretColor());
            bar->setUserInteractionEnabled(false);
            addSubview(bar);
        }
    };
    makeBar(leftCaret_);
    makeBar(rightCaret_);
    leftCaret_->setFrame(b);
    rightCaret_->setFrame(e);
    const auto makeDot = [this](UIViewRef& dot) {
        if (!dot) {
            dot = std::make_shared<HandleImageView>(UIImage::imageNamed(kHandleImageName));
            addSubview(dot);
        }
    };
    makeDot(leftDot_);
    makeDot(rightDot_);
    // This flipped view inside the flipped content view runs y downward again: the start
    // handle sits above its bar, overlapping it, the end handle right below its bar.
    const CGSize dot = leftDot_->frame().size;
    const CGRect start = leftCaret_->frame();
    const CGRect finish = rightCaret_->frame();
    leftDot_->setFrame(CGRectMake(std::floor(CGRectGetMidX(start) - dot.width / 2), start.origin.y - (dot.height - kHandleOverlap),
                                  dot.width, dot.height));
    rightDot_->setFrame(CGRectMake(std::floor(CGRectGetMidX(finish) - dot.width / 2), CGRectGetMaxY(finish), dot.width, dot.height));
}
