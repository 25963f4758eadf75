#pragma once

#include <any>
#include <map>
#include <memory>
#include <string>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIKeyInput.h"
#include "Platform/UIKit/UITextInputTokenizer.h"
#include "Platform/UIKit/UITextRange.h"

// Styling values by key (UITextInputTextFontKey holds a UIFontRef).
using UITextStyleDictionary = std::map<std::string, std::any>;

inline constexpr char UITextInputTextFontKey[] = "UITextInputTextFontKey";
inline constexpr char UITextInputTextColorKey[] = "UITextInputTextColorKey";
inline constexpr char UITextInputTextBackgroundColorKey[] = "UITextInputTextBackgroundColorKey";

// A responder whose document the input system edits through positions and ranges: selection,
// marked (composing) text, replacement, and the geometry that places the input system's UI.
// Positions and ranges are objects of the text input's own classes.
class UITextInput : public UIKeyInput {
public:
    // Text.
    [[nodiscard]] virtual std::u16string textInRange(const UITextRangeRef& range) = 0;
    virtual void replaceRangeWithText(const UITextRangeRef& range, const std::u16string& text) = 0;

    // Selection and marked text.
    [[nodiscard]] virtual UITextRangeRef selectedTextRange() = 0;
    virtual void setSelectedTextRange(const UITextRangeRef& range) = 0;
    [[nodiscard]] virtual UITextRangeRef markedTextRange() = 0;
    [[nodiscard]] virtual const UITextStyleDictionary& markedTextStyle() const = 0;
    virtual void setMarkedTextStyle(const UITextStyleDictionary& style) = 0;
    // The selection is relative to the marked text.
    virtual void setMarkedTextSelectedRange(const std::u16string& markedText, NSRange selectedRange) = 0;
    virtual void unmarkText() = 0;

    // Positions.
    [[nodiscard]] virtual UITextPositionRef beginningOfDocument() = 0;
    [[nodiscard]] virtual UITextPositionRef endOfDocument() = 0;
    [[nodiscard]] virtual UITextRangeRef textRangeFromPositionToPosition(const UITextPositionRef& from, const UITextPositionRef& to) = 0;
    [[nodiscard]] virtual UITextPositionRef positionFromPositionOffset(const UITextPositionRef& position, NSInteger offset) = 0;
    [[nodiscard]] virtual UITextPositionRef positionFromPositionInDirectionOffset(const UITextPositionRef& position,
                                                                                 UITextDirection direction, NSInteger offset)
        = 0;
    [[nodiscard]] virtual NSComparisonResult comparePositionToPosition(const UITextPositionRef& position,
                                                                       const UITextPositionRef& other)
        = 0;
    [[nodiscard]] virtual NSInteger offsetFromPositionToPosition(const UITextPositionRef& from, const UITextPositionRef& to) = 0;
    [[nodiscard]] virtual UITextPositionRef positionWithinRangeFarthestInDirection(const UITextRangeRef& range,
                                                                                  UITextDirection direction)
        = 0;
    [[nodiscard]] virtual UITextRangeRef characterRangeByExtendingPositionInDirection(const UITextPositionRef& position,
                                                                                     UITextDirection direction)
        = 0;

    // The input system's delegate (not owned) and the tokenizer.
    [[nodiscard]] virtual UITextInputDelegate* inputDelegate() const = 0;
    virtual void setInputDelegate(UITextInputDelegate* delegate) = 0;
    [[nodiscard]] virtual UITextInputTokenizer* tokenizer() = 0;

    // Writing direction.
    [[nodiscard]] virtual UITextWritingDirection baseWritingDirectionForPositionInDirection(const UITextPositionRef& position,
                                                                                           UITextStorageDirection direction)
        = 0;
    virtual void setBaseWritingDirectionForRange(UITextWritingDirection writingDirection, const UITextRangeRef& range) = 0;

    // Geometry, in the coordinates of textInputView (firstRectForRange) or of the text input.
    [[nodiscard]] virtual CGRect firstRectForRange(const UITextRangeRef& range) = 0;
    [[nodiscard]] virtual CGRect caretRectForPosition(const UITextPositionRef& position) = 0;
    [[nodiscard]] virtual UITextPositionRef closestPositionToPoint(CGPoint point) = 0;
    [[nodiscard]] virtual UITextPositionRef closestPositionToPointWithinRange(CGPoint point, const UITextRangeRef& range) = 0;
    [[nodiscard]] virtual UITextRangeRef characterRangeAtPoint(CGPoint point) = 0;

    // Optional.
    [[nodiscard]] virtual UITextStyleDictionary textStylingAtPositionInDirection(const UITextPositionRef& position,
                                                                                 UITextStorageDirection direction)
    {
        return {};
    }
    [[nodiscard]] virtual UIView* textInputView() { return nullptr; }
};
