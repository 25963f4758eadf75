#pragma once

#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"

// A text a person sees on screen: a view that answers visibleText (a label, a button's title, an
// alert's message, a text field), with the part of it that shows, in screen points.
struct UIVisibleText {
    std::u16string text;
    CGRect screenRect {};
    UIViewRef view;

    // Every text on screen, front to back: the front-most window first and, within a window, a
    // view above what it covers. A view counts when it and its superviews are shown (not hidden,
    // not transparent) and some of it lies inside the screen and every clipping superview.
    [[nodiscard]] static std::vector<UIVisibleText> onScreen();
    // The front-most one whose text is text, both without leading and trailing white space and
    // line breaks; none: a null view.
    [[nodiscard]] static UIVisibleText find(const std::u16string& text);
};
