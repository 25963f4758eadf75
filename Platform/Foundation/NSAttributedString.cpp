#include "Platform/Foundation/NSAttributedString.h"

#include <algorithm>
#include <string>
#include <iterator>
#include <vector>

#include "Platform/Foundation/NSException.h"

namespace {

const std::shared_ptr<const NSObject> kNoValue;
const NSAttributeDictionary kEmptyAttributes;

bool valuesEqual(const std::shared_ptr<const NSObject>& a, const std::shared_ptr<const NSObject>& b)
{
    if (a == b) return true;
    if (!a || !b) return false;
    return a->isEqual(*b);
}

NSAttributeDictionaryRef shareAttributes(const NSAttributeDictionary& attributes)
{
    return std::make_shared<const NSAttributeDictionary>(attributes);
}

// One empty set for every character without attributes.
const NSAttributeDictionaryRef& emptyAttributes()
{
    static const NSAttributeDictionaryRef empty = std::make_shared<const NSAttributeDictionary>();
    return empty;
}

[[noreturn]] void raiseRange(const char* operation, NSRange range, NSUInteger length)
{
    throw NamedException("NSRangeException",
        std::string(operation) + ": range {" + std::to_string(range.location) + ", " + std::to_string(range.length)
            + "} out of bounds; string length " + std::to_string(length));
}

} // namespace

const std::shared_ptr<const NSObject>& NSAttributeDictionary::objectForKey(std::string_view name) const
{
    const auto it = find(name);
    return it == end() ? kNoValue : it->second;
}

bool operator==(const NSAttributeDictionary& a, const NSAttributeDictionary& b)
{
    if (&a == &b) return true;
    if (a.size() != b.size()) return false;
    // Values first: sets that differ (one colour record against another) mostly differ in a
    // value while their names are the same, and shared values compare by pointer.
    for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
        if (!valuesEqual(ia->second, ib->second)) return false;
    }
    for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
        if (ia->first != ib->first) return false;
    }
    return true;
}

bool NSAttributeDictionaryEqual(const NSAttributeDictionaryRef& a, const NSAttributeDictionaryRef& b)
{
    if (a == b) return true;
    return (a ? *a : kEmptyAttributes) == (b ? *b : kEmptyAttributes);
}

// NSAttributedString

NSAttributedString::NSAttributedString(std::u16string text)
    : NSAttributedString(std::move(text), NSAttributeDictionaryRef {})
{
}

NSAttributedString::NSAttributedString(std::u16string text, const NSAttributeDictionary& attributes)
    : NSAttributedString(std::move(text), shareAttributes(attributes))
{
}

NSAttributedString::NSAttributedString(std::u16string text, NSAttributeDictionaryRef attributes)
    : text_(std::move(text))
{
    if (text_.empty()) return;
    if (!attributes) attributes = emptyAttributes();
    runs_ = std::make_shared<NSAttributeRuns>();
    runs_->append(Run { text_.size(), std::move(attributes) });
}

const NSAttributeRuns& NSAttributedString::runs() const
{
    static const NSAttributeRuns none;
    return runs_ ? *runs_ : none;
}

void NSAttributedString::checkRange(NSRange range, const char* operation) const
{
    if (range.location > text_.size() || range.length > text_.size() - range.location)
        raiseRange(operation, range, text_.size());
}

const NSAttributeDictionary& NSAttributedString::attributesAtIndex(NSUInteger index, NSRange* effectiveRange) const
{
    return *attributesRefAtIndex(index, effectiveRange);
}

NSAttributeDictionaryRef NSAttributedString::attributesRefAtIndex(NSUInteger index, NSRange* effectiveRange) const
{
    if (index >= text_.size()) raiseRange("attributesAtIndex", NSRange { index, 0 }, text_.size());
    const NSAttributeRuns& all = runs();
    const std::size_t run = all.find(index);
    if (effectiveRange) {
        const NSUInteger start = all.startOf(run);
        *effectiveRange = NSRange { start, all[run].end - start };
    }
    return all[run].attributes;
}

