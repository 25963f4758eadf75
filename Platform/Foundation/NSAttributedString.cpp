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
    for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
        if (ia->first != ib->first || !valuesEqual(ia->second, ib->second)) return false;
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
    if (!attributes) attributes = std::make_shared<const NSAttributeDictionary>();
    if (!text_.empty()) runs_.emplace(0, std::move(attributes));
}

NSAttributedString::Runs::const_iterator NSAttributedString::runAt(NSUInteger index) const
{
    return std::prev(runs_.upper_bound(index));
}

NSUInteger NSAttributedString::runEnd(Runs::const_iterator run) const
{
    const auto next = std::next(run);
    return next == runs_.end() ? text_.size() : next->first;
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
    const auto run = runAt(index);
    if (effectiveRange) *effectiveRange = NSRange { run->first, runEnd(run) - run->first };
    return run->second;
}

std::shared_ptr<const NSObject> NSAttributedString::attributeAtIndex(std::string_view name, NSUInteger index,
                                                                     NSRange* effectiveRange) const
{
    if (index >= text_.size()) raiseRange("attributeAtIndex", NSRange { index, 0 }, text_.size());
    const auto run = runAt(index);
    const auto& value = run->second->objectForKey(name);
    if (effectiveRange) {
        auto first = run;
        while (first != runs_.begin() && valuesEqual(std::prev(first)->second->objectForKey(name), value)) --first;
        auto last = run;
        for (auto next = std::next(last); next != runs_.end() && valuesEqual(next->second->objectForKey(name), value); ++next)
            last = next;
        *effectiveRange = NSRange { first->first, runEnd(last) - first->first };
    }
    return value;
}

void NSAttributedString::enumerateAttributesInRange(
    NSRange range, const std::function<void(const NSAttributeDictionary&, NSRange)>& block) const
{
    checkRange(range, "enumerateAttributesInRange");
    if (range.length == 0) return;
    const NSUInteger end = range.location + range.length;
    for (auto run = runAt(range.location); run != runs_.end() && run->first < end; ++run) {
        const NSUInteger from = std::max(run->first, range.location);
        const NSUInteger to = std::min(runEnd(run), end);
        block(*run->second, NSRange { from, to - from });
    }
}

NSAttributedString NSAttributedString::attributedSubstringFromRange(NSRange range) const
{
    checkRange(range, "attributedSubstringFromRange");
    NSAttributedString result;
    result.text_ = text_.substr(range.location, range.length);
    if (range.length == 0) return result;
    const NSUInteger end = range.location + range.length;
    for (auto run = runAt(range.location); run != runs_.end() && run->first < end; ++run)
        result.runs_.emplace_hint(result.runs_.end(), std::max(run->first, range.location) - range.location, run->second);
    return result;
}

bool NSAttributedString::isEqualToAttributedString(const NSAttributedString& other) const
{
    if (text_ != other.text_ || runs_.size() != other.runs_.size()) return false;
    for (auto a = runs_.begin(), b = other.runs_.begin(); a != runs_.end(); ++a, ++b) {
        if (a->first != b->first || !NSAttributeDictionaryEqual(a->second, b->second)) return false;
    }
    return true;
}

// NSMutableAttributedString

NSAttributedString::Runs::iterator NSMutableAttributedString::splitAt(NSUInteger position)
{
    if (position >= text_.size()) return runs_.end();
    auto run = std::prev(runs_.upper_bound(position));
    if (run->first == position) return run;
    return runs_.emplace_hint(std::next(run), position, run->second);
}

void NSMutableAttributedString::mergeRuns(Runs::iterator first, Runs::iterator last)
{
    if (first == runs_.end()) return;
    const auto stop = last == runs_.end() ? runs_.end() : std::next(last);
    auto kept = first;
    for (auto run = std::next(first); run != stop;) {
        if (NSAttributeDictionaryEqual(kept->second, run->second)) {
            run = runs_.erase(run);
        } else {
            kept = run;
            ++run;
        }
    }
}

void NSMutableAttributedString::setAttributes(const NSAttributeDictionary& attributes, NSRange range)
{
    setAttributes(shareAttributes(attributes), range);
}

void NSMutableAttributedString::setAttributes(NSAttributeDictionaryRef attributes, NSRange range)
{
    checkRange(range, "setAttributes");
    if (range.length == 0) return;
    if (!attributes) attributes = std::make_shared<const NSAttributeDictionary>();
    const auto first = splitAt(range.location);
    const auto end = splitAt(range.location + range.length);
    first->second = std::move(attributes);
    runs_.erase(std::next(first), end);
    mergeRuns(first == runs_.begin() ? first : std::prev(first), end);
}

void NSMutableAttributedString::transformAttributes(
    NSRange range, const std::function<NSAttributeDictionaryRef(const NSAttributeDictionaryRef&)>& change)
{
    if (range.length == 0) return;
    const auto first = splitAt(range.location);
    const auto end = splitAt(range.location + range.length);
    // Runs share a few sets (a text coloured by records holds a handful): change each set once.
    std::vector<std::pair<const NSAttributeDictionary*, NSAttributeDictionaryRef>> changed;
    for (auto run = first; run != end; ++run) {
        const NSAttributeDictionary* source = run->second.get();
        auto known = std::find_if(changed.begin(), changed.end(), [source](const auto& entry) { return entry.first == source; });
        if (known == changed.end()) known = changed.insert(changed.end(), { source, change(run->second) });
        run->second = known->second;
    }
    mergeRuns(first == runs_.begin() ? first : std::prev(first), end);
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

void NSMutableAttributedString::replaceRuns(NSRange range, std::u16string_view text, const Runs& newRuns)
{
    const auto first = splitAt(range.location);
    const auto end = splitAt(range.location + range.length);
    runs_.erase(first, end);
    text_.replace(range.location, range.length, text);
    // Shift what follows (order is kept, and no shifted start meets one before the range).
    if (text.size() != range.length) {
        std::vector<Runs::node_type> following;
        for (auto run = runs_.lower_bound(range.location); run != runs_.end();) {
            auto next = std::next(run);
            following.push_back(runs_.extract(run));
            run = next;
        }
        for (auto& node : following) {
            node.key() = node.key() - range.length + text.size();
            runs_.insert(runs_.end(), std::move(node));
        }
    }
    for (const auto& [start, attributes] : newRuns) runs_.emplace(start + range.location, attributes);
    if (runs_.empty()) return;
    auto from = runs_.lower_bound(range.location);
    if (from != runs_.begin()) --from;
    mergeRuns(from, runs_.lower_bound(range.location + text.size()));
}

void NSMutableAttributedString::replaceCharactersInRange(NSRange range, std::u16string_view text)
{
    checkRange(range, "replaceCharactersInRange");
    Runs newRuns;
    if (!text.empty()) {
        NSAttributeDictionaryRef attributes;
        if (range.length > 0) attributes = runAt(range.location)->second;
        else if (range.location > 0) attributes = runAt(range.location - 1)->second;
        else if (!text_.empty()) attributes = runs_.begin()->second;
        else attributes = std::make_shared<const NSAttributeDictionary>();
        newRuns.emplace(0, std::move(attributes));
    }
    replaceRuns(range, text, newRuns);
}

void NSMutableAttributedString::replaceCharactersInRange(NSRange range, const NSAttributedString& text)
{
    checkRange(range, "replaceCharactersInRange");
    // Copy first: the argument may be this string.
    const NSAttributedString copy = text;
    replaceRuns(range, copy.string(), runsOf(copy));
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
