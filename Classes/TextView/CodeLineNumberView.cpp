#include "Classes/TextView/CodeLineNumberView.h"

#include <string>

#include "Classes/TextView/CodeTextView.h"
#include "Platform/CoreText/CGContextText.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"

namespace {

bool isHardBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

// A number's rows stand no higher than its ascent above the baseline nor lower than its descent.
constexpr CGFloat kRowReach = 4;

}

CodeLineNumberView::CodeLineNumberView(CGRect frame)
    : UIView(frame)
{
    setBackgroundColor(UIColor::clearColor());
    setOpaque(false);
    setUserInteractionEnabled(false);
    layer()->setGeometryFlipped(true);
}

CodeLineNumberView::~CodeLineNumberView() { codeView_ = nullptr; }

std::vector<std::pair<std::size_t, int>> CodeLineNumberView::numberedRows(const CTFrameRef& frame, const std::u16string& text)
{
    std::vector<std::pair<std::size_t, int>> rows;
    if (!frame) {
        return rows;
    }
    int number = 1;
    bool continuing = false;
    const auto& lines = frame->lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CFRange r = lines[i]->stringRange();
        const CFIndex last = r.location + r.length - 1;
        const bool ends = last >= 0 && static_cast<std::size_t>(last) < text.size() && isHardBreak(text[static_cast<std::size_t>(last)]);
        if (continuing) {
            continuing = !ends;
            continue;
        }
        rows.emplace_back(i, number++);
        continuing = !ends;
    }
    return rows;
}

void CodeLineNumberView::drawRect(CGRect rect)
{
    if (!codeView_) {
        UIView::drawRect(rect);
        return;
    }
    const CTFrameRef& frame = codeView_->ctframe();
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (!frame || !context) {
        return;
    }
    const CGFloat width = this->frame().size.width;
    const CGFloat height = this->frame().size.height;
    CGContextSetStrokeColorWithColor(context, UIColor::blackColor()->CGColor());
    CGContextSetLineWidth(context, 1.0);
    CGContextMoveToPoint(context, width - kSeparatorInset, 0);
    CGContextAddLineToPoint(context, width - kSeparatorInset, height);
    CGContextStrokePath(context);

    const UIFontRef& font = codeView_->font();
    CGContextSelectFont(context, font->fontName().c_str(), font->pointSize(), kCGEncodingMacRoman);
    CGContextSetStrokeColorWithColor(context, UIColor::blackColor()->CGColor());
    CGContextSetFillColorWithColor(context, UIColor::blackColor()->CGColor());

    // Only the rows that reach into the rectangle are drawn: scrolling asks for a band at a time.
    const CGFloat reach = font->lineHeight() + kRowReach;
    const auto& origins = frame->origins();
    const CGFloat right = codeView_->lineNumberWidth() - kNumberInset;
    for (const auto& [row, number] : numberedRows(frame, codeView_->text())) {
        const CGFloat baseline = origins[row].y;
        if (baseline + reach < CGRectGetMinY(rect) || baseline - reach > CGRectGetMaxY(rect)) {
            continue;
        }
        const std::string digits = std::to_string(number);
        const CGFloat textWidth = sizeWithFont(std::u16string(digits.begin(), digits.end()), font).width;
        CGContextShowTextAtPoint(context, right - textWidth, baseline, digits.c_str(), digits.size());
    }
}

std::vector<UIView::TextLine> CodeLineNumberView::visibleTextLines() const
{
    std::vector<TextLine> shown;
    if (!codeView_ || codeView_->lineNumberWidth() <= 0) {
        return shown;
    }
    const CTFrameRef& frame = codeView_->ctframe();
    if (!frame) {
        return shown;
    }
    const UIFontRef& font = codeView_->font();
    const CGFloat ascent = font->ascender();
    const CGFloat descent = -font->descender();
    const CGFloat right = codeView_->lineNumberWidth() - kNumberInset;
    const CGRect visible = codeView_->convertRectToView(codeView_->bounds(), this);
    const auto& origins = frame->origins();
    for (const auto& [row, number] : numberedRows(frame, codeView_->text())) {
        const std::string digits = std::to_string(number);
        const std::u16string text(digits.begin(), digits.end());
        const CGFloat width = sizeWithFont(text, font).width;
        // Drawn at the row's baseline, in the same flipped space as drawRect.
        const CGRect rect = CGRectMake(right - width, origins[row].y - descent, width, ascent + descent);
        if (CGRectIntersectsRect(rect, visible)) {
            shown.push_back({ text, rect });
        }
    }
    return shown;
}
