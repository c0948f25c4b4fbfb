#include "prepend_text.h"

#include <cstring>
#include <system_error>

#include "processor_cores.h"
#include "second_thread.h"

namespace tabulox {

void PrependInPlace(std::string& text, std::string_view head) {
  const std::size_t size = text.size();
  const std::size_t by = head.size();
  if (size < kBytesForTwoPartMove || by > kMostPrependedBytes || !MoreThanOneCore()) {
    text.insert(0, head);
    return;
  }
  text.resize(size + by);
  char* const bytes = text.data();
  // The earlier part [0, cut) goes to [by, cut + by), over the first bytes of
  // the later part, which are kept aside first; the later part goes from
  // cut + by on to [cut + 2 by, size + by), and its kept bytes after it. The
  // two never write where the other reads.
  const std::size_t cut = size / 2;
  char kept[kMostPrependedBytes];
  std::memcpy(kept, bytes + cut, by);
  const auto moveLater = [=, &kept] {
    std::memmove(bytes + cut + 2 * by, bytes + cut + by, size - cut - by);
    std::memcpy(bytes + cut + by, kept, by);
  };
  SecondThread later;
  try {
    later = SecondThread(moveLater);
  } catch (const std::system_error&) {
    moveLater();
  }
  std::memmove(bytes + by, bytes, cut);
  if (later.joinable()) later.join();
  std::memcpy(bytes, head.data(), by);
}

}  // namespace tabulox
