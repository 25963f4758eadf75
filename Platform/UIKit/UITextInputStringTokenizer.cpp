#include "Platform/UIKit/UITextInputStringTokenizer.h"

#include "Platform/Foundation/NSStringEnumeration.h"
#include "Platform/UIKit/UITextInput.h"

namespace {

bool isForward(UITextDirection direction)
{
    return direction == UITextStorageDirectionForward || direction == UITextLayoutDirectionRight
        || direction == UITextLayoutDirectionDown;
}

} // namespace

std::u16string UITextInputStringTokenizer::documentText() const
{
    const auto all = textInput_->textRangeFromPositionToPosition(textInput_->beginningOfDocument(), textInput_->endOfDocument());
    return all ? textInput_->textInRange(all) : std::u16string {};
}

NSInteger UITextInputStringTokenizer::indexOf(const UITextPositionRef& position) const
{
    return position ? textInput_->offsetFromPositionToPosition(textInput_->beginningOfDocument(), position) : -1;
}

UITextPositionRef UITextInputStringTokenizer::positionAt(NSInteger index) const
{
    return textInput_->positionFromPositionOffset(textInput_->beginningOfDocument(), index);
}

std::vector<NSRange> UITextInputStringTokenizer::units(const std::u16string& text, UITextGranularity granularity) const
{
    std::vector<NSRange> result;
    switch (granularity) {
    case UITextGranularityCharacter:
        for (NSUInteger i = 0; i < text.size(); ++i) {
            result.push_back({ i, 1 });
        }
        break;
    case UITextGranularityWord:
        enumerateSubstringsInRange(text, { 0, text.size() }, NSStringEnumerationByWords,
                                   [&](std::u16string_view, NSRange word, NSRange, bool*) { result.push_back(word); });
        break;
    case UITextGranularitySentence:
    case UITextGranularityParagraph:
    case UITextGranularityLine: {
        NSUInteger start = 0;
        for (NSUInteger i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == u'\n') {
                result.push_back({ start, i - start });
                start = i + 1;
            }
        }
        break;
    }
    case UITextGranularityDocument:
        result.push_back({ 0, text.size() });
        break;
    }
    return result;
}

UITextRangeRef UITextInputStringTokenizer::rangeEnclosingPositionWithGranularityInDirection(const UITextPositionRef& position,
                                                                                           UITextGranularity granularity,
                                                                                           UITextDirection direction)
{
    const auto text = documentText();
    const NSInteger index = indexOf(position);
    if (index < 0) {
        return nullptr;
    }
    const auto i = NSUInteger(index);
    for (const NSRange& unit : units(text, granularity)) {
        const bool inside = isForward(direction) ? (i >= unit.location && i < unit.max())
                                                 : (i > unit.location && i <= unit.max());
        if (inside || (unit.length == 0 && i == unit.location)) {
            return textInput_->textRangeFromPositionToPosition(positionAt(NSInteger(unit.location)), positionAt(NSInteger(unit.max())));
        }
    }
    return nullptr;
}

bool UITextInputStringTokenizer::isPositionAtBoundaryInDirection(const UITextPositionRef& position, UITextGranularity granularity,
                                                                 UITextDirection direction)
{
    const auto text = documentText();
    const NSInteger index = indexOf(position);
    if (index < 0) {
        return false;
    }
    const auto i = NSUInteger(index);
    for (const NSRange& unit : units(text, granularity)) {
        if ((isForward(direction) ? unit.max() : unit.location) == i) {
            return true;
        }
    }
    return false;
}

UITextPositionRef UITextInputStringTokenizer::positionFromPositionToBoundaryInDirection(const UITextPositionRef& position,
                                                                                       UITextGranularity granularity,
                                                                                       UITextDirection direction)
{
    const auto text = documentText();
    const NSInteger index = indexOf(position);
    if (index < 0) {
        return nullptr;
    }
    const auto i = NSUInteger(index);
    const auto all = units(text, granularity);
    if (isForward(direction)) {
        for (const NSRange& unit : all) {
            if (unit.max() > i) {
                return positionAt(NSInteger(unit.max()));
            }
        }
        return nullptr;
    }
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (it->location < i) {
            return positionAt(NSInteger(it->location));
        }
    }
    return nullptr;
}

bool UITextInputStringTokenizer::isPositionWithinTextUnitInDirection(const UITextPositionRef& position,
                                                                     UITextGranularity granularity, UITextDirection direction)
{
    const auto text = documentText();
    const NSInteger index = indexOf(position);
    if (index < 0) {
        return false;
    }
    const auto i = NSUInteger(index);
    for (const NSRange& unit : units(text, granularity)) {
        if (isForward(direction) ? (i >= unit.location && i < unit.max()) : (i > unit.location && i <= unit.max())) {
            return true;
        }
    }
    return false;
}
