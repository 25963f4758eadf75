#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Platform/Foundation/NSString.h"

class NSAttributeDictionary;
using NSAttributeDictionaryRef = std::shared_ptr<const NSAttributeDictionary>;

// The runs of an attributed string: (end offset, shared set) in text order, ends strictly
// increasing, the last end the text's length. A flat array with a gap where the last change
// was made: the colouring engine writes its ranges pass after pass from the text's start to
// its end, so each change moves only the few runs between it and the previous one, and a
// lookup stays a binary search.
class NSAttributeRuns {
public:
    struct Run {
        NSUInteger end { 0 };
        NSAttributeDictionaryRef attributes;
    };

    NSAttributeRuns() = default;
    // A copy holds only the runs, without the gap.
    NSAttributeRuns(const NSAttributeRuns& other);
    NSAttributeRuns& operator=(const NSAttributeRuns&) = delete;

    [[nodiscard]] std::size_t size() const { return items_.size() - (gapEnd_ - gapBegin_); }
    [[nodiscard]] bool empty() const { return size() == 0; }
    [[nodiscard]] const Run& operator[](std::size_t index) const
    {
        return items_[index < gapBegin_ ? index : index + (gapEnd_ - gapBegin_)];
    }
    [[nodiscard]] NSUInteger startOf(std::size_t index) const { return index == 0 ? 0 : (*this)[index - 1].end; }
    // The run holding the character at offset (offset below the last end): the first run
    // ending after it.
    [[nodiscard]] std::size_t find(NSUInteger offset) const;

    void append(Run run);
    // Replaces the runs [first, last) by count runs, moved from pieces.
    void replace(std::size_t first, std::size_t last, Run* pieces, std::size_t count);
    // Adds delta to the end of every run from index on (after the text there moved).
    void shiftEnds(std::size_t from, std::ptrdiff_t delta);

private:
    void moveGapTo(std::size_t index);
    void reserveGap(std::size_t count);

    // Runs before the gap at [0, gapBegin_), after it at [gapEnd_, size); gap slots hold no set.
    std::vector<Run> items_;
    std::size_t gapBegin_ { 0 };
    std::size_t gapEnd_ { 0 };
};
