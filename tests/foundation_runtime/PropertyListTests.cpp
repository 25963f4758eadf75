#include "Platform/Foundation/NSPropertyList.h"
#include "RuntimeTestSupport.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

namespace {

const std::string kAllTypes = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>yes</key><true/>
	<key>no</key><false/>
	<key>count</key><integer>42</integer>
	<key>negative</key><integer>-7</integer>
	<key>ratio</key><real>2.5</real>
	<key>name</key><string>Gr&#252;&#223;e &lt;&amp;&gt; "q"</string>
	<key>bytes</key><data>AAEC/w==</data>
	<key>when</key><date>2001-01-01T00:00:10Z</date>
	<key>list</key><array><string>a</string><integer>1</integer><dict/></array>
	<key>empty</key><string></string>
</dict>
</plist>
)";

std::optional<PlistValue> parse(const std::string& text)
{
    return NSPropertyListSerialization::propertyListWithData(text);
}

std::string binaryOf(const PlistValue::Array& items)
{
    plist_t array = plist_new_array();
    for (const auto& item : items)
        plist_array_append_item(array, plist_new_string(item.asString().c_str()));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(array, &bytes, &length);
    std::string out(bytes, length);
    plist_to_bin_free(bytes);
    plist_free(array);
    return out;
}

// A binary list of `count` arrays, each holding references given by `refs(i)`.
template <typename Refs> std::string craftedBinary(uint32_t count, Refs refs, uint64_t top = 0)
{
    auto be = [](std::string& out, uint64_t value, int size) {
        for (int i = size - 1; i >= 0; --i)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    std::string out = "bplist00";
    std::vector<uint64_t> offsets;
    for (uint32_t i = 0; i < count; ++i) {
        offsets.push_back(out.size());
        const std::vector<uint32_t> children = refs(i);
        out.push_back(static_cast<char>(0xA0 | children.size()));
        for (uint32_t child : children)
            be(out, child, 4);
    }
    const uint64_t table = out.size();
    for (uint64_t offset : offsets)
        be(out, offset, 4);
    out.append(6, '\0');
    out.push_back(4);
    out.push_back(4);
    be(out, count, 8);
    be(out, top, 8);
    be(out, table, 8);
    return out;
}

} // namespace

TEST(PropertyList, ReadsEveryTypeFromXml)
{
    const auto value = parse(kAllTypes);
    ASSERT_TRUE(value && value->isDict());
    EXPECT_TRUE(value->objectForKey("yes").asBool());
    EXPECT_TRUE(value->objectForKey("no").isBool());
    EXPECT_FALSE(value->objectForKey("no").asBool(true));
    EXPECT_EQ(value->objectForKey("count").asInt(), 42);
    EXPECT_EQ(value->objectForKey("negative").asInt(), -7);
    EXPECT_DOUBLE_EQ(value->objectForKey("ratio").asDouble(), 2.5);
    EXPECT_EQ(value->objectForKey("name").asString(),
        "Gr\xC3\xBC\xC3\x9F"
        "e <&> \"q\"");
    EXPECT_EQ(value->objectForKey("bytes").asData(), std::string("\x00\x01\x02\xFF", 4));
    EXPECT_DOUBLE_EQ(value->objectForKey("when").asDate(), 978307210.0);
    const auto& list = value->objectForKey("list");
    ASSERT_EQ(list.count(), 3u);
    EXPECT_EQ(list.objectAtIndex(0).asString(), "a");
    EXPECT_TRUE(list.objectAtIndex(2).isDict());
    EXPECT_TRUE(list.objectAtIndex(3).isNull());
    EXPECT_TRUE(value->objectForKey("empty").isString());
    EXPECT_TRUE(value->objectForKey("missing").isNull());
}

TEST(PropertyList, ReadsBinaryLists)
{
    const auto value = NSPropertyListSerialization::propertyListWithData(binaryOf({ "one", "two" }));
    ASSERT_TRUE(value && value->isArray());
    EXPECT_EQ(value->objectAtIndex(1).asString(), "two");
}

