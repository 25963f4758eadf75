#include "Host/SceneTapView.h"

#include <string>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIRenderer.h"
#include "Platform/UIKit/UITapGestureRecognizer.h"

SceneTapView::SceneTapView(CGRect frame) : UIView(frame), font_(UIFont::systemFontOfSize(16))
{
    setBackgroundColor(UIColor::colorWithRed(0.85, 0.92, 1.0, 1));
    layer()->setCornerRadius(10);
    setClipsToBounds(true);
}

std::shared_ptr<SceneTapView> SceneTapView::make(CGRect frame)
{
    auto view = std::make_shared<SceneTapView>(frame);
    std::weak_ptr<SceneTapView> weak = view;
    view->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& recognizer) {
        if (auto self = weak.lock()) {
            ++self->taps_;
            self->lastTap_ = recognizer.locationInView(self.get());
            self->setNeedsDisplay();
        }
    }));
    return view;
}

void SceneTapView::drawRect(CGRect rect)
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    const CGRect b = bounds();
    static const CGColorRef ink = CGColorCreateRGBA(0.1, 0.2, 0.4, 1);
    const std::string caption = taps_ == 0 ? "Tap here" : "Taps: " + std::to_string(taps_);
    UIRenderer::drawTextLine(c, utf8ToUtf16(caption), font_, ink, CGRectMake(b.origin.x, b.origin.y + 8, b.size.width, 24), true);
    if (taps_ > 0) {
        CGContextSetRGBFillColor(c, 0.9, 0.1, 0.6, 1);
        CGContextFillEllipseInRect(c, CGRectMake(lastTap_.x - kMarkRadius, lastTap_.y - kMarkRadius, 2 * kMarkRadius, 2 * kMarkRadius));
    }
}
