#include "Platform/UIKit/UILabel.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIImage.h"

namespace {

constexpr CGFloat kDefaultFontSize = 17;

long inRange(long value, long last, const char* what)
{
    if (value < 0 || value > last) {
        throw std::invalid_argument(std::string("not a ") + what + " (0 to " + std::to_string(last) + "): " + std::to_string(value));
    }
    return value;
}

} // namespace

UILabel::UILabel(CGRect frame)
    : UIView(frame)
    , font_(UIFont::systemFontOfSize(kDefaultFontSize))
    , textColor_(UIColor::blackColor())
{
    setUserInteractionEnabled(false);
    setOpaque(false);
}

void UILabel::setText(std::u16string text)
{
    if (text != text_) {
        text_ = std::move(text);
        setNeedsDisplay();
    }
}

void UILabel::setFont(UIFontRef font)
{
    font_ = font ? std::move(font) : UIFont::systemFontOfSize(kDefaultFontSize);
    setNeedsDisplay();
}

void UILabel::setTextColor(UIColorRef color)
{
    textColor_ = color ? std::move(color) : UIColor::blackColor();
    setNeedsDisplay();
}

void UILabel::setTextAlignment(UITextAlignment alignment)
{
    if (alignment != textAlignment_) {
        textAlignment_ = alignment;
        setNeedsDisplay();
    }
}

void UILabel::setNumberOfLines(int lines)
{
    lines = std::max(0, lines);
    if (lines != numberOfLines_) {
        numberOfLines_ = lines;
        setNeedsDisplay();
    }
}

void UILabel::setLineBreakMode(UILineBreakMode mode)
{
    if (mode != lineBreakMode_) {
        lineBreakMode_ = mode;
        setNeedsDisplay();
    }
}

void UILabel::setAdjustsFontSizeToFitWidth(bool adjusts)
{
    if (adjusts != adjustsFontSizeToFitWidth_) {
        adjustsFontSizeToFitWidth_ = adjusts;
        setNeedsDisplay();
    }
}

void UILabel::setMinimumFontSize(CGFloat size)
{
    size = std::max(CGFloat(0), size);
    if (size != minimumFontSize_) {
        minimumFontSize_ = size;
        setNeedsDisplay();
    }
}

UIFontRef UILabel::fontForDrawing() const { return fontForWidth(bounds().size.width); }

UIFontRef UILabel::fontForWidth(CGFloat width) const
{
    if (!adjustsFontSizeToFitWidth_ || numberOfLines_ != 1 || text_.empty() || width <= 0) return font_;
    const auto fullWidth = [this](const UIFontRef& font) {
        return UITextLines::layout(text_, font, nullptr, std::numeric_limits<CGFloat>::max() / 4, 1, UILineBreakModeClip).size.width;
    };
    const CGFloat natural = fullWidth(font_);
    if (natural <= width) return font_;
    // Text width grows about in step with the size: start from the proportional guess and
    // step down in half points where the guess still overflows.
    const CGFloat floorSize = std::max(CGFloat(1), std::min(minimumFontSize_, font_->pointSize()));
    CGFloat size = std::max(floorSize, std::floor(font_->pointSize() * width / natural * 2) / 2);
    UIFontRef font = font_->fontWithSize(size);
    while (size > floorSize && fullWidth(font) > width) {
        size = std::max(floorSize, size - CGFloat(0.5));
        font = font_->fontWithSize(size);
    }
    return font;
}

UITextLines UILabel::linesFor(CGSize size) const
{
    int lines = numberOfLines_;
    const UIFontRef font = fontForWidth(size.width);
    const CGFloat lineHeight = font->lineHeight();
    if (lineHeight > 0 && size.height < std::numeric_limits<CGFloat>::max() / 2) {
        // A hair of slack: a label made exactly n lines high holds n lines.
        const int fit = std::max(1, int(std::floor(size.height / lineHeight + 1e-6)));
        lines = lines == 0 ? fit : std::min(lines, fit);
    }
    const CGColorRef color = textColor_ ? textColor_->CGColor() : nullptr;
    return UITextLines::layout(text_, font, color, size.width, lines, lineBreakMode_);
}

UITextLines UILabel::textLines() const { return linesFor(bounds().size); }

CGRect UILabel::textRectForBounds(CGRect rect) const
{
    const CGSize used = linesFor(rect.size).size;
    return CGRectMake(rect.origin.x, rect.origin.y + (rect.size.height - used.height) / 2, rect.size.width, used.height);
}

