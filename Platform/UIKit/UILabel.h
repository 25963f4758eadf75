#pragma once

#include <string>

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIStringDrawing.h"
#include "Platform/UIKit/UIView.h"

class UIClassRegistry;

// Read-only text: one font and colour, aligned left, centred or right, on at most numberOfLines
// lines (0: as many as the height holds), broken or shortened by the line-break mode (the tail
// by default). The lines sit centred vertically in the bounds. It takes no touches, and its
// background is clear unless set. Setters ask for a redraw; drawing is the renderer's pass.
class UILabel : public UIView {
public:
    explicit UILabel(CGRect frame = CGRectZero);

    [[nodiscard]] const std::u16string& text() const { return text_; }
    void setText(std::u16string text);
    [[nodiscard]] const UIFontRef& font() const { return font_; }
    void setFont(UIFontRef font);
    [[nodiscard]] const UIColorRef& textColor() const { return textColor_; }
    void setTextColor(UIColorRef color);
    [[nodiscard]] UITextAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(UITextAlignment alignment);
    [[nodiscard]] int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines);
    [[nodiscard]] UILineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(UILineBreakMode mode);
    // A one-line text too wide for the bounds is drawn in a smaller size of the font, down to
    // minimumFontSize; only what is still too wide at that size is shortened.
    [[nodiscard]] bool adjustsFontSizeToFitWidth() const { return adjustsFontSizeToFitWidth_; }
    void setAdjustsFontSizeToFitWidth(bool adjusts);
    [[nodiscard]] CGFloat minimumFontSize() const { return minimumFontSize_; }
    void setMinimumFontSize(CGFloat size);
    // The font the text is drawn in: font(), or the smaller size the width asks for.
    [[nodiscard]] UIFontRef fontForDrawing() const;

    // The lines as drawn in the bounds (tests and the vertical-alignment helper read them).
    [[nodiscard]] UITextLines textLines() const;
    // Where the text lies within the bounds.
    [[nodiscard]] CGRect textRectForBounds(CGRect bounds) const;
    // The size the text needs within a size (its width caps the lines), and a frame of it.
    [[nodiscard]] CGSize sizeThatFits(CGSize size) const;
    void sizeToFit();

    void drawRect(CGRect rect) override;
    // The text as drawn: shortened with its ellipsis when it does not fit.
    [[nodiscard]] std::u16string visibleText() const override;
    [[nodiscard]] CGRect visibleTextRect() const override;
    // A label inside another view that reports the text itself (a button's title) stays silent.
    void setReportsVisibleText(bool reports) { reportsVisibleText_ = reports; }

    static void registerInterfaceClass(UIClassRegistry& registry);

private:
    [[nodiscard]] UITextLines linesFor(CGSize size) const;
    [[nodiscard]] UIFontRef fontForWidth(CGFloat width) const;

    std::u16string text_;
    UIFontRef font_;
    UIColorRef textColor_;
    UITextAlignment textAlignment_ { UITextAlignmentLeft };
    int numberOfLines_ { 1 };
    UILineBreakMode lineBreakMode_ { UILineBreakModeTailTruncation };
    bool reportsVisibleText_ { true };
    bool adjustsFontSizeToFitWidth_ { false };
    CGFloat minimumFontSize_ { 0 };
};
