#pragma once

#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"

// A text a person sees on screen: a view that answers visibleText (a label, a button's title, an
// alert's message, a text field) or one line of a text view (visibleTextLines), with the part of
// it that shows, in screen points.
//
// A text counts only where it is drawn on top: the middle of its rectangle lies inside the
// screen and every clipping superview, and nothing drawn in front covers it there: the status
// bar or the keyboard (over the application's own windows), the edit menu, a view of a window
// in front (a sheet, its veil, an alert, a popover) or a later view of its own window whose
// drawing hides what is behind it (UIView::hidesWhatIsBehind).
struct UIVisibleText {
    std::u16string text;
    CGRect screenRect {};
    // The middle of the text, where a finger taps it.
    CGPoint screenPoint {};
    UIViewRef view;
    // Empty for a visible text; else why it does not count ("covered by the keyboard").
    std::string hiddenBecause;

    // Every visible text, front to back: the front-most window first and, within a window, a
    // view above what it covers.
    [[nodiscard]] static std::vector<UIVisibleText> onScreen();
    // The front-most visible one whose text is text, both without leading and trailing white
    // space and line breaks; none: a null view.
    [[nodiscard]] static UIVisibleText find(const std::u16string& text);
    // The front-most text of that name that is in a shown view but does not count as visible,
    // with hiddenBecause saying why; none: a null view.
    [[nodiscard]] static UIVisibleText findHidden(const std::u16string& text);
};
