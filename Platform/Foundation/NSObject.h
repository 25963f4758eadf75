#pragma once

#include <cstddef>
#include <functional>

// Root of the platform's object values that are compared by value where they are
// held in collections and attribute sets (colours, fonts, URLs, numbers).
class NSObject {
public:
    virtual ~NSObject() = default;
    // Identity unless a subclass compares its value.
    virtual bool isEqual(const NSObject& other) const { return this == &other; }
    virtual std::size_t hash() const { return std::hash<const void*> {}(this); }
};
