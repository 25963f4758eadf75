#pragma once

#include <memory>

#include "Classes/TextView/CodeIndexedPosition.h"
#include "Platform/UIKit/UITextRange.h"

// A stretch of the code view's text: a UTF-16 range.
class CodeIndexedRange : public UITextRange {
public:
    explicit CodeIndexedRange(NSRange range) : range_(range) { }
    // Null for the no-range value.
    static std::shared_ptr<CodeIndexedRange> rangeWithNSRange(NSRange range)
    {
        return range.location == NSNotFound ? nullptr : std::make_shared<CodeIndexedRange>(range);
    }
    [[nodiscard]] NSRange range() const { return range_; }

    [[nodiscard]] UITextPositionRef start() const override { return CodeIndexedPosition::positionWithIndex(range_.location); }
    [[nodiscard]] UITextPositionRef end() const override { return CodeIndexedPosition::positionWithIndex(range_.max()); }
    [[nodiscard]] bool isEmpty() const override { return range_.length == 0; }

private:
    NSRange range_ {};
};
