#pragma once

#include <concepts>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <variant>
#include <vector>

// One value of a property list: null (absent), a boolean, an integer, a real, a UTF-8 string,
// bytes, a date, an array or a dictionary ordered by key. Accessors of the wrong type answer
// their default, so a caller reading a broken or unexpected file never crashes.
class PlistValue {
public:
    enum class Type { Null, Bool, Integer, Real, String, Data, Date, Array, Dictionary };

    using Array = std::vector<PlistValue>;
    using Dictionary = std::map<std::string, PlistValue>;
    struct Data {
        std::string bytes;
        bool operator==(const Data&) const = default;
    };
    struct Date {
        double secondsSince1970 { 0 };
        bool operator==(const Date&) const = default;
    };

    PlistValue() = default;
    PlistValue(std::nullptr_t) { }
    PlistValue(bool value)
        : value_(value)
    {
    }
    template <typename T>
    requires(std::integral<T> && !std::same_as<T, bool>) PlistValue(T value)
        : value_(static_cast<std::int64_t>(value))
    {
    }
    template <std::floating_point T>
    PlistValue(T value)
        : value_(static_cast<double>(value))
    {
    }
    PlistValue(const char* value)
        : value_(std::string(value ? value : ""))
    {
    }
    PlistValue(std::string value)
        : value_(std::move(value))
    {
    }
    PlistValue(std::string_view value)
        : value_(std::string(value))
    {
    }
    PlistValue(Data value)
        : value_(std::move(value))
    {
    }
    PlistValue(Date value)
        : value_(value)
    {
    }
    PlistValue(Array value)
        : value_(std::move(value))
    {
    }
    PlistValue(Dictionary value)
        : value_(std::move(value))
    {
    }

    [[nodiscard]] Type type() const { return static_cast<Type>(value_.index()); }
    [[nodiscard]] bool isNull() const { return type() == Type::Null; }
    [[nodiscard]] bool isBool() const { return type() == Type::Bool; }
    [[nodiscard]] bool isInteger() const { return type() == Type::Integer; }
    [[nodiscard]] bool isReal() const { return type() == Type::Real; }
    // Booleans, integers and reals are all numbers, as the platform's number objects are.
    [[nodiscard]] bool isNumber() const { return isBool() || isInteger() || isReal(); }
    [[nodiscard]] bool isString() const { return type() == Type::String; }
    [[nodiscard]] bool isData() const { return type() == Type::Data; }
    [[nodiscard]] bool isDate() const { return type() == Type::Date; }
    [[nodiscard]] bool isArray() const { return type() == Type::Array; }
    [[nodiscard]] bool isDict() const { return type() == Type::Dictionary; }

    // Numbers convert among themselves (a real truncates toward zero, saturating; NaN is 0);
    // any other type answers the default.
    [[nodiscard]] bool asBool(bool fallback = false) const;
    [[nodiscard]] std::int64_t asInt(std::int64_t fallback = 0) const;
    [[nodiscard]] double asDouble(double fallback = 0) const;
    // Strings, bytes and dates answer only for their own type.
    [[nodiscard]] const std::string& asString() const;
    [[nodiscard]] std::string asString(std::string_view fallback) const;
    [[nodiscard]] const std::string& asData() const;
    [[nodiscard]] double asDate(double fallback = 0) const;
    [[nodiscard]] const Array& asArray() const;
    [[nodiscard]] const Dictionary& asDict() const;

    // Mutable access; null when the value is of another type.
    [[nodiscard]] Array* arrayPtr() { return std::get_if<Array>(&value_); }
    [[nodiscard]] Dictionary* dictPtr() { return std::get_if<Dictionary>(&value_); }

    // The value for a key of a dictionary; a null value when absent or not a dictionary.
    [[nodiscard]] const PlistValue& objectForKey(const std::string& key) const;
    // The element at an index of an array; a null value when out of range or not an array.
    [[nodiscard]] const PlistValue& objectAtIndex(std::size_t index) const;
    // Elements of an array or entries of a dictionary; 0 otherwise.
    [[nodiscard]] std::size_t count() const;

    // True when the value can be written as a property list: no null anywhere inside.
    [[nodiscard]] bool isWritable() const;

    bool operator==(const PlistValue&) const = default;

    // The null value, for references answered when something is absent.
    static const PlistValue& null();

private:
    std::variant<std::monostate, bool, std::int64_t, double, std::string, Data, Date, Array, Dictionary>
        value_;
};

// Reading and writing property lists (XML or binary in, XML out).
class NSPropertyListSerialization {
public:
    // Nesting deeper than this is refused as not a property list (keeps the stack safe).
    static constexpr int kMaxDepth = 512;

    // The value in the bytes, or nullopt when they are not a well-formed property list.
    [[nodiscard]] static std::optional<PlistValue> propertyListWithData(std::string_view bytes);
    // The same for a file; nullopt when it cannot be read too.
    [[nodiscard]] static std::optional<PlistValue> propertyListWithContentsOfFile(const std::string& path);
    // The value as an XML property list; nullopt when it holds a null anywhere, a real that is not
    // finite, a text with a NUL, or a date outside 1933..2069. XML keeps dates to the second.
    [[nodiscard]] static std::optional<std::string> dataWithPropertyList(const PlistValue& value);
    // Writes the value as an XML property list atomically with the given mode; false on any
    // failure (an existing file is then left as it was).
    [[nodiscard]] static bool writePropertyListToFile(
        const PlistValue& value, const std::string& path, mode_t mode = 0644);
};

// A dictionary or array read from a property-list file; nullopt when the file cannot be read,
// is not a property list or has another root type.
[[nodiscard]] std::optional<PlistValue::Dictionary> dictionaryWithContentsOfFile(const std::string& path);
[[nodiscard]] std::optional<PlistValue::Array> arrayWithContentsOfFile(const std::string& path);
