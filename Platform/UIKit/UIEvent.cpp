#include "Platform/UIKit/UIEvent.h"

#include <algorithm>
#include <iterator>

UITouchSet UIEvent::touchesForView(const UIView* view) const
{
    UITouchSet result;
    std::copy_if(touches_.begin(), touches_.end(), std::back_inserter(result),
                 [view](const UITouchRef& touch) { return touch->view().get() == view; });
    return result;
}

UITouchSet UIEvent::touchesForWindow(const UIWindow* window) const
{
    UITouchSet result;
    std::copy_if(touches_.begin(), touches_.end(), std::back_inserter(result),
                 [window](const UITouchRef& touch) { return touch->window().get() == window; });
    return result;
}

UITouchSet UIEvent::touchesForGestureRecognizer(const UIGestureRecognizer* recognizer) const
{
    UITouchSet result;
    for (const auto& touch : touches_) {
        const auto& recognizers = touch->gestureRecognizers();
        if (std::any_of(recognizers.begin(), recognizers.end(),
                        [recognizer](const UIGestureRecognizerRef& r) { return r.get() == recognizer; })) {
            result.push_back(touch);
        }
    }
    return result;
}
