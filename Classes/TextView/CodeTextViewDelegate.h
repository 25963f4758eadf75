#pragma once

#include "Platform/Foundation/NSURL.h"
#include "Platform/UIKit/UIScrollViewDelegate.h"

class CodeTextView;

// What the code view tells the editor screen. Every operation is optional: a delegate names
// the ones it implements through respondsTo, which the view asks once, when the delegate is set.
// The delegate is also the view's scroll-view delegate.
class CodeTextViewDelegate : public UIScrollViewDelegate {
public:
    enum class Operation {
        ShouldBeginEditing,
        ShouldEndEditing,
        DidBeginEditing,
        DidEndEditing,
        DidChange,
        DidChangeSelection,
        DidSelectURL,
    };

    [[nodiscard]] virtual bool respondsTo(Operation operation) const { return false; }

    [[nodiscard]] virtual bool textViewShouldBeginEditing(CodeTextView* textView) { return true; }
    [[nodiscard]] virtual bool textViewShouldEndEditing(CodeTextView* textView) { return true; }
    virtual void textViewDidBeginEditing(CodeTextView* textView) { }
    virtual void textViewDidEndEditing(CodeTextView* textView) { }
    // Once per text change, after the new layout exists.
    virtual void textViewDidChange(CodeTextView* textView) { }
    // Declared for the protocol's sake; the view never sends it.
    virtual void textViewDidChangeSelection(CodeTextView* textView) { }
    virtual void textViewDidSelectURL(CodeTextView* textView, const NSURL& url) { }
};
