#include "large_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace tabulox {

namespace {

constexpr std::uintptr_t kSmallPage = 4096;
constexpr std::uintptr_t kLargePage = 2u * 1024 * 1024;

}  // namespace

void AdviseLargePages(void* data, std::size_t bytes, Filling filling) {
#ifdef MADV_HUGEPAGE
  // Below one large page there is nothing to gain.
  if (data == nullptr || bytes < kLargePage) return;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t end = start + bytes;
  const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = end & ~(kLargePage - 1);
  // Failures (an old kernel, large pages turned off) leave ordinary pages.
  if (first < last) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  // A buffer filled front to back writes the small pages before its first
  // large one before anything else: up to 511 of them, made present in one
  // request rather than one fault each. Of a buffer that is filled whole, the
  // small pages at its end too.
  const std::uintptr_t pagesStart = start & ~(kSmallPage - 1);
  const std::uintptr_t pagesEnd =
      filling == Filling::kWhole ? (end + kSmallPage - 1) & ~(kSmallPage - 1) : first;
  if (pagesStart < pagesEnd && first < last)
    ::madvise(reinterpret_cast<void*>(pagesStart), pagesEnd - pagesStart, MADV_POPULATE_WRITE);
#endif
#else
  (void)data;
  (void)bytes;
  (void)filling;
#endif
}

}  // namespace tabulox
