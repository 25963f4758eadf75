#pragma once

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIColor.h"

// The screens' flat button look: the bold title font, corners rounded by 4, no border, a filled
// background. Does nothing for a button the interface file left out.
namespace RoundedButton {

void style(UIButton* button, const char* fontName, CGFloat fontSize, UIColorRef background);

}