TEST(PropertyList, WrongTypeAccessorsAnswerDefaults)
{
    const PlistValue text("12");
    EXPECT_EQ(text.asInt(5), 5);
    EXPECT_FALSE(text.asBool());
    EXPECT_DOUBLE_EQ(text.asDouble(1.5), 1.5);
    EXPECT_TRUE(text.asArray().empty());
    EXPECT_TRUE(text.asDict().empty());
    EXPECT_TRUE(text.objectForKey("x").isNull());
    EXPECT_TRUE(text.objectAtIndex(0).isNull());
    const PlistValue number(3);
    EXPECT_EQ(number.asString(), "");
    EXPECT_EQ(number.asString("fallback"), "fallback");
    EXPECT_TRUE(number.asBool());
    EXPECT_DOUBLE_EQ(number.asDouble(), 3.0);
    // Reals convert safely, whatever their size.
    EXPECT_EQ(PlistValue(1e300).asInt(), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(PlistValue(-1e300).asInt(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(PlistValue(std::nan("")).asInt(), 0);
    EXPECT_EQ(PlistValue(-2.9).asInt(), -2);
}

TEST(PropertyList, RoundTripKeepsAwkwardValues)
{
    PlistValue::Dictionary dict {
        { "text", std::string("quotes \" ' <tag> & \r\n line\ttab \x01 ctrl \xE2\x80\xA8 sep") },
        { "k\"ey <&>", true },
        { "max", std::numeric_limits<int64_t>::max() },
        { "min", std::numeric_limits<int64_t>::min() },
        { "precise", 0.1 + 0.2 },
        { "tiny", 5e-324 },
        { "bytes", PlistValue::Data { std::string("\0\xFFz", 3) } },
        { "date", PlistValue::Date { 1700000000 } },
        { "nested", PlistValue::Array { PlistValue::Dictionary { { "a", PlistValue::Array {} } } } },
    };
    const PlistValue original(dict);
    const auto xml = NSPropertyListSerialization::dataWithPropertyList(original);
    ASSERT_TRUE(xml);
    const auto back = parse(*xml);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, original);
}

TEST(PropertyList, ValuesThatCannotBeWrittenAreRefused)
{
    const std::vector<PlistValue> unwritable {
        PlistValue(),
        PlistValue(PlistValue::Array { 1, PlistValue() }),
        PlistValue(PlistValue::Dictionary { { "k", PlistValue() } }),
        PlistValue(std::nan("")),
        PlistValue(std::numeric_limits<double>::infinity()),
        PlistValue(std::string("cut\0here", 8)),
        PlistValue(PlistValue::Dictionary { { std::string("k\0", 2), 1 } }),
        PlistValue(PlistValue::Date { 1e12 }),
        // What the reader takes from a file but cannot be written back.
        parse("<plist><real>nan</real></plist>").value(),
        parse("<plist><real>1e999</real></plist>").value(),
        parse("<plist><dict><key>a</key><array><real>-inf</real></array></dict></plist>").value(),
    };
    TempDir dir;
    const std::string file = dir / "keep.plist";
    writeFile(file, "old");
    for (const auto& value : unwritable) {
        EXPECT_FALSE(value.isWritable());
        EXPECT_FALSE(NSPropertyListSerialization::dataWithPropertyList(value));
        EXPECT_FALSE(NSPropertyListSerialization::writePropertyListToFile(value, file));
    }
    EXPECT_EQ(readFile(file), "old");
}

TEST(PropertyList, BrokenInputIsRefusedWithoutCrashing)
{
    // Every prefix of a good document: none may crash, the cut ones must not pass as complete.
    for (std::size_t length = 0; length < kAllTypes.size() - 10; ++length) {
        const auto value = parse(kAllTypes.substr(0, length));
        if (value) {
            EXPECT_NE(value->count(), 10u) << "prefix " << length;
        }
    }
    std::string deepXml = "<plist>";
    for (int i = 0; i < 20000; ++i)
        deepXml += "<array>";
    const std::vector<std::string> broken {
        "",
        "not a plist at all",
        std::string("\0\0\0\0", 4),
        "bplist00",
        "bplist00\xFF\xFF\xFF\xFF garbage that pretends to be binary............................",
        "<plist><dict><key>a</key></plist>",
        "<plist><dict><string>no key</string></dict></plist>",
        "<plist><integer>12</plist>",
        deepXml,
        // A chain of arrays far deeper than any real file.
        craftedBinary(5000,
            [](uint32_t i) {
                return i + 1 < 5000 ? std::vector<uint32_t> { i + 1 } : std::vector<uint32_t> {};
            }),
        // Shared arrays that would expand to 2^40 copies.
        craftedBinary(41,
            [](uint32_t i) {
                return i < 40 ? std::vector<uint32_t> { i + 1, i + 1 } : std::vector<uint32_t> {};
            }),
        // A cycle, a reference past the end, and a top object past the end.
        craftedBinary(2, [](uint32_t i) { return std::vector<uint32_t> { 1 - i }; }),
        craftedBinary(2, [](uint32_t) { return std::vector<uint32_t> { 7 }; }),
        craftedBinary(
            2, [](uint32_t) { return std::vector<uint32_t> {}; }, 9),
    };
    for (std::size_t i = 0; i < broken.size(); ++i)
        EXPECT_FALSE(parse(broken[i])) << "case " << i;
    // Truncated binary lists.
    const std::string good = binaryOf({ "alpha", "beta", "gamma" });
    ASSERT_TRUE(parse(good));
    for (std::size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(parse(good.substr(0, length))) << length;
}

TEST(PropertyList, FileReadersCheckTheRootType)
{
    TempDir dir;
    writeFile(dir / "dict.plist", kAllTypes);
    writeFile(dir / "array.plist", "<plist><array><string>x</string></array></plist>");
    writeFile(dir / "broken.plist", "<plist><array>");
    EXPECT_TRUE(dictionaryWithContentsOfFile(dir / "dict.plist"));
    EXPECT_FALSE(arrayWithContentsOfFile(dir / "dict.plist"));
    ASSERT_TRUE(arrayWithContentsOfFile(dir / "array.plist"));
    EXPECT_EQ(arrayWithContentsOfFile(dir / "array.plist")->size(), 1u);
    EXPECT_FALSE(dictionaryWithContentsOfFile(dir / "array.plist"));
    EXPECT_FALSE(dictionaryWithContentsOfFile(dir / "broken.plist"));
    EXPECT_FALSE(dictionaryWithContentsOfFile(dir / "missing.plist"));
    EXPECT_FALSE(arrayWithContentsOfFile(dir.path()));
}

TEST(PropertyList, ConstructionPicksTheIntendedType)
{
    EXPECT_TRUE(PlistValue("text").isString());
    EXPECT_TRUE(PlistValue(true).isBool());
    EXPECT_TRUE(PlistValue(7L).isInteger());
    EXPECT_TRUE(PlistValue(7ULL).isInteger());
    EXPECT_TRUE(PlistValue(1.5f).isReal());
    EXPECT_TRUE(PlistValue(nullptr).isNull());
}
