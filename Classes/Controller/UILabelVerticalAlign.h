#pragma once

class UILabel;

// Labels centre their lines vertically; this puts a label's text at the top of its box instead.
namespace UILabelVerticalAlign {

// Pads the text with as many "\n " lines as the box has room for below it. A label without
// text, or without a line limit, is left as it is.
void alignTop(UILabel& label);

} // namespace UILabelVerticalAlign
