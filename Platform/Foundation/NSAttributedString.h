#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/NSAttributedStringRuns.h"
#include "Platform/Foundation/NSObject.h"
#include "Platform/Foundation/NSString.h"

// Attribute names. The platform's interface keys and the CoreText keys that the code view and
// the colouring engine write (their values are CTFont, CGColor, ... objects).
inline constexpr char NSFontAttributeName[] = "NSFont";
inline constexpr char NSForegroundColorAttributeName[] = "NSColor";
inline constexpr char NSLinkAttributeName[] = "NSLink";
inline constexpr char kCTFontAttributeName[] = "kCTFontAttributeName";
inline constexpr char kCTForegroundColorAttributeName[] = "kCTForegroundColorAttributeName";
inline constexpr char kCTUnderlineStyleAttributeName[] = "kCTUnderlineStyleAttributeName";
inline constexpr char kCTRunDelegateAttributeName[] = "kCTRunDelegateAttributeName";

// An attribute set: names to values. Two sets are equal when they hold the same names with
// values that are isEqual, never by pointer: the colouring engine asks whether a character
// already carries a given colour record. A null value equals only a null value.
class NSAttributeDictionary : public std::map<std::string, std::shared_ptr<const NSObject>, std::less<>> {
public:
    using map::map;

    // The value under the name, or null.
    [[nodiscard]] const std::shared_ptr<const NSObject>& objectForKey(std::string_view name) const;

    // The value under the name when it is of type T, else null.
    template <class T>
    [[nodiscard]] std::shared_ptr<const T> valueForKey(std::string_view name) const
    {
        return std::dynamic_pointer_cast<const T>(objectForKey(name));
    }

    friend bool operator==(const NSAttributeDictionary& a, const NSAttributeDictionary& b);
};

using NSAttributeDictionaryRef = std::shared_ptr<const NSAttributeDictionary>;

// Equality of two shared sets by value (null counts as the empty set); same object is equal.
[[nodiscard]] bool NSAttributeDictionaryEqual(const NSAttributeDictionaryRef& a, const NSAttributeDictionaryRef& b);

// Text (UTF-16) with runs of attribute sets. Every character carries exactly one set; runs are
// kept in text order, neighbours with equal sets merged, so a lookup is a search over the runs
// in O(log runs). Copies share their runs until one of them changes. Range arguments outside
// the text raise "NSRangeException".
class NSAttributedString {
public:
    NSAttributedString() = default;
    explicit NSAttributedString(std::u16string text);
    NSAttributedString(std::u16string text, const NSAttributeDictionary& attributes);
    NSAttributedString(std::u16string text, NSAttributeDictionaryRef attributes);
    virtual ~NSAttributedString() = default;

    NSAttributedString(const NSAttributedString&) = default;
    NSAttributedString& operator=(const NSAttributedString&) = default;
    NSAttributedString(NSAttributedString&&) noexcept = default;
    NSAttributedString& operator=(NSAttributedString&&) noexcept = default;

    [[nodiscard]] const std::u16string& string() const { return text_; }
    [[nodiscard]] NSUInteger length() const { return text_.size(); }

    // The set at the index and, when asked, the whole run carrying it. O(log runs).
    [[nodiscard]] const NSAttributeDictionary& attributesAtIndex(NSUInteger index, NSRange* effectiveRange) const;
    // The same set as a shared object (cheap to keep; the identical object stays in the run).
    [[nodiscard]] NSAttributeDictionaryRef attributesRefAtIndex(NSUInteger index, NSRange* effectiveRange) const;
    // One attribute at the index (null when absent); the effective range spans the neighbouring
    // runs that hold an equal value (or equally lack it).
    [[nodiscard]] std::shared_ptr<const NSObject> attributeAtIndex(std::string_view name, NSUInteger index,
                                                                   NSRange* effectiveRange) const;

    // Calls the block once per run overlapping the range, with the run cut to the range.
    void enumerateAttributesInRange(NSRange range,
                                    const std::function<void(const NSAttributeDictionary&, NSRange)>& block) const;

    [[nodiscard]] NSAttributedString attributedSubstringFromRange(NSRange range) const;
    [[nodiscard]] bool isEqualToAttributedString(const NSAttributedString& other) const;
    friend bool operator==(const NSAttributedString& a, const NSAttributedString& b)
    {
        return a.isEqualToAttributedString(b);
    }

    // Number of runs of distinct sets (diagnostics and tests).
    [[nodiscard]] std::size_t runCount() const { return runs().size(); }

protected:
    using Run = NSAttributeRuns::Run;

    [[nodiscard]] const NSAttributeRuns& runs() const;
    [[nodiscard]] static const NSAttributeRuns& runsOf(const NSAttributedString& text) { return text.runs(); }
    void checkRange(NSRange range, const char* operation) const;

    std::u16string text_;
    // Shared by copies (a keystroke copies the text's attributes several times over); whoever
    // changes shared runs first makes its own. Null while there are none.
    std::shared_ptr<NSAttributeRuns> runs_;
};

class NSMutableAttributedString : public NSAttributedString {
public:
    using NSAttributedString::NSAttributedString;
    NSMutableAttributedString() = default;
    explicit NSMutableAttributedString(const NSAttributedString& other) : NSAttributedString(other) { }

    // Replaces every attribute of the range by the given set.
    void setAttributes(const NSAttributeDictionary& attributes, NSRange range);
    void setAttributes(NSAttributeDictionaryRef attributes, NSRange range);
    void addAttribute(const std::string& name, std::shared_ptr<const NSObject> value, NSRange range);
    void addAttributes(const NSAttributeDictionary& attributes, NSRange range);
    void removeAttribute(std::string_view name, NSRange range);

    // New characters take the attributes of the first replaced character; with nothing replaced,
    // of the character before the range, else of the one after it (none in an empty text).
    void replaceCharactersInRange(NSRange range, std::u16string_view text);
    // New characters keep their own attributes.
    void replaceCharactersInRange(NSRange range, const NSAttributedString& text);
    void insertAttributedString(const NSAttributedString& text, NSUInteger location);
    void appendAttributedString(const NSAttributedString& text);
    void deleteCharactersInRange(NSRange range);
    void setAttributedString(const NSAttributedString& text);

private:
    // The runs, made this string's own first when shared.
    NSAttributeRuns& mutableRuns();
    // Puts pieces (in order, with ends in this text, covering what the runs [first, last)
    // covered) in place of those runs; equal neighbours merge, keeping the earlier set.
    void spliceRuns(std::size_t first, std::size_t last, Run* pieces, std::size_t count);
    // Applies a change to the set of every run in the range.
    void transformAttributes(NSRange range, const std::function<NSAttributeDictionaryRef(const NSAttributeDictionaryRef&)>& change);
    // Replaces the characters of the range by text whose runs are given (ends from its start).
    void replaceRuns(NSRange range, std::u16string_view text, const Run* inserted, std::size_t count);
};
