#pragma once

#include "Classes/TextView/CodeLensView.h"

// The round loupe shown above the finger while the caret is placed.
class CodeLoupeView : public CodeLensView {
public:
    static constexpr CGFloat kSize = 127;

    CodeLoupeView();

protected:
    void willClip(CGRect rect) override;
};
