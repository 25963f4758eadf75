#include "Host/SceneLabel.h"

#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"

SceneLabel::SceneLabel(CGRect frame, std::u16string text, UIFontRef font, CGColorRef color)
    : UIView(frame)
    , text_(std::move(text))
    , font_(std::move(font))
    , color_(std::move(color))
{
}

void SceneLabel::setText(std::u16string text)
{
    if (text != text_) {
        text_ = std::move(text);
        setNeedsDisplay();
    }
}

void SceneLabel::drawRect(CGRect rect)
{
    UIRenderer::drawTextLine(UIGraphicsGetCurrentContext(), text_, font_, color_, CGRectInset(bounds(), kInset, 0), false);
}
