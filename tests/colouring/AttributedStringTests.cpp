#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSException.h"

namespace {

// A value-compared object: two tags with the same number are equal.
class Tag : public NSObject {
public:
    explicit Tag(int value) : value_(value) { }
    bool isEqual(const NSObject& other) const override
    {
        const auto* tag = dynamic_cast<const Tag*>(&other);
        return tag && tag->value_ == value_;
    }
    std::size_t hash() const override { return static_cast<std::size_t>(value_); }
    int value() const { return value_; }

private:
    int value_;
};

std::shared_ptr<const NSObject> tag(int value) { return std::make_shared<const Tag>(value); }

NSAttributeDictionary set(int colour) { return NSAttributeDictionary { { "colour", tag(colour) } }; }

int colourAt(const NSAttributedString& text, NSUInteger index, NSRange* effective = nullptr)
{
    const auto value = text.attributesAtIndex(index, effective).valueForKey<Tag>("colour");
    return value ? value->value() : -1;
}

} // namespace

TEST(NSAttributedString, SetsCompareByValueAndEqualNeighboursMerge)
{
    NSMutableAttributedString text(u"abcdefgh", set(0));
    text.setAttributes(set(1), NSRange { 2, 2 });
    text.setAttributes(set(1), NSRange { 4, 2 }); // a different object with an equal value
    EXPECT_EQ(text.runCount(), 3u);
    NSRange effective;
    EXPECT_EQ(colourAt(text, 3, &effective), 1);
    EXPECT_EQ(effective, (NSRange { 2, 4 }));
    EXPECT_EQ(colourAt(text, 7, &effective), 0);
    EXPECT_EQ(effective, (NSRange { 6, 2 }));

    text.setAttributes(set(0), NSRange { 2, 4 });
    EXPECT_EQ(text.runCount(), 1u);
    EXPECT_TRUE(set(3) == set(3));
    EXPECT_FALSE(set(3) == set(4));
    EXPECT_TRUE(NSAttributeDictionaryEqual(nullptr, std::make_shared<const NSAttributeDictionary>()));
}

TEST(NSAttributedString, AddAndRemoveOneAttribute)
{
    NSMutableAttributedString text(u"abcdef", set(0));
    text.addAttribute("link", tag(9), NSRange { 1, 3 });
    NSRange effective;
    EXPECT_EQ(text.attributeAtIndex("colour", 2, &effective)->hash(), 0u);
    EXPECT_EQ(effective, (NSRange { 0, 6 })) << "the colour is the same across the link";
    EXPECT_NE(text.attributeAtIndex("link", 2, &effective), nullptr);
    EXPECT_EQ(effective, (NSRange { 1, 3 }));
    text.removeAttribute("link", NSRange { 0, 6 });
    EXPECT_EQ(text.runCount(), 1u);
    EXPECT_EQ(text.attributeAtIndex("link", 2, nullptr), nullptr);
}

TEST(NSAttributedString, ReplacedCharactersInheritAttributes)
{
    struct Case {
        const char* name;
        NSRange range;
        int expected;
    } cases[] = {
        { "first replaced character", { 2, 3 }, 1 },
        { "character before an insertion", { 5, 0 }, 1 },
        { "character after an insertion at the start", { 0, 0 }, 0 },
    };
    for (const auto& c : cases) {
        NSMutableAttributedString text(u"aaaaaaaa", set(0));
        text.setAttributes(set(1), NSRange { 2, 3 });
        text.replaceCharactersInRange(c.range, u"XY");
        EXPECT_EQ(colourAt(text, c.range.location), c.expected) << c.name;
        EXPECT_EQ(text.length(), 10u - c.range.length) << c.name;
    }
    NSMutableAttributedString empty;
    empty.replaceCharactersInRange(NSRange { 0, 0 }, u"new");
    EXPECT_TRUE(empty.attributesAtIndex(0, nullptr).empty());
    empty.deleteCharactersInRange(NSRange { 0, 3 });
    EXPECT_EQ(empty.runCount(), 0u);
}

TEST(NSAttributedString, SubstringInsertAndEquality)
{
    NSMutableAttributedString text(u"0123456789", set(0));
    text.setAttributes(set(1), NSRange { 3, 4 });
    const NSAttributedString middle = text.attributedSubstringFromRange(NSRange { 5, 4 });
    EXPECT_EQ(middle.string(), u"5678");
    EXPECT_EQ(colourAt(middle, 1), 1);
    EXPECT_EQ(colourAt(middle, 2), 0);

    NSMutableAttributedString copy(text);
    EXPECT_EQ(copy, text);
    copy.insertAttributedString(copy, 2); // the string itself as the argument
    EXPECT_EQ(copy.length(), 20u);
    EXPECT_EQ(colourAt(copy, 5), 1);
    EXPECT_NE(copy, text);

    int runs = 0;
    copy.enumerateAttributesInRange(NSRange { 4, 10 }, [&](const NSAttributeDictionary&, NSRange range) {
        EXPECT_GE(range.location, 4u);
        EXPECT_LE(range.max(), 14u);
        ++runs;
    });
    EXPECT_EQ(runs, 4);
}

