#include "grid/hidden_lines.h"

#include <algorithm>

namespace tabulox {

void HiddenLines::Hide(std::uint32_t first, std::uint32_t last) {
  if (last < first) return;
  if (sorted_ && !ranges_.empty()) {
    Range& back = ranges_.back();
    if (first > back.last) {
      if (first == back.last + 1) {
        back.last = last;
      } else {
        ranges_.push_back({first, last, back.hiddenBefore + (back.last - back.first + 1)});
      }
      return;
    }
    sorted_ = false;
  }
  ranges_.push_back({first, last, 0});
}

void HiddenLines::Normalize() const {
  if (sorted_) return;
  std::sort(ranges_.begin(), ranges_.end(),
            [](const Range& a, const Range& b) { return a.first < b.first; });
  std::vector<Range> merged;
  merged.reserve(ranges_.size());
  for (const Range& range : ranges_) {
    if (!merged.empty() && range.first <= static_cast<std::uint64_t>(merged.back().last) + 1) {
      merged.back().last = std::max(merged.back().last, range.last);
    } else {
      merged.push_back(range);
    }
  }
  std::uint64_t before = 0;
  for (Range& range : merged) {
    range.hiddenBefore = before;
    before += static_cast<std::uint64_t>(range.last - range.first) + 1;
  }
  ranges_ = std::move(merged);
  sorted_ = true;
}

const HiddenLines::Range* HiddenLines::RangeAtOrBefore(std::uint32_t index) const {
  Normalize();
  auto after = std::upper_bound(ranges_.begin(), ranges_.end(), index,
                                [](std::uint32_t i, const Range& range) { return i < range.first; });
  return after == ranges_.begin() ? nullptr : &*(after - 1);
}

bool HiddenLines::IsHidden(std::uint32_t index) const {
  const Range* range = RangeAtOrBefore(index);
  return range != nullptr && index <= range->last;
}

std::uint32_t HiddenLines::VisibleIndex(std::uint32_t index) const {
  const Range* range = RangeAtOrBefore(index);
  if (range == nullptr) return index;
  const std::uint64_t hidden =
      range->hiddenBefore + (std::min(index, range->last) - range->first) + (index <= range->last ? 0 : 1);
  return static_cast<std::uint32_t>(index - hidden);
}

void HiddenLines::Clear() {
  ranges_.clear();
  sorted_ = true;
}

}  // namespace tabulox
