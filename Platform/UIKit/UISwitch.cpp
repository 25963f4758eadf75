#include "Platform/UIKit/UISwitch.h"

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UITextFieldDrawing.h"

using namespace uicontrol_drawing;

namespace {

constexpr CGFloat kRadius = UISwitch::kHeight / 2;
// How far the slider travels: the width of one label part.
constexpr CGFloat kTravel = UISwitch::kWidth - UISwitch::kHeight;
constexpr CGFloat kLabelFontSize = 16;

} // namespace

// The part that slides: the on side, the knob and the off side, one label part wider than the
// track on each side of the knob.
class UISwitch::Slider : public UIView {
public:
    explicit Slider(UISwitch* owner) : UIView(CGRectMake(0, 0, kWidth + kTravel, kHeight)), owner_(owner)
    {
        setOpaque(false);
        setUserInteractionEnabled(false);
    }

    void drawRect(CGRect) override
    {
        CGContextRef c = UIGraphicsGetCurrentContext();
        if (c == nullptr) {
            return;
        }
        const CGColorRef tint = owner_->onTintColor()->CGColor();
        const CGFloat knobX = kTravel;
        // The on side reaches under the knob's middle, the off side from there on.
        CGContextBeginPath(c);
        CGContextAddRect(c, CGRectMake(0, 0, knobX + kRadius, kHeight));
        fillPathWithVerticalGradient(c, CGRectMake(0, 0, 1, kHeight), shade(tint, -0.25), shade(tint, 0.15));
        CGContextBeginPath(c);
        CGContextAddRect(c, CGRectMake(knobX + kRadius, 0, kTravel + kRadius, kHeight));
        fillPathWithVerticalGradient(c, CGRectMake(0, 0, 1, kHeight), CGColorCreateRGBA(0.85, 0.85, 0.85, 1),
                                     CGColorCreateRGBA(0.99, 0.99, 0.99, 1));
        const UIFontRef font = UIFont::boldSystemFontOfSize(kLabelFontSize);
        drawCentredText(c, u"ON", font, CGColorCreateRGBA(1, 1, 1, 1), CGRectMake(0, 0, kTravel, kHeight));
        drawCentredText(c, u"OFF", font, CGColorCreateRGBA(0.45, 0.45, 0.45, 1), CGRectMake(knobX + kHeight, 0, kTravel, kHeight));
        // The knob.
        const CGRect knob = CGRectMake(knobX + 0.5, 0.5, kHeight - 1, kHeight - 1);
        CGContextBeginPath(c);
        CGContextAddEllipseInRect(c, knob);
        fillPathWithVerticalGradient(c, knob, CGColorCreateRGBA(0.80, 0.80, 0.80, 1), CGColorCreateRGBA(0.99, 0.99, 0.99, 1));
        CGContextSetRGBStrokeColor(c, 0.55, 0.55, 0.55, 1);
        CGContextSetLineWidth(c, 1);
        CGContextStrokeEllipseInRect(c, knob);
    }

private:
    UISwitch* owner_; // not owned: the switch owns this view
};

// The track's rim, drawn over the slider.
class UISwitch::Outline : public UIView {
public:
    Outline() : UIView(CGRectMake(0, 0, kWidth, kHeight))
    {
        setOpaque(false);
        setUserInteractionEnabled(false);
    }

    void drawRect(CGRect) override
    {
        CGContextRef c = UIGraphicsGetCurrentContext();
        if (c == nullptr) {
            return;
        }
        // A soft inner shadow along the top, then the rim.
        CGContextSaveGState(c);
        CGContextBeginPath(c);
        addRoundedRect(c, CGRectMake(0, 0, kWidth, kHeight), kRadius);
        CGContextClip(c);
        CGContextSetRGBFillColor(c, 0, 0, 0, 0.12);
        CGContextFillRect(c, CGRectMake(0, 0, kWidth, 2));
        CGContextRestoreGState(c);
        CGContextSetRGBStrokeColor(c, 0.50, 0.50, 0.50, 1);
        CGContextSetLineWidth(c, 1);
        CGContextBeginPath(c);
        addRoundedRect(c, CGRectMake(0.5, 0.5, kWidth - 1, kHeight - 1), kRadius - 0.5);
        CGContextStrokePath(c);
    }
};

const UIColorRef& UISwitch::defaultOnTintColor()
{
    static const UIColorRef color = UIColor::colorWithRed(0.0, 0.50, 0.92, 1);
    return color;
}

UISwitch::UISwitch(CGRect frame)
    : UIControl(CGRectMake(frame.origin.x, frame.origin.y, kWidth, kHeight))
    , onTintColor_(defaultOnTintColor())
    , slider_(std::make_shared<Slider>(this))
    , outline_(std::make_shared<Outline>())
{
    setOpaque(false);
    layer()->setCornerRadius(kRadius);
    layer()->setMasksToBounds(true);
    addSubview(slider_);
    addSubview(outline_);
    placeSlider();
}

UISwitch::~UISwitch() = default;

void UISwitch::setFrame(CGRect frame)
{
    // The switch keeps its own size, as on the device.
    UIControl::setFrame(CGRectMake(frame.origin.x, frame.origin.y, kWidth, kHeight));
}

void UISwitch::setOn(bool on, bool animated)
{
    if (on == on_) {
        return;
    }
    on_ = on;
    if (animated) {
        UIView::animateWithDuration(kSlideDuration, [this] { placeSlider(); });
    } else {
        placeSlider();
    }
}

void UISwitch::setOnTintColor(UIColorRef color)
{
    onTintColor_ = color ? std::move(color) : defaultOnTintColor();
    slider_->setNeedsDisplay();
}

void UISwitch::placeSlider() { slider_->setFrame(CGRectMake(on_ ? 0 : -kTravel, 0, kWidth + kTravel, kHeight)); }

void UISwitch::layoutSubviews() { outline_->setFrame(CGRectMake(0, 0, kWidth, kHeight)); }

void UISwitch::endTrackingWithTouch(UITouch* touch, UIEvent* event)
{
    if (touch == nullptr || !isTouchInside()) {
        return;
    }
    setOn(!on_, true);
    sendActionsForControlEvents(UIControlEventValueChanged);
}

void UISwitch::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    registry.registerClass("UISwitch", "UIControl", [] { return std::make_shared<UISwitch>(); },
                           {
                               { "on", uiProperty<UISwitch, bool>(T::Bool, [](UISwitch& s, bool on) { s.setOn(on, false); }) },
                               { "onTintColor", uiProperty<UISwitch, UIColorRef>(T::Color, [](UISwitch& s, const UIColorRef& c) {
                                     s.setOnTintColor(c);
                                 }) },
                           });
}
