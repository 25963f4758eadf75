#include "Classes/TextView/CodeMagnifyView.h"

CodeMagnifyView::CodeMagnifyView()
    : CodeLensView(CGRectMake(0, 0, kWidth, kHeight), "TextView/magnifier-ranged-lo.png",
        "TextView/magnifier-ranged-mask.png", "TextView/magnifier-ranged-hi.png")
{
}