TEST(NSAttributedString, RangesOutsideTheTextRaise)
{
    NSMutableAttributedString text(u"abc");
    const auto expectRangeException = [](auto call) {
        try {
            call();
            ADD_FAILURE() << "nothing raised";
        } catch (const NamedException& failure) {
            EXPECT_EQ(failure.name(), "NSRangeException");
        }
    };
    expectRangeException([&] { (void)text.attributesAtIndex(3, nullptr); });
    expectRangeException([&] { text.setAttributes(set(1), NSRange { 2, 2 }); });
    expectRangeException([&] { text.replaceCharactersInRange(NSRange { 4, 0 }, u"x"); });
    expectRangeException([&] { text.removeAttribute("x", NSRange { 1, NSUInteger(-1) }); });
    EXPECT_EQ(text.string(), u"abc");
}

TEST(NSAttributedString, CopiesKeepTheirAttributesWhenEitherChanges)
{
    const auto edits = std::vector<std::pair<const char*, std::function<void(NSMutableAttributedString&)>>> {
        { "set", [](NSMutableAttributedString& t) { t.setAttributes(set(2), NSRange { 1, 5 }); } },
        { "add", [](NSMutableAttributedString& t) { t.addAttribute("colour", tag(2), NSRange { 0, 8 }); } },
        { "remove", [](NSMutableAttributedString& t) { t.removeAttribute("colour", NSRange { 3, 2 }); } },
        { "insert", [](NSMutableAttributedString& t) { t.replaceCharactersInRange(NSRange { 3, 0 }, u"xyz"); } },
        { "delete", [](NSMutableAttributedString& t) { t.deleteCharactersInRange(NSRange { 2, 4 }); } },
        { "insert itself", [](NSMutableAttributedString& t) { t.insertAttributedString(t, 4); } },
    };
    for (const auto& [name, edit] : edits) {
        NSMutableAttributedString original(u"abcdefgh", set(0));
        original.setAttributes(set(1), NSRange { 2, 3 });
        const NSAttributedString before = original;
        NSMutableAttributedString copy(original);
        edit(copy);
        EXPECT_EQ(original, before) << name << ": the original stays";
        EXPECT_EQ(colourAt(original, 2), 1) << name;
        EXPECT_NE(copy, before) << name;
        edit(original);
        EXPECT_EQ(original, copy) << name << ": the same edit gives the same text";
        EXPECT_NE(before, copy) << name << ": an earlier copy stays";
    }
}

TEST(NSAttributedString, SettingAnEqualSetChangesNothing)
{
    NSMutableAttributedString text(u"abcdefgh", set(0));
    text.setAttributes(set(1), NSRange { 2, 4 });
    const NSAttributeDictionaryRef held = text.attributesRefAtIndex(3, nullptr);
    const NSAttributedString copy = text;
    text.setAttributes(set(1), NSRange { 3, 2 });
    text.removeAttribute("absent", NSRange { 0, 8 });
    EXPECT_EQ(text.attributesRefAtIndex(3, nullptr), held) << "the run keeps its own set";
    EXPECT_EQ(text.runCount(), 3u);
    EXPECT_EQ(text, copy);
}

// Random edits against a model holding one colour per character; a copy taken now and then
// must keep what it held.
TEST(NSAttributedString, RandomEditsMatchACharacterModel)
{
    std::mt19937 random(12345);
    NSMutableAttributedString text(std::u16string(50, u'x'), set(0));
    std::vector<int> model(50, 0);
    NSAttributedString snapshot = text;
    std::vector<int> snapshotModel = model;
    for (int step = 0; step < 3000; ++step) {
        if (step % 50 == 0) {
            for (NSUInteger i = 0; i < snapshotModel.size(); ++i)
                ASSERT_EQ(colourAt(snapshot, i), snapshotModel[i]) << "copy at step " << step << " index " << i;
            snapshot = text;
            snapshotModel = model;
        }
        const NSUInteger length = model.size();
        const NSUInteger location = random() % (length + 1);
        const NSUInteger span = random() % (length - location + 1);
        const int colour = static_cast<int>(random() % 4);
        switch (random() % 4) {
        case 3:
            text.addAttribute("colour", tag(colour), NSRange { location, span });
            std::fill(model.begin() + static_cast<long>(location), model.begin() + static_cast<long>(location + span), colour);
            break;
        case 0:
            text.setAttributes(set(colour), NSRange { location, span });
            std::fill(model.begin() + static_cast<long>(location), model.begin() + static_cast<long>(location + span), colour);
            break;
        case 1: {
            const NSUInteger inserted = random() % 4;
            int inherited = -1;
            if (span > 0) inherited = model[location];
            else if (location > 0) inherited = model[location - 1];
            else if (!model.empty()) inherited = model[0];
            text.replaceCharactersInRange(NSRange { location, span }, std::u16string(inserted, u'y'));
            model.erase(model.begin() + static_cast<long>(location), model.begin() + static_cast<long>(location + span));
            model.insert(model.begin() + static_cast<long>(location), inserted, inherited);
            break;
        }
        default:
            if (length < 20) text.appendAttributedString(NSAttributedString(std::u16string(10, u'z'), set(colour)));
            if (length < 20) model.insert(model.end(), 10, colour);
            break;
        }
        ASSERT_EQ(text.length(), model.size());
        std::size_t runs = 0;
        for (NSUInteger i = 0; i < model.size(); ++i) {
            NSRange effective;
            ASSERT_EQ(colourAt(text, i, &effective), model[i]) << "step " << step << " index " << i;
            if (effective.location == i) ++runs;
            ASSERT_TRUE(i == effective.location || model[i - 1] == model[i]);
            ASSERT_TRUE(effective.max() == model.size() || model[effective.max()] != model[i]) << "runs merged";
        }
        ASSERT_EQ(runs, text.runCount());
    }
}
