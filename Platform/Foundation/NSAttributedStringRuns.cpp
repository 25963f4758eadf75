#include "Platform/Foundation/NSAttributedStringRuns.h"

#include <algorithm>

NSAttributeRuns::NSAttributeRuns(const NSAttributeRuns& other)
{
    items_.reserve(other.size());
    items_.insert(items_.end(), other.items_.begin(), other.items_.begin() + static_cast<std::ptrdiff_t>(other.gapBegin_));
    items_.insert(items_.end(), other.items_.begin() + static_cast<std::ptrdiff_t>(other.gapEnd_), other.items_.end());
    gapBegin_ = gapEnd_ = items_.size();
}

std::size_t NSAttributeRuns::find(NSUInteger offset) const
{
    // Changes and the lookups between them cluster where the last change was: try the runs
    // either side of the gap first.
    const bool beforeGap = gapBegin_ > 0 && items_[gapBegin_ - 1].end > offset;
    if (beforeGap && (gapBegin_ == 1 || items_[gapBegin_ - 2].end <= offset)) return gapBegin_ - 1;
    if (!beforeGap && gapEnd_ < items_.size() && items_[gapEnd_].end > offset) return gapBegin_;
    const auto before = [offset](const Run& run) { return run.end <= offset; };
    const auto begin = items_.begin();
    if (beforeGap)
        return static_cast<std::size_t>(std::partition_point(begin, begin + static_cast<std::ptrdiff_t>(gapBegin_), before) - begin);
    const auto found = std::partition_point(begin + static_cast<std::ptrdiff_t>(gapEnd_), items_.end(), before);
    return static_cast<std::size_t>(found - begin) - (gapEnd_ - gapBegin_);
}

void NSAttributeRuns::append(Run run)
{
    moveGapTo(size());
    replace(size(), size(), &run, 1);
}

void NSAttributeRuns::moveGapTo(std::size_t index)
{
    const auto at = [this](std::size_t i) { return items_.begin() + static_cast<std::ptrdiff_t>(i); };
    if (index < gapBegin_) {
        const std::size_t count = gapBegin_ - index;
        // Moved-from slots hold no set, so the gap keeps nothing alive.
        std::move_backward(at(index), at(gapBegin_), at(gapEnd_));
        gapBegin_ = index;
        gapEnd_ -= count;
    } else if (index > gapBegin_) {
        const std::size_t count = index - gapBegin_;
        std::move(at(gapEnd_), at(gapEnd_ + count), at(gapBegin_));
        gapBegin_ = index;
        gapEnd_ += count;
    }
}

void NSAttributeRuns::reserveGap(std::size_t count)
{
    if (gapEnd_ - gapBegin_ >= count) return;
    const std::size_t runs = size();
    const std::size_t capacity = std::max<std::size_t>(8, (runs + count) * 2);
    std::vector<Run> grown(capacity);
    const std::size_t after = items_.size() - gapEnd_;
    std::move(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(gapBegin_), grown.begin());
    std::move(items_.begin() + static_cast<std::ptrdiff_t>(gapEnd_), items_.end(), grown.end() - static_cast<std::ptrdiff_t>(after));
    items_ = std::move(grown);
    gapEnd_ = capacity - after;
}

void NSAttributeRuns::replace(std::size_t first, std::size_t last, Run* pieces, std::size_t count)
{
    moveGapTo(last);
    for (std::size_t i = first; i < last; ++i) items_[i].attributes.reset();
    gapBegin_ = first;
    reserveGap(count);
    std::move(pieces, pieces + count, items_.begin() + static_cast<std::ptrdiff_t>(gapBegin_));
    gapBegin_ += count;
}

void NSAttributeRuns::shiftEnds(std::size_t from, std::ptrdiff_t delta)
{
    if (delta == 0) return;
    const std::size_t gap = gapEnd_ - gapBegin_;
    for (std::size_t i = from; i < size(); ++i) {
        Run& run = items_[i < gapBegin_ ? i : i + gap];
        run.end = static_cast<NSUInteger>(static_cast<std::ptrdiff_t>(run.end) + delta);
    }
}
