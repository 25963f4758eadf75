#include "Classes/Controller/UILabelVerticalAlign.h"

#include "Platform/UIKit/UILabel.h"

namespace UILabelVerticalAlign {

void alignTop(UILabel& label)
{
    if (label.text().empty() || label.numberOfLines() == 0 || !label.font()) return;
    // One line of the label's font, as a one-line measure of its text gives.
    const CGFloat lineHeight = label.font()->lineHeight();
    if (lineHeight <= 0) return;
    const CGFloat boxHeight = lineHeight * label.numberOfLines();
    const CGFloat textHeight = sizeWithFontConstrainedToSize(
        label.text(), label.font(), CGSizeMake(label.frame().size.width, boxHeight), label.lineBreakMode())
                                   .height;
    const int padding = int((boxHeight - textHeight) / lineHeight);
    std::u16string text = label.text();
    for (int i = 0; i < padding; ++i)
        text += u"\n ";
    if (padding >= 1) label.setText(std::move(text));
}

} // namespace UILabelVerticalAlign
