// A bounded little-endian cursor over a span of bytes. Every typed read checks
// the remaining length first and raises ExtractionError instead of reading past
// the end, so format code never does raw pointer arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "core/extraction_error.h"

namespace tabulox {

// Little-endian fields at `at` within bytes that a ByteReader handed out whole
// (ByteReader::bytes), so that a record's fixed fields cost one bounds check.
inline std::uint16_t LoadU16le(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline std::uint32_t LoadU32le(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }
  bool atEnd() const { return pos_ >= bytes_.size(); }

  // Moves to an absolute position; a position past the end is clamped to it.
  void seek(std::size_t pos) { pos_ = pos < bytes_.size() ? pos : bytes_.size(); }

  void skip(std::size_t count) {
    need(count);
    pos_ += count;
  }

  std::uint8_t u8() {
    need(1);
    return bytes_[pos_++];
  }

  std::uint16_t u16le() { return LoadU16le(bytes(2), 0); }

  std::uint32_t u32le() { return LoadU32le(bytes(4), 0); }

  std::uint64_t u64le() {
    const std::uint64_t lo = u32le();
    const std::uint64_t hi = u32le();
    return lo | (hi << 32);
  }

  double f64le() {
    const std::uint64_t bits = u64le();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  // The next count bytes, consumed.
  std::span<const std::uint8_t> bytes(std::size_t count) {
    need(count);
    auto out = bytes_.subspan(pos_, count);
    pos_ += count;
    return out;
  }

  // A view of the bytes between the cursor and the end, not consumed.
  std::span<const std::uint8_t> rest() const { return bytes_.subspan(pos_); }

 private:
  void need(std::size_t count) const {
    if (count > bytes_.size() - pos_) throw ExtractionError("read past the end of the data");
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

}  // namespace tabulox
