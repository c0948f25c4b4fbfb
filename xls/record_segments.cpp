#include "xls/record_segments.h"

#include <array>

#include "core/engine_text.h"

namespace tabulox {
namespace {

// A stored zero character is written as a space.
constexpr std::uint16_t kSpace = 0x20;

}  // namespace

RecordSegments::RecordSegments(ByteReader& stream, const RecordHeader& header) {
  segments_.push_back(stream.bytes(header.length));
  const std::size_t after = stream.position();
  RecordHeader next;
  // An empty CONTINUE record holds nothing, not even the flag byte of cut
  // characters: the data goes on in the next one.
  while (ReadRecordHeader(stream, next) && next.type == kRecordContinue) {
    if (next.length > 0) segments_.push_back(stream.bytes(next.length));
  }
  stream.seek(after);
  current_ = ByteReader(segments_.front());
}

std::size_t RecordSegments::totalSize() const {
  std::size_t total = 0;
  for (const auto& segment : segments_) total += segment.size();
  return total;
}

bool RecordSegments::NextContinuation() {
  if (!hasNext()) return false;
  current_ = ByteReader(segments_[next_++]);
  return true;
}

bool RecordSegments::ReadChars(std::size_t count, std::size_t width, std::string& text) {
  while (width * count > current_.remaining()) {
    const std::size_t fit = current_.remaining() / width;
    AppendStoredChars(current_, fit, width, text);
    count -= fit;
    if (!NextContinuation()) return false;  // segments are never empty
    width = current_.u8() == 0 ? 1 : 2;
  }
  AppendStoredChars(current_, count, width, text);
  return true;
}

bool RecordSegments::ReadFieldBytes(std::span<std::uint8_t> out) {
  for (std::uint8_t& byte : out) {
    while (current_.atEnd())
      if (!NextContinuation()) return false;
    byte = current_.u8();
  }
  return true;
}

bool RecordSegments::ReadU8(std::uint8_t& value) { return ReadFieldBytes({&value, 1}); }

bool RecordSegments::ReadU16(std::uint16_t& value) {
  std::array<std::uint8_t, 2> bytes;
  if (!ReadFieldBytes(bytes)) return false;
  value = LoadU16le(bytes, 0);
  return true;
}

bool RecordSegments::ReadU32(std::uint32_t& value) {
  std::array<std::uint8_t, 4> bytes;
  if (!ReadFieldBytes(bytes)) return false;
  value = LoadU32le(bytes, 0);
  return true;
}

bool RecordSegments::SkipAcross(std::size_t count, std::size_t itemSize) {
  while (itemSize * count > current_.remaining()) {
    const std::size_t fit = current_.remaining() / itemSize;
    current_.skip(fit * itemSize);
    count -= fit;
    if (!NextContinuation()) return false;
  }
  current_.skip(count * itemSize);
  return true;
}

namespace {

// True when every byte is an ASCII character other than NUL: such 8-bit
// characters are their own engine text.
bool IsPlainAscii(std::span<const std::uint8_t> bytes) {
  unsigned char outside = 0;
  for (const std::uint8_t b : bytes) outside |= static_cast<std::uint8_t>(b - 1) >= 0x7F ? 1 : 0;
  return outside == 0;
}

}  // namespace

void AppendStoredChars(ByteReader& in, std::size_t count, std::size_t width, std::string& text) {
  const std::span<const std::uint8_t> bytes = in.bytes(count * width);
  if (width == 1 && IsPlainAscii(bytes)) {
    text.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return;
  }
  // Size for the longest form, write through a pointer, trim: an 8-bit
  // character takes at most two bytes of engine text, a 16-bit one three.
  const std::size_t start = text.size();
  text.resize(start + count * (width == 1 ? 2 : kMaxEngineBytesPerUnit));
  char* dst = text.data() + start;
  if (width == 1) {
    for (const std::uint8_t b : bytes) dst = WriteUtf16Unit(dst, b == 0 ? kSpace : b);
  } else {
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
      const auto unit = static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
      dst = WriteUtf16Unit(dst, unit == 0 ? kSpace : unit);
    }
  }
  text.resize(static_cast<std::size_t>(dst - text.data()));
}

}  // namespace tabulox
