// Large buffers backed by 2 MiB pages where the kernel offers them.
#pragma once

#include <cstddef>
#include <new>

namespace tabulox {

// Advises the kernel to back the whole 2 MiB pages inside the `size` bytes at
// `data` with transparent huge pages (madvise MADV_HUGEPAGE). Call it after a
// buffer's room is reserved and before it is written: a buffer written whole
// then costs one page fault per 2 MiB instead of one per 4 KiB, which on
// virtual machines is most of the time taken to fill a large buffer. Only a
// hint: nothing changes where the kernel does not take it, and buffers below
// a few MiB are left alone.
void AdviseHugePages(const void* data, std::size_t size);

// The same for the whole room a container has reserved.
template <typename Container>
void AdviseHugePagesForRoom(const Container& buffer) {
  AdviseHugePages(buffer.data(), buffer.capacity() * sizeof(*buffer.data()));
}

// Room of at least this many bytes is worth 2 MiB pages.
inline constexpr std::size_t kLeastHugePageRoom = 4u * 1024 * 1024;

// Room of kLeastHugePageRoom bytes or more that starts on a 2 MiB boundary and
// ends on one, advised as above, so that every page of it can be a huge one;
// smaller room from operator new.
void* AllocateHugePageRoom(std::size_t bytes);
void FreeHugePageRoom(void* room, std::size_t bytes);

// An allocator for a container that is filled whole and is large (a file's
// bytes): its room comes from AllocateHugePageRoom.
template <typename T>
struct HugePageAllocator {
  using value_type = T;
  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateHugePageRoom(n * sizeof(T))); }
  void deallocate(T* room, std::size_t n) { FreeHugePageRoom(room, n * sizeof(T)); }
  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
};

}  // namespace tabulox
