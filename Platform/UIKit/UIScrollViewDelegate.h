#pragma once

#include "Platform/UIKit/Forward.h"

// What a scroll view tells its delegate; every operation is optional.
class UIScrollViewDelegate {
public:
    virtual ~UIScrollViewDelegate() = default;
    // Every change of the content offset, by the user, by code or by an animation step.
    virtual void scrollViewDidScroll(UIScrollView* scrollView) { }
    virtual void scrollViewWillBeginDragging(UIScrollView* scrollView) { }
    virtual void scrollViewDidEndDraggingWillDecelerate(UIScrollView* scrollView, bool decelerate) { }
    virtual void scrollViewWillBeginDecelerating(UIScrollView* scrollView) { }
    virtual void scrollViewDidEndDecelerating(UIScrollView* scrollView) { }
    // After an animated setContentOffset or scrollRectToVisible has arrived.
    virtual void scrollViewDidEndScrollingAnimation(UIScrollView* scrollView) { }
};
