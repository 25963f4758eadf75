#include "Platform/Foundation/NSPropertyList.h"

#include "Platform/Foundation/NSFileManager.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace {

// Dates in property lists count from 2001-01-01; ours count from 1970-01-01.
constexpr double kSecondsFrom1970To2001 = 978307200.0;
// A binary list whose shared objects would expand past this many nodes is refused: the reader
// copies shared objects, so a few kilobytes could otherwise ask for gigabytes.
constexpr std::uint64_t kMaxExpandedNodes = 4'000'000;

struct PlistFree {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistHolder = std::unique_ptr<void, PlistFree>;

struct CFree {
    void operator()(void* p) const { std::free(p); }
};

// --- Guards run before handing bytes to the parser, which recurses without a limit ---------

bool startsWithWord(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.compare(at, word.size(), word) != 0) return false;
    const std::size_t end = at + word.size();
    if (end >= text.size()) return false;
    const char next = text[end];
    return next == '>' || next == ' ' || next == '\t' || next == '\r' || next == '\n';
}

// Counts the nesting of container tags; generous (comments count too), which only matters for
// files no one writes.
bool xmlNestingWithinLimit(std::string_view text)
{
    int depth = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
        const std::size_t name = at + 1;
        if (name < text.size() && text[name] == '/') {
            if (startsWithWord(text, name + 1, "array") || startsWithWord(text, name + 1, "dict"))
                depth = depth > 0 ? depth - 1 : 0;
        } else if (startsWithWord(text, name, "array") || startsWithWord(text, name, "dict")) {
            const std::size_t close = text.find('>', name);
            if (close != std::string_view::npos && text[close - 1] == '/') continue;
            if (++depth > NSPropertyListSerialization::kMaxDepth) return false;
        }
    }
    return true;
}

std::uint64_t readBigEndian(const unsigned char* p, unsigned size)
{
    std::uint64_t value = 0;
    for (unsigned i = 0; i < size; ++i)
        value = (value << 8) | p[i];
    return value;
}

