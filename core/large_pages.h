// Room for large buffers that are filled front to back once.
//
// Every fresh 4 KiB page a conversion touches costs a page fault, and on a
// virtual machine a fault costs several microseconds: a workbook of a million
// cells touches some 50 MiB, which made faults half of its conversion time.
// Asking the kernel to back such buffers with 2 MiB pages turns thousands of
// faults into a few dozen. The advice is only advice: where the kernel has no
// large pages to give, or does not know the request, the buffer works as
// before.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>

namespace tabulox {

enum class Filling {
  kPartly,  // an estimate: part of the room may never be written
  kWhole,   // every byte is written next: its pages are made present at once
};

// Advises large pages for the whole 2 MiB pages inside the range; with
// Filling::kWhole also makes all of its pages present in one request, the
// small pages at its two ends included.
void AdviseLargePages(void* data, std::size_t bytes, Filling filling);

// Makes the C library give every allocation of 1 MiB or more a mapping of its
// own for the rest of the process. By default it raises that bound to the
// size of each large block freed, so that a second worksheet's buffers would
// come from the heap, off the 2 MiB boundaries that large pages need. For
// programs to call once at start.
void KeepLargeAllocationsMapped();

// The capacity to reserve for at least `count` elements of `elementSize`
// bytes (plus `extra` bytes a container adds, such as a string's terminator)
// so that the allocation fills whole large pages. The C library takes room
// this large from the kernel as a mapping of its own, a few bytes of
// bookkeeping before the elements; a mapping whose length is a multiple of
// 2 MiB is placed on a 2 MiB boundary by current kernels, and then every page
// of the buffer can be a large one. Where either does otherwise, only the
// interior of the buffer gets large pages, as without the rounding.
std::size_t LargePageCapacity(std::size_t count, std::size_t elementSize, std::size_t extra);

// Room from this size on is rounded up to whole large pages: one large page
// costs less to make present than the small pages it replaces, and at most
// the rest of one large page goes unused. Smaller lists keep small pages, so
// that their memory follows their use.
inline constexpr std::size_t kSmallestRoundedRoom = std::size_t{1} << 20;

// Reserves room for `count` elements in a std::vector or std::string and
// advises large pages for it, before anything is written to it.
template <typename Container>
void ReserveLarge(Container& container, std::size_t count, Filling filling = Filling::kPartly) {
  using Element = std::remove_reference_t<decltype(*container.data())>;
  // A std::string keeps a terminator after its characters.
  constexpr std::size_t kExtra =
      std::is_same_v<Container, std::basic_string<Element>> ? sizeof(Element) : 0;
  if (count <= container.capacity()) {
    AdviseLargePages(container.data(), count * sizeof(Element), filling);
    return;
  }
  container.reserve(LargePageCapacity(count, sizeof(Element), kExtra));
  AdviseLargePages(container.data(), container.capacity() * sizeof(Element), Filling::kPartly);
  if (filling == Filling::kWhole) AdviseLargePages(container.data(), count * sizeof(Element), filling);
}

}  // namespace tabulox
