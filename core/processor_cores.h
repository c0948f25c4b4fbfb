// Whether work split over two threads can run at once.
#pragma once

#include <thread>

namespace tabulox {

// True when the machine has more than one processor core. Asked of the
// system once: each asking reads a system file.
inline bool MoreThanOneCore() {
  static const bool more = std::thread::hardware_concurrency() > 1;
  return more;
}

}  // namespace tabulox
