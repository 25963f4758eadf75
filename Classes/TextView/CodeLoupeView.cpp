#include "Classes/TextView/CodeLoupeView.h"

#include "Platform/Foundation/NSLog.h"

CodeLoupeView::CodeLoupeView()
    : CodeLensView(CGRectMake(0, 0, kSize, kSize), "TextView/loupe-lo.png", "TextView/loupe-mask.png",
        "TextView/loupe-hi.png")
{
}

void CodeLoupeView::willClip(CGRect rect)
{
    NSLogf("clipTo: %f/%f %f/%f", rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}
