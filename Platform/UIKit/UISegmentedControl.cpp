#include "Platform/UIKit/UISegmentedControl.h"

#include <cmath>
#include <stdexcept>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UITextFieldDrawing.h"
#include "Platform/UIKit/UITouch.h"

using namespace uicontrol_drawing;

namespace {

constexpr CGFloat kPlainRadius = 8;
constexpr CGFloat kBarRadius = 5;
constexpr CGFloat kPlainFontSize = 13;
constexpr CGFloat kBarFontSize = 12;

const UIColorRef& defaultBarTint()
{
    static const UIColorRef color = UIColor::colorWithRed(0.45, 0.53, 0.63, 1);
    return color;
}

} // namespace

UISegmentedControl::UISegmentedControl(CGRect frame) : UIControl(frame) { setOpaque(false); }

UISegmentedControl::UISegmentedControl(const std::vector<std::u16string>& items) : UIControl(CGRectZero)
{
    setOpaque(false);
    titles_ = items;
}

// ---- Segments ---------------------------------------------------------------------------------

void UISegmentedControl::insertSegmentWithTitle(std::u16string title, std::size_t index, bool)
{
    index = std::min(index, titles_.size());
    titles_.insert(titles_.begin() + std::ptrdiff_t(index), std::move(title));
    if (selectedSegmentIndex_ >= int(index)) {
        ++selectedSegmentIndex_;
    }
    setNeedsDisplay();
}

void UISegmentedControl::removeSegmentAtIndex(std::size_t index, bool)
{
    if (index >= titles_.size()) {
        return;
    }
    titles_.erase(titles_.begin() + std::ptrdiff_t(index));
    if (selectedSegmentIndex_ == int(index)) {
        selectedSegmentIndex_ = UISegmentedControlNoSegment;
    } else if (selectedSegmentIndex_ > int(index)) {
        --selectedSegmentIndex_;
    }
    setNeedsDisplay();
}

void UISegmentedControl::removeAllSegments()
{
    titles_.clear();
    selectedSegmentIndex_ = UISegmentedControlNoSegment;
    setNeedsDisplay();
}

void UISegmentedControl::setTitle(std::u16string title, std::size_t index)
{
    if (index < titles_.size()) {
        titles_[index] = std::move(title);
        setNeedsDisplay();
    }
}

std::u16string UISegmentedControl::titleForSegmentAtIndex(std::size_t index) const
{
    return index < titles_.size() ? titles_[index] : std::u16string();
}

void UISegmentedControl::setSelectedSegmentIndex(int index)
{
    if (index < UISegmentedControlNoSegment || index >= int(titles_.size())) {
        return;
    }
    selectedSegmentIndex_ = index;
    setNeedsDisplay();
}

void UISegmentedControl::setMomentary(bool momentary)
{
    momentary_ = momentary;
    setNeedsDisplay();
}

void UISegmentedControl::setSegmentedControlStyle(UISegmentedControlStyle style)
{
    style_ = style;
    setNeedsDisplay();
}

void UISegmentedControl::setTintColor(UIColorRef color)
{
    tintColor_ = std::move(color);
    setNeedsDisplay();
}

void UISegmentedControl::setTitleTextAttributes(const NSAttributeDictionary& attributes, unsigned state)
{
    titleAttributes_[state] = attributes;
    setNeedsDisplay();
}

NSAttributeDictionary UISegmentedControl::titleTextAttributesForState(unsigned state) const
{
    const auto found = titleAttributes_.find(state);
    return found != titleAttributes_.end() ? found->second : NSAttributeDictionary {};
}

std::u16string UISegmentedControl::visibleText() const
{
    std::u16string text;
    for (const auto& title : titles_) {
        if (!text.empty()) {
            text += u'\n';
        }
        text += title;
    }
    return text;
}

// ---- Geometry and tracking --------------------------------------------------------------------

CGRect UISegmentedControl::rectForSegmentAtIndex(std::size_t index) const
{
    const CGRect b = bounds();
    if (titles_.empty() || index >= titles_.size()) {
        return CGRectNull;
    }
    const CGFloat width = b.size.width / CGFloat(titles_.size());
    const CGFloat x0 = std::round(b.origin.x + width * CGFloat(index));
    const CGFloat x1 = index + 1 == titles_.size() ? CGRectGetMaxX(b) : std::round(b.origin.x + width * CGFloat(index + 1));
    return CGRectMake(x0, b.origin.y, x1 - x0, b.size.height);
}

