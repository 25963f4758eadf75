#pragma once

#include <vector>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UITextInputTokenizer.h"

// The tokenizer a text input gets for plain text: characters (UTF-16 units), words (the
// platform's word rules), lines and paragraphs (runs between line feeds), sentences (taken as
// paragraphs) and the whole document. Forward means toward the end of the text: a position is at
// a forward boundary where a unit ends and at a backward one where a unit starts.
class UITextInputStringTokenizer : public UITextInputTokenizer {
public:
    // The text input owns the tokenizer, so it outlives it.
    explicit UITextInputStringTokenizer(UITextInput* textInput) : textInput_(textInput) { }

    [[nodiscard]] UITextRangeRef rangeEnclosingPositionWithGranularityInDirection(const UITextPositionRef& position,
                                                                                 UITextGranularity granularity,
                                                                                 UITextDirection direction) override;
    [[nodiscard]] bool isPositionAtBoundaryInDirection(const UITextPositionRef& position, UITextGranularity granularity,
                                                       UITextDirection direction) override;
    [[nodiscard]] UITextPositionRef positionFromPositionToBoundaryInDirection(const UITextPositionRef& position,
                                                                             UITextGranularity granularity,
                                                                             UITextDirection direction) override;
    [[nodiscard]] bool isPositionWithinTextUnitInDirection(const UITextPositionRef& position, UITextGranularity granularity,
                                                           UITextDirection direction) override;

private:
    [[nodiscard]] std::u16string documentText() const;
    [[nodiscard]] NSInteger indexOf(const UITextPositionRef& position) const;
    [[nodiscard]] UITextPositionRef positionAt(NSInteger index) const;
    [[nodiscard]] std::vector<NSRange> units(const std::u16string& text, UITextGranularity granularity) const;

    UITextInput* textInput_;
};
