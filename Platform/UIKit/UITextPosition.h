#pragma once

// A place in a text input's document; what it holds is the text input's business.
class UITextPosition {
public:
    virtual ~UITextPosition() = default;
};