std::shared_ptr<const NSObject> NSAttributedString::attributeAtIndex(std::string_view name, NSUInteger index,
                                                                     NSRange* effectiveRange) const
{
    if (index >= text_.size()) raiseRange("attributeAtIndex", NSRange { index, 0 }, text_.size());
    const NSAttributeRuns& all = runs();
    const std::size_t run = all.find(index);
    const auto& value = all[run].attributes->objectForKey(name);
    if (effectiveRange) {
        std::size_t first = run;
        while (first > 0 && valuesEqual(all[first - 1].attributes->objectForKey(name), value)) --first;
        std::size_t last = run;
        while (last + 1 < all.size() && valuesEqual(all[last + 1].attributes->objectForKey(name), value)) ++last;
        const NSUInteger start = all.startOf(first);
        *effectiveRange = NSRange { start, all[last].end - start };
    }
    return value;
}

void NSAttributedString::enumerateAttributesInRange(
    NSRange range, const std::function<void(const NSAttributeDictionary&, NSRange)>& block) const
{
    checkRange(range, "enumerateAttributesInRange");
    if (range.length == 0) return;
    const NSUInteger end = range.location + range.length;
    const NSAttributeRuns& all = runs();
    for (std::size_t run = all.find(range.location); run < all.size() && all.startOf(run) < end; ++run) {
        const NSUInteger from = std::max(all.startOf(run), range.location);
        const NSUInteger to = std::min(all[run].end, end);
        block(*all[run].attributes, NSRange { from, to - from });
    }
}

NSAttributedString NSAttributedString::attributedSubstringFromRange(NSRange range) const
{
    checkRange(range, "attributedSubstringFromRange");
    NSAttributedString result;
    result.text_ = text_.substr(range.location, range.length);
    if (range.length == 0) return result;
    const NSUInteger end = range.location + range.length;
    const NSAttributeRuns& all = runs();
    result.runs_ = std::make_shared<NSAttributeRuns>();
    for (std::size_t run = all.find(range.location); run < all.size() && all.startOf(run) < end; ++run)
        result.runs_->append(Run { std::min(all[run].end, end) - range.location, all[run].attributes });
    return result;
}

bool NSAttributedString::isEqualToAttributedString(const NSAttributedString& other) const
{
    if (text_ != other.text_) return false;
    if (runs_ == other.runs_) return true;
    const NSAttributeRuns& mine = runs();
    const NSAttributeRuns& theirs = other.runs();
    if (mine.size() != theirs.size()) return false;
    for (std::size_t run = 0; run < mine.size(); ++run) {
        if (mine[run].end != theirs[run].end || !NSAttributeDictionaryEqual(mine[run].attributes, theirs[run].attributes))
            return false;
    }
    return true;
}

// NSMutableAttributedString

NSAttributeRuns& NSMutableAttributedString::mutableRuns()
{
    if (!runs_) runs_ = std::make_shared<NSAttributeRuns>();
    else if (runs_.use_count() > 1) runs_ = std::make_shared<NSAttributeRuns>(*runs_);
    return *runs_;
}

