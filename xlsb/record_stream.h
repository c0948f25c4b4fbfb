// The records of a binary workbook part ([MS-XLSB] 2.1.4): each a record
// type and a size, both written 7 bits to a byte (the high bit says another
// byte follows), then that many bytes of payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/block_source.h"

namespace tabulox {

struct XlsbRecord {
  std::uint32_t type = 0;
  std::span<const std::uint8_t> payload;
};

// Reads the records of a part block by block: memory follows the largest
// record, not the part. A payload stays valid until the next call.
class XlsbRecordStream {
 public:
  explicit XlsbRecordStream(const BlockSource& source) : source_(source) {}

  // The next record; false at the end of the part. Raises ExtractionError
  // for a record cut short (a header or payload the part ends within) and for
  // a type or size written in more bytes than allowed (2 and 4).
  bool Next(XlsbRecord& record);

 private:
  // Makes `count` bytes available from the cursor; false when the part ends
  // before.
  bool Fill(std::size_t count);
  // The header's next 7-bit group byte; raises at the end of the part.
  std::uint8_t HeaderByte();

  const BlockSource& source_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool ended_ = false;
};

}  // namespace tabulox
