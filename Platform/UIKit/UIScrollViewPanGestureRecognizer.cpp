#include "Platform/UIKit/UIScrollViewPanGestureRecognizer.h"

#include <cmath>

#include "Platform/UIKit/UIScrollView.h"

namespace {

UIScrollView* scrollViewOf(const UIGestureRecognizer& recognizer)
{
    return dynamic_cast<UIScrollView*>(recognizer.view());
}

} // namespace

void UIScrollViewPanGestureRecognizer::updateTracking()
{
    if (UIScrollView* scrollView = scrollViewOf(*this)) {
        scrollView->setTracking(activeTouchCount() > 0);
    }
}

void UIScrollViewPanGestureRecognizer::touchesBegan(const UITouchSet& touches, UIEvent& event)
{
    UIPanGestureRecognizer::touchesBegan(touches, event);
    updateTracking();
}

void UIScrollViewPanGestureRecognizer::touchesEnded(const UITouchSet& touches, UIEvent& event)
{
    updateTracking();
    UIPanGestureRecognizer::touchesEnded(touches, event);
}

void UIScrollViewPanGestureRecognizer::touchesCancelled(const UITouchSet& touches, UIEvent& event)
{
    updateTracking();
    UIPanGestureRecognizer::touchesCancelled(touches, event);
}

void UIScrollViewPanGestureRecognizer::reset()
{
    UIPanGestureRecognizer::reset();
    if (UIScrollView* scrollView = scrollViewOf(*this)) {
        scrollView->setTracking(false);
    }
}

bool UIScrollViewPanGestureRecognizer::canBeginWithTranslation(CGPoint translation) const
{
    const UIScrollView* scrollView = scrollViewOf(*this);
    if (scrollView == nullptr) {
        return false;
    }
    if (std::fabs(translation.y) >= std::fabs(translation.x)) {
        return scrollView->canScrollVertically();
    }
    return scrollView->canScrollHorizontally();
}
