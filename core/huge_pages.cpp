#include "core/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace tabulox {

namespace {

constexpr std::uintptr_t kHugePageBytes = 2u * 1024 * 1024;

}  // namespace

void AdviseHugePages(const void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  if (size < kLeastHugePageRoom) return;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const std::uintptr_t end = (start + size) & ~(kHugePageBytes - 1);
  if (end <= first) return;
  ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

void* AllocateHugePageRoom(std::size_t bytes) {
  if (bytes < kLeastHugePageRoom) return ::operator new(bytes);
  const std::size_t rounded = (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  void* room = std::aligned_alloc(kHugePageBytes, rounded);
  if (room == nullptr) throw std::bad_alloc();
  AdviseHugePages(room, rounded);
  return room;
}

void FreeHugePageRoom(void* room, std::size_t bytes) {
  if (bytes < kLeastHugePageRoom) {
    ::operator delete(room);
  } else {
    std::free(room);
  }
}

}  // namespace tabulox