// Checks the structure of a binary list: sizes, offsets and references in range, no cycles,
// nesting and expanded size within limits.
bool binaryStructureIsSafe(std::string_view bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    constexpr std::size_t kHeader = 8, kTrailer = 32;
    if (size < kHeader + kTrailer + 1) return false;
    const unsigned char* trailer = data + size - kTrailer;
    const unsigned offsetSize = trailer[6];
    const unsigned refSize = trailer[7];
    const std::uint64_t objectCount = readBigEndian(trailer + 8, 8);
    const std::uint64_t topObject = readBigEndian(trailer + 16, 8);
    const std::uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8) return false;
    if (objectCount == 0 || topObject >= objectCount) return false;
    const std::size_t objectsEnd = size - kTrailer;
    if (tableOffset < kHeader || tableOffset > objectsEnd) return false;
    if (objectCount > (objectsEnd - tableOffset) / offsetSize) return false;

    auto offsetOf = [&](std::uint64_t index) {
        return readBigEndian(data + tableOffset + index * offsetSize, offsetSize);
    };
    // The length in an object's marker, or in the integer after it when the marker says 0xF,
    // and the offset where the object's contents start.
    struct Counted {
        std::uint64_t count { 0 };
        std::uint64_t at { 0 };
    };
    auto countAt = [&](std::uint64_t offset) -> std::optional<Counted> {
        Counted counted { data[offset] & 0xFu, offset + 1 };
        if (counted.count != 0xF) return counted;
        if (counted.at >= tableOffset) return std::nullopt;
        const unsigned intMarker = data[counted.at];
        if ((intMarker >> 4) != 0x1 || (intMarker & 0xF) > 3) return std::nullopt;
        const unsigned intSize = 1u << (intMarker & 0xF);
        if (counted.at + 1 + intSize > tableOffset) return std::nullopt;
        counted.count = readBigEndian(data + counted.at + 1, intSize);
        counted.at += 1 + intSize;
        return counted;
    };
    // A key's characters lie inside the object area and hold no NUL (the parser asserts on one).
    auto keyTextIsClean = [&](std::uint64_t offset, unsigned unitSize) {
        const auto counted = countAt(offset);
        if (!counted) return false;
        const auto [length, at] = *counted;
        if (length > (tableOffset - at) / unitSize) return false;
        for (std::uint64_t i = 0; i < length; ++i) {
            const unsigned char* unit = data + at + i * unitSize;
            if (unit[0] == 0 && (unitSize == 1 || unit[1] == 0)) return false;
        }
        return true;
    };
    struct Children {
        bool ok { false };
        std::uint64_t first { 0 }; // byte offset of the reference list
        std::uint64_t count { 0 };
    };
    // The references an object holds (none for scalars); ok false when it is malformed.
    auto childrenOf = [&](std::uint64_t index) -> Children {
        const std::uint64_t offset = offsetOf(index);
        if (offset < kHeader || offset >= tableOffset) return {};
        const unsigned marker = data[offset];
        const unsigned kind = marker >> 4;
        if (kind != 0xA && kind != 0xB && kind != 0xC && kind != 0xD) return { true, 0, 0 };
        const auto counted = countAt(offset);
        if (!counted) return {};
        const auto [count, at] = *counted;
        const std::uint64_t refs = kind == 0xD ? count * 2 : count;
        if (count > tableOffset || refs > (tableOffset - at) / refSize) return {};
        if (kind == 0xD) {
            // The parser asserts that every dictionary key is a string: check before it sees one.
            for (std::uint64_t i = 0; i < count; ++i) {
                const std::uint64_t key = readBigEndian(data + at + i * refSize, refSize);
                if (key >= objectCount) return {};
                const std::uint64_t keyOffset = offsetOf(key);
                if (keyOffset < kHeader || keyOffset >= tableOffset) return {};
                const unsigned keyKind = data[keyOffset] >> 4;
                if (keyKind != 0x5 && keyKind != 0x6) return {};
                if (!keyTextIsClean(keyOffset, keyKind == 0x6 ? 2 : 1)) return {};
            }
        }
        return { true, at, refs };
    };

    // Iterative depth-first walk: depth and expanded size per object, cycles refused.
    enum : unsigned char { kUnseen, kOnPath, kDone };
    std::vector<unsigned char> state(objectCount, kUnseen);
    std::vector<int> depth(objectCount, 0);
    std::vector<std::uint64_t> expanded(objectCount, 0);
    struct Frame {
        std::uint64_t index;
        Children children;
        std::uint64_t next;
    };
    std::vector<Frame> path;
    auto enter = [&](std::uint64_t index) -> bool {
        if (path.size() >= static_cast<std::size_t>(NSPropertyListSerialization::kMaxDepth)) return false;
        const Children children = childrenOf(index);
        if (!children.ok) return false;
        state[index] = kOnPath;
        path.push_back({ index, children, 0 });
        return true;
    };
    if (!enter(topObject)) return false;
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next < frame.children.count) {
            const std::uint64_t child
                = readBigEndian(data + frame.children.first + frame.next * refSize, refSize);
            ++frame.next;
            if (child >= objectCount || state[child] == kOnPath) return false;
            if (state[child] == kUnseen && !enter(child)) return false;
            continue;
        }
        // All children done: sum up.
        std::uint64_t total = 1;
        int deepest = 0;
        for (std::uint64_t i = 0; i < frame.children.count; ++i) {
            const std::uint64_t child = readBigEndian(data + frame.children.first + i * refSize, refSize);
            total += expanded[child];
            deepest = std::max(deepest, depth[child]);
            if (total > kMaxExpandedNodes) return false;
        }
        expanded[frame.index] = total;
        depth[frame.index] = deepest + 1;
        if (depth[frame.index] > NSPropertyListSerialization::kMaxDepth) return false;
        state[frame.index] = kDone;
        path.pop_back();
    }
    return true;
}

// --- Conversion between the parser's nodes and values ---------------------------------------

std::optional<PlistValue> fromNode(plist_t node, int depth)
{
    if (!node || depth > NSPropertyListSerialization::kMaxDepth) return std::nullopt;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PlistValue(value != 0);
    }
    case PLIST_UINT:
    case PLIST_UID: {
        std::uint64_t value = 0;
        if (plist_get_node_type(node) == PLIST_UINT)
            plist_get_uint_val(node, &value);
        else
            plist_get_uid_val(node, &value);
        // Negative integers are kept in two's complement.
        return PlistValue(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PlistValue(value);
    }
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return PlistValue(text ? std::string(text, length) : std::string());
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return PlistValue(PlistValue::Data { bytes ? std::string(bytes, length) : std::string() });
    }
    case PLIST_DATE: {
        std::int32_t seconds = 0, micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        return PlistValue(PlistValue::Date { seconds + micros / 1e6 + kSecondsFrom1970To2001 });
    }
    case PLIST_ARRAY: {
        PlistValue::Array items;
        const std::uint32_t count = plist_array_get_size(node);
        items.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            auto item = fromNode(plist_array_get_item(node, i), depth + 1);
            if (!item) return std::nullopt;
            items.push_back(std::move(*item));
        }
        return PlistValue(std::move(items));
    }
    case PLIST_DICT: {
        PlistValue::Dictionary entries;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        std::unique_ptr<void, CFree> iterHolder(iter);
        if (!iter) return PlistValue(std::move(entries));
        while (true) {
            char* rawKey = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &rawKey, &value);
            std::unique_ptr<char, CFree> key(rawKey);
            if (!key || !value) break;
            auto item = fromNode(value, depth + 1);
            if (!item) return std::nullopt;
            entries.insert_or_assign(std::string(key.get()), std::move(*item));
        }
        return PlistValue(std::move(entries));
    }
    default:
        return std::nullopt;
    }
}