void NSMutableAttributedString::spliceRuns(std::size_t first, std::size_t last, Run* pieces, std::size_t count)
{
    // Shared runs that are all replaced need no copy first (a recolouring starts that way).
    if (runs_ && runs_.use_count() > 1 && first == 0 && last == runs_->size()) {
        runs_ = std::make_shared<NSAttributeRuns>();
        last = 0;
    }
    NSAttributeRuns& all = mutableRuns();
    std::size_t kept = 0;
    for (std::size_t piece = 0; piece < count; ++piece) {
        if (kept > 0 && NSAttributeDictionaryEqual(pieces[kept - 1].attributes, pieces[piece].attributes)) {
            pieces[kept - 1].end = pieces[piece].end;
        } else {
            if (kept != piece) pieces[kept] = std::move(pieces[piece]);
            ++kept;
        }
    }
    if (kept == 0) {
        // The runs either side of what went meet.
        if (first > 0 && last < all.size() && NSAttributeDictionaryEqual(all[first - 1].attributes, all[last].attributes)) {
            Run joined { all[last].end, all[first - 1].attributes };
            all.replace(first - 1, last + 1, &joined, 1);
        } else {
            all.replace(first, last, nullptr, 0);
        }
        return;
    }
    if (first > 0 && NSAttributeDictionaryEqual(all[first - 1].attributes, pieces[0].attributes)) {
        --first;
        pieces[0].attributes = all[first].attributes;
    }
    if (last < all.size() && NSAttributeDictionaryEqual(all[last].attributes, pieces[kept - 1].attributes)) {
        pieces[kept - 1].end = all[last].end;
        ++last;
    }
    all.replace(first, last, pieces, kept);
}

void NSMutableAttributedString::setAttributes(const NSAttributeDictionary& attributes, NSRange range)
{
    setAttributes(shareAttributes(attributes), range);
}

void NSMutableAttributedString::setAttributes(NSAttributeDictionaryRef attributes, NSRange range)
{
    checkRange(range, "setAttributes");
    if (range.length == 0) return;
    if (!attributes) attributes = emptyAttributes();
    const NSUInteger end = range.location + range.length;
    const NSAttributeRuns& all = runs();
    const std::size_t first = all.find(range.location);
    const std::size_t last = all[first].end >= end ? first : all.find(end - 1);
    // A range that already has an equal set stays as it is: recolouring mostly rewrites what
    // is there.
    if (first == last && NSAttributeDictionaryEqual(all[first].attributes, attributes)) return;
    Run pieces[3];
    std::size_t count = 0;
    if (all.startOf(first) < range.location) pieces[count++] = Run { range.location, all[first].attributes };
    pieces[count++] = Run { end, std::move(attributes) };
    if (all[last].end > end) pieces[count++] = Run { all[last].end, all[last].attributes };
    spliceRuns(first, last + 1, pieces, count);
}

void NSMutableAttributedString::transformAttributes(
    NSRange range, const std::function<NSAttributeDictionaryRef(const NSAttributeDictionaryRef&)>& change)
{
    if (range.length == 0) return;
    const NSUInteger end = range.location + range.length;
    const NSAttributeRuns& all = runs();
    const std::size_t first = all.find(range.location);
    const std::size_t last = all.find(end - 1);
    std::vector<Run> pieces;
    pieces.reserve(last - first + 3);
    if (all.startOf(first) < range.location) pieces.push_back(Run { range.location, all[first].attributes });
    // Runs share a few sets (a text coloured by records holds a handful): change each set once.
    std::vector<std::pair<const NSAttributeDictionary*, NSAttributeDictionaryRef>> changed;
    bool changes = false;
    for (std::size_t run = first; run <= last; ++run) {
        const NSAttributeDictionaryRef& source = all[run].attributes;
        auto known = std::find_if(changed.begin(), changed.end(), [&](const auto& entry) { return entry.first == source.get(); });
        if (known == changed.end()) known = changed.insert(changed.end(), { source.get(), change(source) });
        changes = changes || known->second != source;
        pieces.push_back(Run { std::min(all[run].end, end), known->second });
    }
    if (!changes) return;
    if (all[last].end > end) pieces.push_back(Run { all[last].end, all[last].attributes });
    spliceRuns(first, last + 1, pieces.data(), pieces.size());
}

void NSMutableAttributedString::addAttribute(const std::string& name, std::shared_ptr<const NSObject> value, NSRange range)
{
    checkRange(range, "addAttribute");
    transformAttributes(range, [&](const NSAttributeDictionaryRef& old) {
        auto changed = std::make_shared<NSAttributeDictionary>(*old);
        (*changed)[name] = value;
        return changed;
    });
}