CGSize UILabel::sizeThatFits(CGSize size) const
{
    const CGFloat width = size.width > 0 ? size.width : std::numeric_limits<CGFloat>::max() / 4;
    const CGFloat height = size.height > 0 ? size.height : std::numeric_limits<CGFloat>::max();
    const CGSize used = linesFor(CGSizeMake(width, height)).size;
    return CGSizeMake(std::ceil(used.width), std::ceil(used.height));
}

void UILabel::sizeToFit()
{
    const CGRect f = frame();
    const CGSize fits = sizeThatFits(CGSizeZero);
    setFrame(CGRectMake(f.origin.x, f.origin.y, fits.width, fits.height));
}

void UILabel::drawRect(CGRect)
{
    const CGRect b = bounds();
    const UITextLines lines = linesFor(b.size);
    const CGRect box = CGRectMake(b.origin.x, b.origin.y + (b.size.height - lines.size.height) / 2, b.size.width, lines.size.height);
    lines.draw(UIGraphicsGetCurrentContext(), box, textAlignment_);
}

std::u16string UILabel::visibleText() const
{
    if (!reportsVisibleText_ || text_.empty()) {
        return {};
    }
    // Wrapping only moves words onto new lines; a text cut short shows what is left of it.
    const UITextLines lines = textLines();
    std::u16string drawn;
    std::u16string drawnLetters;
    for (const std::u16string& line : lines.texts) {
        drawn += (drawn.empty() ? u"" : u"\n") + line;
        for (const char16_t c : line) {
            if (c != u' ' && c != u'\n' && c != u'\t' && c != u'\r') {
                drawnLetters += c;
            }
        }
    }
    std::u16string letters;
    for (const char16_t c : text_) {
        if (c != u' ' && c != u'\n' && c != u'\t' && c != u'\r') {
            letters += c;
        }
    }
    return drawnLetters == letters ? text_ : drawn;
}

CGRect UILabel::visibleTextRect() const
{
    const CGRect b = bounds();
    const UITextLines lines = linesFor(b.size);
    const CGFloat top = b.origin.y + (b.size.height - lines.size.height) / 2;
    CGRect glyphs = CGRectNull;
    for (std::size_t i = 0; i < lines.widths.size(); ++i) {
        const CGFloat w = lines.widths[i];
        CGFloat x = b.origin.x;
        if (textAlignment_ == UITextAlignmentCenter) {
            x += (b.size.width - w) / 2;
        } else if (textAlignment_ == UITextAlignmentRight) {
            x += b.size.width - w;
        }
        glyphs = CGRectUnion(glyphs, CGRectMake(x, top + CGFloat(i) * lines.lineHeight, std::max<CGFloat>(1, w), lines.lineHeight));
    }
    return CGRectIsNull(glyphs) ? b : glyphs;
}

void UILabel::registerInterfaceClass(UIClassRegistry& registry)
{
    using T = UIPropertyType;
    registry.registerClass(
        "UILabel", "UIView", [] { return std::make_shared<UILabel>(); },
        {
            { "text", uiProperty<UILabel, std::string>(T::String, [](UILabel& l, const std::string& s) { l.setText(utf8ToUtf16(s)); }) },
            { "textColor", uiProperty<UILabel, UIColorRef>(T::Color, [](UILabel& l, const UIColorRef& c) { l.setTextColor(c); }) },
            { "font", uiProperty<UILabel, UIFontRef>(T::Font, [](UILabel& l, const UIFontRef& f) { l.setFont(f); }) },
            { "textAlignment",
              uiProperty<UILabel, long>(T::Integer, [](UILabel& l, long a) { l.setTextAlignment(UITextAlignment(inRange(a, 2, "text alignment"))); }) },
            { "numberOfLines", uiProperty<UILabel, long>(T::Integer, [](UILabel& l, long n) { l.setNumberOfLines(int(inRange(n, 100000, "number of lines"))); }) },
            { "lineBreakMode",
              uiProperty<UILabel, long>(T::Integer, [](UILabel& l, long m) { l.setLineBreakMode(UILineBreakMode(inRange(m, 5, "line-break mode"))); }) },
            { "adjustsFontSizeToFitWidth", uiProperty<UILabel, bool>(T::Bool, [](UILabel& l, bool a) { l.setAdjustsFontSizeToFitWidth(a); }) },
            { "minimumFontSize", uiProperty<UILabel, double>(T::Number, [](UILabel& l, double v) { l.setMinimumFontSize(CGFloat(v)); }) },
        });
}
