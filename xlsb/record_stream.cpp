#include "xlsb/record_stream.h"

#include "core/extraction_error.h"

namespace tabulox {
namespace {

constexpr int kMostTypeBytes = 2;
constexpr int kMostSizeBytes = 4;

}  // namespace

bool XlsbRecordStream::Fill(std::size_t count) {
  while (buffer_.size() - pos_ < count) {
    if (ended_) return false;
    // Drops what was read once it is most of the buffer, so the buffer stays
    // within about twice the largest record or block.
    if (pos_ > 0 && pos_ >= buffer_.size() / 2) {
      buffer_.erase(0, pos_);
      pos_ = 0;
    }
    if (!source_(buffer_)) ended_ = true;
  }
  return true;
}

std::uint8_t XlsbRecordStream::HeaderByte() {
  if (!Fill(1)) throw ExtractionError("record header cut short");
  return static_cast<std::uint8_t>(buffer_[pos_++]);
}

bool XlsbRecordStream::Next(XlsbRecord& record) {
  if (!Fill(1)) return false;
  std::uint32_t type = 0;
  for (int i = 0;; ++i) {
    if (i == kMostTypeBytes) throw ExtractionError("record type too long");
    const std::uint8_t byte = HeaderByte();
    type |= static_cast<std::uint32_t>(byte & 0x7F) << (7 * i);
    if ((byte & 0x80) == 0) break;
  }
  std::uint32_t size = 0;
  for (int i = 0;; ++i) {
    if (i == kMostSizeBytes) throw ExtractionError("record size too long");
    const std::uint8_t byte = HeaderByte();
    size |= static_cast<std::uint32_t>(byte & 0x7F) << (7 * i);
    if ((byte & 0x80) == 0) break;
  }
  if (!Fill(size)) throw ExtractionError("record cut short");
  record.type = type;
  record.payload = {reinterpret_cast<const std::uint8_t*>(buffer_.data()) + pos_, size};
  pos_ += size;
  return true;
}

}  // namespace tabulox