void NSMutableAttributedString::addAttributes(const NSAttributeDictionary& attributes, NSRange range)
{
    checkRange(range, "addAttributes");
    transformAttributes(range, [&](const NSAttributeDictionaryRef& old) {
        auto changed = std::make_shared<NSAttributeDictionary>(*old);
        for (const auto& [name, value] : attributes) (*changed)[name] = value;
        return changed;
    });
}

void NSMutableAttributedString::removeAttribute(std::string_view name, NSRange range)
{
    checkRange(range, "removeAttribute");
    transformAttributes(range, [&](const NSAttributeDictionaryRef& old) -> NSAttributeDictionaryRef {
        if (old->find(name) == old->end()) return old;
        auto changed = std::make_shared<NSAttributeDictionary>(*old);
        changed->erase(changed->find(name));
        return changed;
    });
}

void NSMutableAttributedString::replaceRuns(NSRange range, std::u16string_view text, const Run* inserted, std::size_t count)
{
    const NSUInteger end = range.location + range.length;
    const auto delta = static_cast<std::ptrdiff_t>(text.size()) - static_cast<std::ptrdiff_t>(range.length);
    const NSAttributeRuns& all = runs();
    const std::size_t first = range.location < text_.size() ? all.find(range.location) : all.size();
    // An insertion inside a run cuts it in two.
    const std::size_t last = range.length > 0 ? all.find(end - 1) + 1 : std::min(first + 1, all.size());
    std::vector<Run> pieces;
    pieces.reserve(count + 2);
    if (first < all.size() && all.startOf(first) < range.location) pieces.push_back(Run { range.location, all[first].attributes });
    for (std::size_t run = 0; run < count; ++run)
        pieces.push_back(Run { range.location + inserted[run].end, inserted[run].attributes });
    if (last > first && all[last - 1].end > end)
        pieces.push_back(Run { static_cast<NSUInteger>(static_cast<std::ptrdiff_t>(all[last - 1].end) + delta), all[last - 1].attributes });
    text_.replace(range.location, range.length, text);
    mutableRuns().shiftEnds(last, delta);
    spliceRuns(first, last, pieces.data(), pieces.size());
}

void NSMutableAttributedString::replaceCharactersInRange(NSRange range, std::u16string_view text)
{
    checkRange(range, "replaceCharactersInRange");
    Run inserted;
    if (!text.empty()) {
        const NSAttributeRuns& all = runs();
        if (range.length > 0) inserted.attributes = all[all.find(range.location)].attributes;
        else if (range.location > 0) inserted.attributes = all[all.find(range.location - 1)].attributes;
        else if (!text_.empty()) inserted.attributes = all[0].attributes;
        else inserted.attributes = emptyAttributes();
        inserted.end = text.size();
    }
    replaceRuns(range, text, &inserted, text.empty() ? 0 : 1);
}

void NSMutableAttributedString::replaceCharactersInRange(NSRange range, const NSAttributedString& text)
{
    checkRange(range, "replaceCharactersInRange");
    // A copy (sharing the runs) first: the argument may be this string.
    const NSAttributedString copy = text;
    std::vector<Run> inserted;
    const NSAttributeRuns& theirs = runsOf(copy);
    inserted.reserve(theirs.size());
    for (std::size_t run = 0; run < theirs.size(); ++run) inserted.push_back(theirs[run]);
    replaceRuns(range, copy.string(), inserted.data(), inserted.size());
}

void NSMutableAttributedString::insertAttributedString(const NSAttributedString& text, NSUInteger location)
{
    replaceCharactersInRange(NSRange { location, 0 }, text);
}

void NSMutableAttributedString::appendAttributedString(const NSAttributedString& text)
{
    replaceCharactersInRange(NSRange { text_.size(), 0 }, text);
}

void NSMutableAttributedString::deleteCharactersInRange(NSRange range)
{
    replaceCharactersInRange(range, std::u16string_view {});
}

void NSMutableAttributedString::setAttributedString(const NSAttributedString& text)
{
    NSAttributedString::operator=(text);
}
