#include "large_pages.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

namespace tabulox {

namespace {

constexpr std::uintptr_t kSmallPage = 4096;
constexpr std::uintptr_t kLargePage = 2u * 1024 * 1024;

// What the C library's allocator adds to an allocation it maps on its own:
// a size word before the elements, the whole rounded to 16 bytes.
constexpr std::size_t kAllocatorOverhead = 32;

// MADV_COLLAPSE of Linux 6.1, not named by every C library's headers; older
// kernels refuse it, which leaves small pages.
#ifdef MADV_COLLAPSE
constexpr int kCollapseIntoLargePages = MADV_COLLAPSE;
#else
constexpr int kCollapseIntoLargePages = 25;
#endif

}  // namespace

void KeepLargeAllocationsMapped() {
#ifdef M_MMAP_THRESHOLD
  // Setting the bound also ends its adjustment.
  ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

std::size_t LargePageCapacity(std::size_t count, std::size_t elementSize, std::size_t extra) {
  if (elementSize == 0 || count > (SIZE_MAX - extra - kLargePage) / elementSize) return count;
  const std::size_t bytes = count * elementSize + extra + kAllocatorOverhead;
  if (bytes < kSmallestRoundedRoom) return count;
  const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  return (rounded - kAllocatorOverhead - extra) / elementSize;
}

void AdviseLargePages(void* data, std::size_t bytes, Filling filling) {
#ifdef MADV_HUGEPAGE
  if (data == nullptr || bytes == 0) return;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t end = start + bytes;
  // The large pages inside the range, and those it fills but for the small
  // page at either end that it shares with the allocator's bookkeeping: the
  // advice only changes how that page is backed.
  const std::uintptr_t startPage = start & ~(kLargePage - 1);
  const std::uintptr_t first =
      start - startPage < kSmallPage ? startPage : startPage + kLargePage;
  const std::uintptr_t endPage = (end + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = endPage - end < kSmallPage ? endPage : endPage - kLargePage;
  // Failures (an old kernel, large pages turned off) leave ordinary pages.
  if (first < last) {
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    // The small page shared with the bookkeeping was written before the
    // advice, so its large page would stay in small pages: it is turned into
    // a large one now.
    if (first < start) ::madvise(reinterpret_cast<void*>(first), kLargePage, kCollapseIntoLargePages);
  }
#ifdef MADV_POPULATE_WRITE
  if (filling == Filling::kWhole) {
    const std::uintptr_t pagesStart = start & ~(kSmallPage - 1);
    const std::uintptr_t pagesEnd = (end + kSmallPage - 1) & ~(kSmallPage - 1);
    ::madvise(reinterpret_cast<void*>(pagesStart), pagesEnd - pagesStart, MADV_POPULATE_WRITE);
  }
#endif
#else
  (void)data;
  (void)bytes;
  (void)filling;
#endif
}

}  // namespace tabulox