int UISegmentedControl::segmentAtPoint(CGPoint point) const
{
    if (!CGRectContainsPoint(bounds(), point)) {
        return -1;
    }
    for (std::size_t i = 0; i < titles_.size(); ++i) {
        if (CGRectContainsPoint(rectForSegmentAtIndex(i), point)) {
            return int(i);
        }
    }
    return -1;
}

void UISegmentedControl::setHighlightedSegment(int index)
{
    if (index != highlightedSegment_) {
        highlightedSegment_ = index;
        setNeedsDisplay();
    }
}

bool UISegmentedControl::beginTrackingWithTouch(UITouch& touch, UIEvent*)
{
    setHighlightedSegment(segmentAtPoint(touch.locationInView(this)));
    return true;
}

bool UISegmentedControl::continueTrackingWithTouch(UITouch& touch, UIEvent*)
{
    setHighlightedSegment(segmentAtPoint(touch.locationInView(this)));
    return true;
}

void UISegmentedControl::endTrackingWithTouch(UITouch* touch, UIEvent*)
{
    const int segment = touch != nullptr ? segmentAtPoint(touch->locationInView(this)) : -1;
    setHighlightedSegment(-1);
    if (segment < 0) {
        return;
    }
    if (momentary_ || segment != selectedSegmentIndex_) {
        selectedSegmentIndex_ = segment;
        setNeedsDisplay();
        sendActionsForControlEvents(UIControlEventValueChanged);
    }
}

void UISegmentedControl::cancelTrackingWithEvent(UIEvent*) { setHighlightedSegment(-1); }

// ---- Drawing ----------------------------------------------------------------------------------

UIFontRef UISegmentedControl::titleFontFor(bool selected) const
{
    for (const unsigned state : { selected ? unsigned(UIControlStateSelected) : unsigned(UIControlStateNormal), unsigned(UIControlStateNormal) }) {
        if (const auto found = titleAttributes_.find(state); found != titleAttributes_.end()) {
            if (auto font = found->second.valueForKey<UIFont>(UITextAttributeFont)) {
                return font;
            }
        }
    }
    return UIFont::boldSystemFontOfSize(style_ == UISegmentedControlStyleBar ? kBarFontSize : kPlainFontSize);
}

CGColorRef UISegmentedControl::titleColorFor(bool selected) const
{
    for (const unsigned state : { selected ? unsigned(UIControlStateSelected) : unsigned(UIControlStateNormal), unsigned(UIControlStateNormal) }) {
        if (const auto found = titleAttributes_.find(state); found != titleAttributes_.end()) {
            if (auto color = found->second.valueForKey<UIColor>(UITextAttributeTextColor)) {
                return color->CGColor();
            }
        }
        if (selected) {
            // A selected segment's own default (white) comes before the normal state's colour.
            break;
        }
    }
    if (selected || style_ == UISegmentedControlStyleBar) {
        return CGColorCreateRGBA(1, 1, 1, 1);
    }
    return style_ == UISegmentedControlStylePlain ? CGColorCreateRGBA(0.45, 0.45, 0.45, 1) : CGColorCreateRGBA(0.2, 0.2, 0.2, 1);
}

