#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "Platform/CoreText/CTFrame.h"
#include "Platform/UIKit/UIView.h"

class CodeTextView;

// The gutter of line numbers along the code view's left edge. It lives inside the text view, so
// it scrolls with the text, and draws from the text view's frame: a separator and, on the first
// row of every logical line, its number. Its layer is flipped like the content view's, so the
// layout's line origins are used as they are. It takes no touches. Main thread only.
class CodeLineNumberView : public UIView {
public:
    // The numbers' right edge stands this far left of the gutter's width, the separator this far
    // left of the gutter's right edge.
    static constexpr CGFloat kNumberInset = 17.0;
    static constexpr CGFloat kSeparatorInset = 10.5;

    explicit CodeLineNumberView(CGRect frame);
    ~CodeLineNumberView() override;

    // Not owned: the text view owns the gutter and outlives its reference.
    [[nodiscard]] CodeTextView* codeView() const { return codeView_; }
    void setCodeView(CodeTextView* view) { codeView_ = view; }

    void drawRect(CGRect rect) override;
    // The numbers in view, as a person reads them beside the code.
    [[nodiscard]] std::vector<TextLine> visibleTextLines() const override;

    // The rows that carry a number, as (row index in the frame, number), in row order. A row
    // continues the logical line above it unless that line's last row ended in a hard line break
    // (LF, CR, CR LF, U+2028, U+2029).
    [[nodiscard]] static std::vector<std::pair<std::size_t, int>> numberedRows(const CTFrameRef& frame, const std::u16string& text);

private:
    CodeTextView* codeView_ { nullptr };
};
