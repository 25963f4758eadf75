#include "Classes/Controller/RoundedButton.h"

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"

namespace RoundedButton {

void style(UIButton* button, const char* fontName, CGFloat fontSize, UIColorRef background)
{
    if (button == nullptr)
        return;
    button->titleLabel()->setFont(UIFont::fontWithName(fontName, fontSize));
    CALayer& layer = *button->layer();
    layer.setCornerRadius(4);
    layer.setMasksToBounds(true);
    layer.setBorderWidth(0);
    button->setBackgroundColor(std::move(background));
}

}
