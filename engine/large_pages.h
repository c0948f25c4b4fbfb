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

namespace tabulox {

enum class Filling {
  kPartly,  // an estimate: part of the room may never be written
  kWhole,   // every byte is written next: its pages are made present at once
};

// Advises large pages for the whole 2 MiB pages inside the range; with
// Filling::kWhole also makes all of its pages present in one request, the
// small pages at its two ends included.
void AdviseLargePages(void* data, std::size_t bytes, Filling filling);

// Reserves room for `count` elements in a std::vector or std::string and
// advises large pages for it, before anything is written to it.
template <typename Container>
void ReserveLarge(Container& container, std::size_t count, Filling filling = Filling::kPartly) {
  container.reserve(count);
  AdviseLargePages(container.data(), count * sizeof(*container.data()), filling);
}

}  // namespace tabulox
