#pragma once

#include "Classes/TextView/CodeLensView.h"

// The wide magnifier shown while an end of a selection is dragged.
class CodeMagnifyView : public CodeLensView {
public:
    static constexpr CGFloat kWidth = 145;
    static constexpr CGFloat kHeight = 59;

    CodeMagnifyView();
};
