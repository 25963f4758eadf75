#pragma once

#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UITextPosition.h"

// A stretch of a text input's document between two positions.
class UITextRange {
public:
    virtual ~UITextRange() = default;
    [[nodiscard]] virtual UITextPositionRef start() const = 0;
    [[nodiscard]] virtual UITextPositionRef end() const = 0;
    [[nodiscard]] virtual bool isEmpty() const = 0;
};
