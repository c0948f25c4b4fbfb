// The hidden rows or the hidden columns of one sheet, and where the lines that
// stay stand once the hidden ones are left out.
#pragma once

#include <cstdint>
#include <vector>

namespace tabulox {

class HiddenLines {
 public:
  // Hides the lines first to last (0-based, both included). Ranges may come in
  // any order and overlap; ranges in ascending order cost a constant each.
  void Hide(std::uint32_t first, std::uint32_t last);

  bool IsHidden(std::uint32_t index) const;

  // The line's place among the lines that are not hidden: its index less the
  // hidden lines before it.
  std::uint32_t VisibleIndex(std::uint32_t index) const;

  bool Empty() const { return ranges_.empty(); }
  void Clear();

 private:
  struct Range {
    std::uint32_t first;
    std::uint32_t last;
    std::uint64_t hiddenBefore;  // hidden lines in the ranges before this one
  };

  // Sorts and merges the ranges after one came out of order.
  void Normalize() const;
  // The last range that begins at or before `index`, or null.
  const Range* RangeAtOrBefore(std::uint32_t index) const;

  mutable std::vector<Range> ranges_;
  mutable bool sorted_ = true;
};

}  // namespace tabulox
