#include "Platform/UIKit/UITableViewCell.h"

#include <cairo.h>

#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"

namespace {

// The selection backgrounds: a vertical gradient from the top colour to the bottom one.
struct Gradient {
    double top[3];
    double bottom[3];
};
constexpr Gradient kBlueSelection { { 0.02, 0.55, 0.96 }, { 0.00, 0.36, 0.90 } };
constexpr Gradient kGraySelection { { 0.73, 0.73, 0.73 }, { 0.56, 0.56, 0.56 } };

// The separator is one point high, at the foot of the cell.
constexpr CGFloat kSeparatorHeight = 1;

} // namespace

UITableViewCell::UITableViewCell() : UITableViewCell(UITableViewCellStyleDefault, {}) { }

UITableViewCell::UITableViewCell(UITableViewCellStyle style, std::string reuseIdentifier)
    : UIView(CGRectMake(0, 0, kDefaultWidth, kDefaultHeight))
    , style_(style)
    , reuseIdentifier_(std::move(reuseIdentifier))
    , contentView_(std::make_shared<UIView>(CGRectMake(0, 0, kDefaultWidth, kDefaultHeight)))
{
    contentView_->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    addSubview(contentView_);
}

UITableViewCell::~UITableViewCell() = default;

void UITableViewCell::setSelectionStyle(UITableViewCellSelectionStyle style)
{
    if (style == selectionStyle_) {
        return;
    }
    selectionStyle_ = style;
    if (selected_ || highlighted_) {
        setNeedsDisplay();
    }
}

void UITableViewCell::setSelected(bool selected, bool animated)
{
    if (selected == selected_) {
        return;
    }
    selected_ = selected;
    if (selectionStyle_ != UITableViewCellSelectionStyleNone) {
        setNeedsDisplay();
    }
}

void UITableViewCell::setHighlighted(bool highlighted, bool animated)
{
    if (highlighted == highlighted_) {
        return;
    }
    highlighted_ = highlighted;
    if (selectionStyle_ != UITableViewCellSelectionStyleNone) {
        setNeedsDisplay();
    }
}

void UITableViewCell::setSeparator(UITableViewCellSeparatorStyle style, UIColorRef color)
{
    const bool same = style == separatorStyle_ && (color == separatorColor_ || (color && separatorColor_ && color->isEqual(*separatorColor_)));
    if (same) {
        return;
    }
    separatorStyle_ = style;
    separatorColor_ = std::move(color);
    contentView_->setFrame(contentFrame());
    setNeedsDisplay();
}

CGRect UITableViewCell::contentFrame() const
{
    CGRect frame = bounds();
    frame.origin = CGPointZero;
    if (separatorStyle_ != UITableViewCellSeparatorStyleNone) {
        frame.size.height = std::max<CGFloat>(0, frame.size.height - kSeparatorHeight);
    }
    return frame;
}

void UITableViewCell::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    contentView_->setFrame(contentFrame());
}

void UITableViewCell::layoutSubviews() { contentView_->setFrame(contentFrame()); }

void UITableViewCell::drawRect(CGRect)
{
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (context == nullptr) {
        return;
    }
    cairo_t* cr = context->cairo();
    const CGRect b = bounds();
    if ((selected_ || highlighted_) && selectionStyle_ != UITableViewCellSelectionStyleNone) {
        const Gradient& g = selectionStyle_ == UITableViewCellSelectionStyleGray ? kGraySelection : kBlueSelection;
        cairo_pattern_t* pattern = cairo_pattern_create_linear(0, b.origin.y, 0, b.origin.y + b.size.height);
        cairo_pattern_add_color_stop_rgb(pattern, 0, g.top[0], g.top[1], g.top[2]);
        cairo_pattern_add_color_stop_rgb(pattern, 1, g.bottom[0], g.bottom[1], g.bottom[2]);
        cairo_rectangle(cr, b.origin.x, b.origin.y, b.size.width, b.size.height);
        cairo_set_source(cr, pattern);
        cairo_fill(cr);
        cairo_pattern_destroy(pattern);
    }
    if (separatorStyle_ != UITableViewCellSeparatorStyleNone && separatorColor_) {
        CGContextSetFillColorWithColor(context, separatorColor_->CGColor());
        CGContextFillRect(context, CGRectMake(b.origin.x, b.origin.y + b.size.height - kSeparatorHeight, b.size.width,
                                              kSeparatorHeight));
    }
}

void UITableViewCell::registerInterfaceClass(UIClassRegistry& registry)
{
    registry.registerClass("UITableViewCell", "UIView", [] { return std::make_shared<UITableViewCell>(); },
                           {
                               { "reuseIdentifier", uiProperty<UITableViewCell, std::string>(UIPropertyType::String,
                                                        [](UITableViewCell& cell, const std::string& identifier) {
                                                            cell.setReuseIdentifier(identifier);
                                                        }) },
                               { "selectionStyle", uiProperty<UITableViewCell, long>(UIPropertyType::Integer,
                                                       [](UITableViewCell& cell, long style) {
                                                           cell.setSelectionStyle(UITableViewCellSelectionStyle(style));
                                                       }) },
                           });
}