void UISegmentedControl::drawRect(CGRect)
{
    CGContextRef c = UIGraphicsGetCurrentContext();
    if (c == nullptr || titles_.empty()) {
        return;
    }
    const CGRect b = bounds();
    const bool bar = style_ == UISegmentedControlStyleBar;
    const CGFloat radius = bar ? kBarRadius : kPlainRadius;
    const CGRect outline = CGRectInset(b, 0.5, 0.5);
    const CGColorRef tint = (tintColor_ ? tintColor_ : defaultBarTint())->CGColor();
    const int shown = momentary_ ? highlightedSegment_ : (highlightedSegment_ >= 0 ? highlightedSegment_ : selectedSegmentIndex_);

    CGContextSaveGState(c);
    CGContextBeginPath(c);
    addRoundedRect(c, outline, radius);
    CGContextClip(c);
    for (std::size_t i = 0; i < titles_.size(); ++i) {
        const CGRect segment = rectForSegmentAtIndex(i);
        const bool selected = int(i) == shown;
        CGColorRef top, bottom;
        if (bar) {
            top = selected ? shade(tint, -0.25) : shade(tint, 0.30);
            bottom = selected ? shade(tint, -0.50) : shade(tint, -0.10);
        } else if (selected) {
            top = CGColorCreateRGBA(0.33, 0.55, 0.93, 1);
            bottom = CGColorCreateRGBA(0.13, 0.36, 0.84, 1);
        } else {
            top = CGColorCreateRGBA(1, 1, 1, 1);
            bottom = CGColorCreateRGBA(0.86, 0.86, 0.86, 1);
        }
        CGContextBeginPath(c);
        CGContextAddRect(c, segment);
        fillPathWithVerticalGradient(c, segment, top, bottom);
        drawCentredText(c, titles_[i], titleFontFor(selected), titleColorFor(selected), segment);
    }
    // Dividers between segments.
    const CGColorRef rim = bar ? shade(tint, -0.55) : CGColorCreateRGBA(0.55, 0.55, 0.55, 1);
    CGContextSetStrokeColorWithColor(c, rim);
    CGContextSetLineWidth(c, 1);
    for (std::size_t i = 1; i < titles_.size(); ++i) {
        const CGFloat x = CGRectGetMinX(rectForSegmentAtIndex(i)) + 0.5;
        const CGPoint divider[] = { { x, CGRectGetMinY(b) }, { x, CGRectGetMaxY(b) } };
        CGContextStrokeLineSegments(c, divider, 2);
    }
    CGContextRestoreGState(c);
    CGContextSetStrokeColorWithColor(c, rim);
    CGContextSetLineWidth(c, 1);
    CGContextBeginPath(c);
    addRoundedRect(c, outline, radius);
    CGContextStrokePath(c);
}

// ---- Interface files --------------------------------------------------------------------------

void UISegmentedControl::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    using S = UISegmentedControl;
    const auto setAttribute = [](S& s, unsigned state, const char* key, std::shared_ptr<const NSObject> value) {
        NSAttributeDictionary attributes = s.titleTextAttributesForState(state);
        attributes[key] = std::move(value);
        s.setTitleTextAttributes(attributes, state);
    };
    registry.registerClass(
        "UISegmentedControl", "UIControl", [] { return std::make_shared<UISegmentedControl>(); },
        {
            // Keys apply in file order: the segments must come before the selected index.
            { "segments", uiProperty<S, std::vector<std::string>>(T::StringList, [](S& s, const std::vector<std::string>& titles) {
                  s.removeAllSegments();
                  for (const auto& title : titles) {
                      s.insertSegmentWithTitle(utf8ToUtf16(title), s.numberOfSegments());
                  }
              }) },
            { "selectedSegmentIndex", uiProperty<S, long>(T::Integer, [](S& s, long index) {
                  if (index < UISegmentedControlNoSegment || index >= long(s.numberOfSegments())) {
                      throw std::invalid_argument("no segment " + std::to_string(index) + " among " + std::to_string(s.numberOfSegments())
                                                + " (give the segments first)");
                  }
                  s.setSelectedSegmentIndex(int(index));
              }) },
            { "momentary", uiProperty<S, bool>(T::Bool, [](S& s, bool m) { s.setMomentary(m); }) },
            { "segmentedControlStyle", uiProperty<S, long>(T::Integer, [](S& s, long style) {
                  if (style < 0 || style > 3) {
                      throw std::invalid_argument("not a segmented control style (0 to 3): " + std::to_string(style));
                  }
                  s.setSegmentedControlStyle(UISegmentedControlStyle(style));
              }) },
            { "tintColor", uiProperty<S, UIColorRef>(T::Color, [](S& s, const UIColorRef& c) { s.setTintColor(c); }) },
            { "titleFont", uiProperty<S, UIFontRef>(T::Font, [setAttribute](S& s, const UIFontRef& f) {
                  setAttribute(s, UIControlStateNormal, UITextAttributeFont, f);
              }) },
            { "titleColor", uiProperty<S, UIColorRef>(T::Color, [setAttribute](S& s, const UIColorRef& c) {
                  setAttribute(s, UIControlStateNormal, UITextAttributeTextColor, c);
              }) },
            { "selectedTitleColor", uiProperty<S, UIColorRef>(T::Color, [setAttribute](S& s, const UIColorRef& c) {
                  setAttribute(s, UIControlStateSelected, UITextAttributeTextColor, c);
              }) },
        });
}
