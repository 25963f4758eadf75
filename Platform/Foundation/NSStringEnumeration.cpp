#include "Platform/Foundation/NSStringEnumeration.h"

#include <unicode/ubrk.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct BreakIteratorDeleter {
    void operator()(UBreakIterator* b) const { ubrk_close(b); }
};

}

void enumerateSubstringsInRange(std::u16string_view text, NSRange range, NSStringEnumerationOptions options,
                                const NSStringEnumerationBlock& block)
{
    if (options != NSStringEnumerationByWords || !block) {
        return;
    }
    const NSUInteger start = std::min<NSUInteger>(range.location, text.size());
    const NSUInteger end = std::min<NSUInteger>(text.size(), start + std::min<NSUInteger>(range.length, text.size() - start));
    if (start >= end) {
        return;
    }
    const std::u16string_view part = text.substr(start, end - start);
    // Opening a word iterator loads its rules; each thread keeps one and points it at the text.
    thread_local std::unique_ptr<UBreakIterator, BreakIteratorDeleter> words;
    UErrorCode status = U_ZERO_ERROR;
    if (!words) {
        words.reset(ubrk_open(UBRK_WORD, "", nullptr, 0, &status));
        if (U_FAILURE(status)) {
            words.reset();
            return;
        }
    }
    ubrk_setText(words.get(), reinterpret_cast<const UChar*>(part.data()), static_cast<int32_t>(part.size()), &status);
    if (U_FAILURE(status)) {
        return;
    }
    std::vector<NSRange> found;
    int32_t from = ubrk_first(words.get());
    for (int32_t to = ubrk_next(words.get()); to != UBRK_DONE; from = to, to = ubrk_next(words.get())) {
        if (ubrk_getRuleStatus(words.get()) != UBRK_WORD_NONE) {
            found.push_back(NSMakeRange(start + static_cast<NSUInteger>(from), static_cast<NSUInteger>(to - from)));
        }
    }
    // Detach before calling out: the block may enumerate again.
    ubrk_setText(words.get(), nullptr, 0, &status);
    for (std::size_t i = 0; i < found.size(); ++i) {
        const NSUInteger enclosingStart = i == 0 ? start : found[i].location;
        const NSUInteger enclosingEnd = i + 1 < found.size() ? found[i + 1].location : end;
        bool stop = false;
        block(text.substr(found[i].location, found[i].length), found[i],
              NSMakeRange(enclosingStart, enclosingEnd - enclosingStart), &stop);
        if (stop) {
            break;
        }
    }
}
