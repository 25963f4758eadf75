#pragma once

#include <memory>
#include <variant>

#include "Platform/Foundation/NSObject.h"

// A boxed number or truth value, for attribute values and other object slots. Compared by
// value: integers and reals compare numerically, a truth value as 0 or 1.
class NSNumber : public NSObject {
public:
    explicit NSNumber(long long value) : value_(value) { }
    explicit NSNumber(int value) : value_(static_cast<long long>(value)) { }
    explicit NSNumber(double value) : value_(value) { }
    explicit NSNumber(bool value) : value_(static_cast<long long>(value)), isBool_(true) { }

    static std::shared_ptr<const NSNumber> numberWithInt(int value) { return std::make_shared<const NSNumber>(value); }
    static std::shared_ptr<const NSNumber> numberWithLongLong(long long value) { return std::make_shared<const NSNumber>(value); }
    static std::shared_ptr<const NSNumber> numberWithDouble(double value) { return std::make_shared<const NSNumber>(value); }
    static std::shared_ptr<const NSNumber> numberWithBool(bool value) { return std::make_shared<const NSNumber>(value); }

    [[nodiscard]] long long longLongValue() const
    {
        return std::holds_alternative<long long>(value_) ? std::get<long long>(value_) : static_cast<long long>(std::get<double>(value_));
    }
    [[nodiscard]] int intValue() const { return static_cast<int>(longLongValue()); }
    [[nodiscard]] double doubleValue() const
    {
        return std::holds_alternative<double>(value_) ? std::get<double>(value_) : static_cast<double>(std::get<long long>(value_));
    }
    [[nodiscard]] bool boolValue() const { return doubleValue() != 0; }
    [[nodiscard]] bool isBool() const { return isBool_; }

    bool isEqual(const NSObject& other) const override
    {
        const auto* n = dynamic_cast<const NSNumber*>(&other);
        return n != nullptr && n->doubleValue() == doubleValue();
    }
    std::size_t hash() const override { return std::hash<double> {}(doubleValue()); }

private:
    std::variant<long long, double> value_;
    bool isBool_ { false };
};

using NSNumberRef = std::shared_ptr<const NSNumber>;
