#pragma once

#include <string>

#include "Platform/UIKit/Forward.h"

// A command of the edit menu beyond the standard ones: its title and the action it sends to the
// first responder.
struct UIMenuItem {
    std::string title;
    SEL action;
    friend bool operator==(const UIMenuItem&, const UIMenuItem&) = default;
};
