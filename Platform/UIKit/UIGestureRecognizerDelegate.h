#pragma once

#include "Platform/UIKit/Forward.h"

// What a gesture recognizer asks its delegate; every operation is optional.
class UIGestureRecognizerDelegate {
public:
    virtual ~UIGestureRecognizerDelegate() = default;
    // Asked when the recognizer is about to leave the possible state; NO makes it fail.
    virtual bool gestureRecognizerShouldBegin(UIGestureRecognizer* gestureRecognizer) { return true; }
    // Asked of both recognizers' delegates when one would keep the other from recognizing; YES
    // from either lets both recognize.
    virtual bool gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(UIGestureRecognizer* gestureRecognizer,
                                                                                     UIGestureRecognizer* otherGestureRecognizer)
    {
        return false;
    }
    // Asked for each new touch; NO keeps the touch from the recognizer.
    virtual bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer* gestureRecognizer, UITouch* touch) { return true; }
};
