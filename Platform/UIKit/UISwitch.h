#pragma once

#include <memory>

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIControl.h"

class UIClassRegistry;

// The on/off switch, always kWidth x kHeight (its frame keeps only its origin): a rounded track
// whose left part, in the on tint, reads "ON" and whose right part reads "OFF", with a round knob
// between them. A tap flips it, sliding the knob, and sends the value-changed actions; setOn by
// code sends nothing. The sliding part is a subview clipped by the rounded track, so the slide
// is a layer animation and redraws nothing.
class UISwitch : public UIControl {
public:
    static constexpr CGFloat kWidth = 79;
    static constexpr CGFloat kHeight = 27;
    static constexpr double kSlideDuration = 0.2;

    explicit UISwitch(CGRect frame = CGRectZero);
    ~UISwitch() override;

    [[nodiscard]] bool isOn() const { return on_; }
    void setOn(bool on) { setOn(on, false); }
    void setOn(bool on, bool animated);
    [[nodiscard]] const UIColorRef& onTintColor() const { return onTintColor_; }
    void setOnTintColor(UIColorRef color);

    void setFrame(CGRect frame) override;
    void endTrackingWithTouch(UITouch* touch, UIEvent* event) override;
    void layoutSubviews() override;

    // "UISwitch": on, onTintColor.
    static void registerInterfaceClass(UIClassRegistry& registry);

    // The defaults: the platform's blue.
    static const UIColorRef& defaultOnTintColor();

private:
    class Slider;
    class Outline;
    void placeSlider();

    bool on_ { false };
    UIColorRef onTintColor_;
    std::shared_ptr<Slider> slider_;
    std::shared_ptr<Outline> outline_;
};
