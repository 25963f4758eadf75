#pragma once

#include "Platform/UIKit/Forward.h"

enum UITextGranularity : int {
    UITextGranularityCharacter = 0,
    UITextGranularityWord = 1,
    UITextGranularitySentence = 2,
    UITextGranularityParagraph = 3,
    UITextGranularityLine = 4,
    UITextGranularityDocument = 5,
};

// Directions: storage directions 0 (forward) and 1 (backward), layout directions 2 (right),
// 3 (left), 4 (up) and 5 (down).
using UITextDirection = int;

enum UITextStorageDirection : int {
    UITextStorageDirectionForward = 0,
    UITextStorageDirectionBackward = 1,
};

enum UITextLayoutDirection : int {
    UITextLayoutDirectionRight = 2,
    UITextLayoutDirectionLeft = 3,
    UITextLayoutDirectionUp = 4,
    UITextLayoutDirectionDown = 5,
};

enum UITextWritingDirection : int {
    UITextWritingDirectionNatural = -1,
    UITextWritingDirectionLeftToRight = 0,
    UITextWritingDirectionRightToLeft = 1,
};

// Finds the units of a text input's document (words, lines, ...) around positions.
class UITextInputTokenizer {
public:
    virtual ~UITextInputTokenizer() = default;
    [[nodiscard]] virtual UITextRangeRef rangeEnclosingPositionWithGranularityInDirection(const UITextPositionRef& position,
                                                                                         UITextGranularity granularity,
                                                                                         UITextDirection direction)
        = 0;
    [[nodiscard]] virtual bool isPositionAtBoundaryInDirection(const UITextPositionRef& position, UITextGranularity granularity,
                                                               UITextDirection direction)
        = 0;
    [[nodiscard]] virtual UITextPositionRef positionFromPositionToBoundaryInDirection(const UITextPositionRef& position,
                                                                                     UITextGranularity granularity,
                                                                                     UITextDirection direction)
        = 0;
    [[nodiscard]] virtual bool isPositionWithinTextUnitInDirection(const UITextPositionRef& position, UITextGranularity granularity,
                                                                   UITextDirection direction)
        = 0;
};
