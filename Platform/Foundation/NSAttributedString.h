#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
// kept in order of their start offsets, neighbours with equal sets merged, so a lookup is a
// search over the runs in O(log runs). Range arguments outside the text raise "NSRangeException".
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
    [[nodiscard]] std::size_t runCount() const { return runs_.size(); }

protected:
    // Runs by start offset. A tree rather than a vector: the colouring engine writes hundreds of
    // ranges into the middle of a text per recolouring, each an O(log runs) change.
    using Runs = std::map<NSUInteger, NSAttributeDictionaryRef>;

    // The run holding the character at index (index < length).
    [[nodiscard]] Runs::const_iterator runAt(NSUInteger index) const;
    [[nodiscard]] NSUInteger runEnd(Runs::const_iterator run) const;
    void checkRange(NSRange range, const char* operation) const;
    [[nodiscard]] static const Runs& runsOf(const NSAttributedString& text) { return text.runs_; }

    std::u16string text_;
    Runs runs_;
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
    // Makes a run start at position (position <= length) and answers it (end() for the end of
    // the text).
    Runs::iterator splitAt(NSUInteger position);
    // Merges equal neighbours from first through last (last included unless end()).
    void mergeRuns(Runs::iterator first, Runs::iterator last);
    // Applies a change to the set of every run in the range.
    void transformAttributes(NSRange range, const std::function<NSAttributeDictionaryRef(const NSAttributeDictionaryRef&)>& change);
    void replaceRuns(NSRange range, std::u16string_view text, const Runs& newRuns);
};
