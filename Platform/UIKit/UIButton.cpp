#include "Platform/UIKit/UIButton.h"

#include "Platform/Foundation/NSString.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIClassRegistry.h"

namespace {

constexpr CGFloat kTitleFontSize = 15;
// The rounded-rectangle button's look.
constexpr CGFloat kRoundedCornerRadius = 8;
constexpr CGFloat kRoundedBorderWidth = 1;
// How dark a background image turns while the button is held.
constexpr double kHighlightShade = 0.35;

} // namespace

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type)
{
    auto button = std::make_shared<UIButton>();
    button->buttonType_ = type;
    if (type == UIButtonTypeRoundedRect) {
        button->setBackgroundColor(UIColor::whiteColor());
        button->layer()->setCornerRadius(kRoundedCornerRadius);
        button->layer()->setBorderWidth(kRoundedBorderWidth);
        button->layer()->setBorderColor(CGColorCreateRGBA(0.6, 0.6, 0.6, 1));
        button->setTitleColor(UIColor::colorWithRed(0.196, 0.31, 0.522, 1), UIControlStateNormal);
        button->setTitleColor(UIColor::whiteColor(), UIControlStateHighlighted);
    }
    return button;
}

UIButton::UIButton(CGRect frame)
    : UIControl(frame)
    , titleLabel_(std::make_shared<UILabel>(CGRect { CGPointZero, frame.size }))
{
    setOpaque(false);
    titleLabel_->setFont(UIFont::boldSystemFontOfSize(kTitleFontSize));
    titleLabel_->setTextAlignment(UITextAlignmentCenter);
    titleLabel_->setLineBreakMode(UILineBreakModeMiddleTruncation);
    titleLabel_->setReportsVisibleText(false);
    titleLabel_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    titleColors_[UIControlStateNormal] = UIColor::whiteColor();
    updateTitle();
    addSubview(titleLabel_);
}

template <typename V>
V UIButton::valueFor(const std::map<unsigned, V>& values, unsigned state)
{
    if (const auto exact = values.find(state); exact != values.end() && exact->second) {
        return exact->second;
    }
    // Highlighted or disabled over selected: the single state bits, then normal.
    for (const unsigned bit : { unsigned(UIControlStateHighlighted), unsigned(UIControlStateDisabled),
                                unsigned(UIControlStateSelected) }) {
        if ((state & bit) != 0) {
            if (const auto found = values.find(bit); found != values.end() && found->second) {
                return found->second;
            }
        }
    }
    const auto normal = values.find(UIControlStateNormal);
    return normal != values.end() ? normal->second : V {};
}

void UIButton::setTitle(std::u16string title, unsigned state)
{
    titles_[state] = std::move(title);
    updateTitle();
}

std::u16string UIButton::titleForState(unsigned state) const
{
    if (const auto exact = titles_.find(state); exact != titles_.end()) {
        return exact->second;
    }
    const auto normal = titles_.find(UIControlStateNormal);
    return normal != titles_.end() ? normal->second : std::u16string();
}

void UIButton::setTitleColor(UIColorRef color, unsigned state)
{
    titleColors_[state] = std::move(color);
    updateTitle();
}

UIColorRef UIButton::titleColorForState(unsigned state) const { return valueFor(titleColors_, state); }

void UIButton::setBackgroundImage(UIImageRef image, unsigned state)
{
    backgroundImages_[state] = std::move(image);
    setNeedsDisplay();
}

UIImageRef UIButton::backgroundImageForState(unsigned state) const { return valueFor(backgroundImages_, state); }

void UIButton::setAdjustsImageWhenHighlighted(bool adjusts)
{
    adjustsImageWhenHighlighted_ = adjusts;
    setNeedsDisplay();
}

void UIButton::updateTitle()
{
    titleLabel_->setText(currentTitle());
    titleLabel_->setTextColor(currentTitleColor());
}

void UIButton::stateDidChange()
{
    updateTitle();
    setNeedsDisplay();
}

void UIButton::layoutSubviews()
{
    titleLabel_->setFrame(bounds());
}

void UIButton::drawRect(CGRect)
{
    const UIImageRef image = currentBackgroundImage();
    if (!image) {
        return;
    }
    const CGRect b = bounds();
    image->drawInRect(b);
    const bool ownHighlight = backgroundImages_.count(UIControlStateHighlighted) != 0;
    if (isHighlighted() && adjustsImageWhenHighlighted_ && !ownHighlight && image->CGImage()) {
        // Darken only where the picture has ink.
        CGContextRef c = UIGraphicsGetCurrentContext();
        if (c == nullptr) {
            return;
        }
        cairo_t* cr = c->cairo();
        cairo_save(cr);
        cairo_translate(cr, b.origin.x, b.origin.y);
        cairo_scale(cr, b.size.width / double(image->CGImage()->width()), b.size.height / double(image->CGImage()->height()));
        cairo_set_source_rgba(cr, 0, 0, 0, kHighlightShade);
        // Padded like the picture itself, so the shade reaches its edges.
        cairo_pattern_t* mask = cairo_pattern_create_for_surface(image->CGImage()->surface());
        cairo_pattern_set_extend(mask, CAIRO_EXTEND_PAD);
        cairo_mask(cr, mask);
        cairo_pattern_destroy(mask);
        cairo_restore(cr);
    }
}

void UIButton::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    registry.registerClass(
        "UIButton", "UIControl", [] { return UIButton::buttonWithType(UIButtonTypeCustom); },
        {
            { "title", uiProperty<UIButton, std::string>(T::String, [](UIButton& b, const std::string& s) {
                  b.setTitle(utf8ToUtf16(s), UIControlStateNormal);
              }) },
            { "titleColor", uiProperty<UIButton, UIColorRef>(T::Color, [](UIButton& b, const UIColorRef& c) {
                  b.setTitleColor(c, UIControlStateNormal);
              }) },
            { "backgroundImage", uiProperty<UIButton, UIImageRef>(T::Image, [](UIButton& b, const UIImageRef& i) {
                  b.setBackgroundImage(i, UIControlStateNormal);
              }) },
            { "font", uiProperty<UIButton, UIFontRef>(T::Font, [](UIButton& b, const UIFontRef& f) { b.titleLabel()->setFont(f); }) },
        });
}
