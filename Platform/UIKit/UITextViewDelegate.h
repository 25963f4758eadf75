#pragma once

#include <string>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIScrollViewDelegate.h"

class UITextView;

// What the plain text view asks and tells its delegate, which is also its scroll-view
// delegate. Every operation is optional; each default body is what the view does for a
// delegate that does not implement it.
class UITextViewDelegate : public UIScrollViewDelegate {
public:
    [[nodiscard]] virtual bool textViewShouldBeginEditing(UITextView* textView) { return true; }
    [[nodiscard]] virtual bool textViewShouldEndEditing(UITextView* textView) { return true; }
    virtual void textViewDidBeginEditing(UITextView* textView) { }
    virtual void textViewDidEndEditing(UITextView* textView) { }
    // Before typing or deleting replaces the range; NO keeps the text.
    [[nodiscard]] virtual bool textViewShouldChangeTextInRangeReplacementText(UITextView* textView, NSRange range,
                                                                             const std::u16string& text)
    {
        return true;
    }
    // After each change made by typing or deleting (not by setText).
    virtual void textViewDidChange(UITextView* textView) { }
    virtual void textViewDidChangeSelection(UITextView* textView) { }
};
