// How much text the repeats and space counts of a document may make: a
// multiple of the bytes read so far, so that a small damaged file cannot make
// an unbounded text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/extraction_error.h"

namespace tabulox {

class RepeatBudget {
 public:
  // Bytes of text a repeat may make for each byte read, and beyond them.
  static constexpr std::uint64_t kBytesPerByteRead = 64;
  static constexpr std::uint64_t kFreeBytes = 16u << 20;

  // `bytes` more were read.
  void Backed(std::size_t bytes) { allowance_ += kBytesPerByteRead * bytes; }

  // Takes `bytes` of the allowance; raises ExtractionError beyond it.
  void Spend(std::uint64_t bytes) {
    spent_ += bytes;
    if (spent_ > allowance_) throw ExtractionError("repeats beyond the bytes that back them");
  }

 private:
  std::uint64_t allowance_ = kFreeBytes;
  std::uint64_t spent_ = 0;
};

}  // namespace tabulox