bool hasNul(const std::string& text)
{
    return text.find('\0') != std::string::npos;
}

// The parser stores dates as 32-bit seconds around 2001 (about 1933 to 2069).
bool dateFits(double secondsSince1970)
{
    const double since2001 = secondsSince1970 - kSecondsFrom1970To2001;
    return std::isfinite(since2001) && since2001 >= std::numeric_limits<std::int32_t>::min()
        && since2001 < std::numeric_limits<std::int32_t>::max();
}

// Builds the parser's node for a value; null when the value cannot be written.
PlistHolder toNode(const PlistValue& value, int depth)
{
    if (depth > NSPropertyListSerialization::kMaxDepth) return nullptr;
    switch (value.type()) {
    case PlistValue::Type::Null:
        return nullptr;
    case PlistValue::Type::Bool:
        return PlistHolder(plist_new_bool(value.asBool() ? 1 : 0));
    case PlistValue::Type::Integer:
        return PlistHolder(plist_new_uint(static_cast<std::uint64_t>(value.asInt())));
    case PlistValue::Type::Real:
        // Not every reader takes "nan" or "inf" back; refusing keeps the file readable.
        if (!std::isfinite(value.asDouble())) return nullptr;
        return PlistHolder(plist_new_real(value.asDouble()));
    case PlistValue::Type::String:
        // A NUL would silently cut the text short.
        if (hasNul(value.asString())) return nullptr;
        return PlistHolder(plist_new_string(value.asString().c_str()));
    case PlistValue::Type::Data:
        return PlistHolder(plist_new_data(value.asData().data(), value.asData().size()));
    case PlistValue::Type::Date: {
        if (!dateFits(value.asDate())) return nullptr;
        const double since2001 = value.asDate() - kSecondsFrom1970To2001;
        double whole = std::floor(since2001);
        auto micros = static_cast<std::int32_t>(std::lround((since2001 - whole) * 1e6));
        if (micros >= 1'000'000) {
            micros -= 1'000'000;
            whole += 1;
        }
        return PlistHolder(plist_new_date(static_cast<std::int32_t>(whole), micros));
    }
    case PlistValue::Type::Array: {
        PlistHolder array(plist_new_array());
        for (const PlistValue& item : value.asArray()) {
            PlistHolder node = toNode(item, depth + 1);
            if (!node) return nullptr;
            plist_array_append_item(array.get(), node.release());
        }
        return array;
    }
    case PlistValue::Type::Dictionary: {
        PlistHolder dict(plist_new_dict());
        for (const auto& [key, item] : value.asDict()) {
            if (hasNul(key)) return nullptr;
            PlistHolder node = toNode(item, depth + 1);
            if (!node) return nullptr;
            plist_dict_set_item(dict.get(), key.c_str(), node.release());
        }
        return dict;
    }
    }
    return nullptr;
}

bool writable(const PlistValue& value, int depth)
{
    if (depth > NSPropertyListSerialization::kMaxDepth) return false;
    switch (value.type()) {
    case PlistValue::Type::Null:
        return false;
    case PlistValue::Type::Real:
        return std::isfinite(value.asDouble());
    case PlistValue::Type::String:
        return !hasNul(value.asString());
    case PlistValue::Type::Date:
        return dateFits(value.asDate());
    case PlistValue::Type::Array:
        for (const PlistValue& item : value.asArray())
            if (!writable(item, depth + 1)) return false;
        return true;
    case PlistValue::Type::Dictionary:
        for (const auto& [key, item] : value.asDict())
            if (hasNul(key) || !writable(item, depth + 1)) return false;
        return true;
    default:
        return true;
    }
}

const std::string& emptyString()
{
    static const std::string empty;
    return empty;
}

} // namespace

// --- PlistValue -------------------------------------------------------------------------------

const PlistValue& PlistValue::null()
{
    static const PlistValue value;
    return value;
}

bool PlistValue::asBool(bool fallback) const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(value_);
    case Type::Integer:
        return std::get<std::int64_t>(value_) != 0;
    case Type::Real:
        return std::get<double>(value_) != 0; // NaN is true, as a non-zero number
    default:
        return fallback;
    }
}

