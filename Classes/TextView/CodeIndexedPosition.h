#pragma once

#include <memory>

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UITextPosition.h"

// A place in the code view's text: a UTF-16 index.
class CodeIndexedPosition : public UITextPosition {
public:
    explicit CodeIndexedPosition(NSUInteger index) : index_(index) { }
    static std::shared_ptr<CodeIndexedPosition> positionWithIndex(NSUInteger index)
    {
        return std::make_shared<CodeIndexedPosition>(index);
    }
    [[nodiscard]] NSUInteger index() const { return index_; }

private:
    NSUInteger index_ { 0 };
};