std::int64_t PlistValue::asInt(std::int64_t fallback) const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(value_) ? 1 : 0;
    case Type::Integer:
        return std::get<std::int64_t>(value_);
    case Type::Real: {
        const double value = std::get<double>(value_);
        if (std::isnan(value)) return 0;
        // Saturate: converting an out-of-range double is undefined.
        if (value >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
        if (value <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(value);
    }
    default:
        return fallback;
    }
}

double PlistValue::asDouble(double fallback) const
{
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(value_) ? 1.0 : 0.0;
    case Type::Integer:
        return static_cast<double>(std::get<std::int64_t>(value_));
    case Type::Real:
        return std::get<double>(value_);
    default:
        return fallback;
    }
}

const std::string& PlistValue::asString() const
{
    const auto* text = std::get_if<std::string>(&value_);
    return text ? *text : emptyString();
}

std::string PlistValue::asString(std::string_view fallback) const
{
    const auto* text = std::get_if<std::string>(&value_);
    return text ? *text : std::string(fallback);
}

const std::string& PlistValue::asData() const
{
    const auto* data = std::get_if<Data>(&value_);
    return data ? data->bytes : emptyString();
}

double PlistValue::asDate(double fallback) const
{
    const auto* date = std::get_if<Date>(&value_);
    return date ? date->secondsSince1970 : fallback;
}

const PlistValue::Array& PlistValue::asArray() const
{
    static const Array empty;
    const auto* array = std::get_if<Array>(&value_);
    return array ? *array : empty;
}

const PlistValue::Dictionary& PlistValue::asDict() const
{
    static const Dictionary empty;
    const auto* dict = std::get_if<Dictionary>(&value_);
    return dict ? *dict : empty;
}

const PlistValue& PlistValue::objectForKey(const std::string& key) const
{
    const auto* dict = std::get_if<Dictionary>(&value_);
    if (!dict) return null();
    const auto found = dict->find(key);
    return found == dict->end() ? null() : found->second;
}

const PlistValue& PlistValue::objectAtIndex(std::size_t index) const
{
    const auto* array = std::get_if<Array>(&value_);
    return array && index < array->size() ? (*array)[index] : null();
}

std::size_t PlistValue::count() const
{
    if (const auto* array = std::get_if<Array>(&value_)) return array->size();
    if (const auto* dict = std::get_if<Dictionary>(&value_)) return dict->size();
    return 0;
}

bool PlistValue::isWritable() const
{
    return writable(*this, 0);
}

// --- NSPropertyListSerialization ------------------------------------------------------------

std::optional<PlistValue> NSPropertyListSerialization::propertyListWithData(std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    const auto length = static_cast<std::uint32_t>(bytes.size());
    plist_t root = nullptr;
    if (plist_is_binary(bytes.data(), length)) {
        if (!binaryStructureIsSafe(bytes)) return std::nullopt;
        plist_from_bin(bytes.data(), length, &root);
    } else {
        if (!xmlNestingWithinLimit(bytes)) return std::nullopt;
        // The parser reads up to a terminating NUL in places: hand it a terminated copy.
        const std::string text(bytes);
        plist_from_xml(text.c_str(), length, &root);
    }
    PlistHolder holder(root);
    if (!root) return std::nullopt;
    return fromNode(root, 0);
}

std::optional<PlistValue> NSPropertyListSerialization::propertyListWithContentsOfFile(const std::string& path)
{
    const auto bytes = NSFileManager::defaultManager().contentsAtPath(path);
    if (!bytes) return std::nullopt;
    return propertyListWithData(*bytes);
}

std::optional<std::string> NSPropertyListSerialization::dataWithPropertyList(const PlistValue& value)
{
    PlistHolder root = toNode(value, 0);
    if (!root) return std::nullopt;
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml) return std::nullopt;
    std::string text(xml, length);
    plist_to_xml_free(xml);
    return text;
}

bool NSPropertyListSerialization::writePropertyListToFile(
    const PlistValue& value, const std::string& path, mode_t mode)
{
    const auto xml = dataWithPropertyList(value);
    return xml && NSFileManager::defaultManager().writeToFile(path, *xml, mode);
}

std::optional<PlistValue::Dictionary> dictionaryWithContentsOfFile(const std::string& path)
{
    auto value = NSPropertyListSerialization::propertyListWithContentsOfFile(path);
    if (!value || !value->isDict()) return std::nullopt;
    return std::move(*value->dictPtr());
}

std::optional<PlistValue::Array> arrayWithContentsOfFile(const std::string& path)
{
    auto value = NSPropertyListSerialization::propertyListWithContentsOfFile(path);
    if (!value || !value->isArray()) return std::nullopt;
    return std::move(*value->arrayPtr());
}
