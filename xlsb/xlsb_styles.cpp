#include "xlsb/xlsb_styles.h"

#include "core/byte_reader.h"
#include "xlsb/record_stream.h"
#include "xlsb/xlsb_records.h"

namespace tabulox {
namespace {

// ifmt, then stFmtCode (an XLWideString), kept as UTF-16 as a FORMAT
// record's code is.
FormatRecord ReadFmt(std::span<const std::uint8_t> payload) {
  ByteReader in(payload);
  FormatRecord format;
  format.recordType = static_cast<std::uint16_t>(xlsb::kFmt);
  format.formatIndex = in.u16le();
  const std::uint32_t count = in.u32le();
  const std::span<const std::uint8_t> units = in.bytes(std::size_t{count} * 2);
  format.code.reserve(count);
  for (std::size_t i = 0; i < units.size(); i += 2) format.code.push_back(LoadU16le(units, i));
  return format;
}

}  // namespace

void LoadXlsbStyles(const BlockSource& source, StyleTable& styles) {
  XlsbRecordStream records(source);
  XlsbRecord record;
  bool inCellXfs = false;
  while (records.Next(record)) {
    switch (record.type) {
      case xlsb::kFmt:
        AddFormat(styles, ReadFmt(record.payload));
        break;
      case xlsb::kBeginCellXfs:
        inCellXfs = true;
        break;
      case xlsb::kEndCellXfs:
        inCellXfs = false;
        break;
      case xlsb::kXf:
        if (inCellXfs) {
          // ixfeParent, then iFmt.
          ByteReader in(record.payload);
          in.skip(2);
          XfEntry xf;
          xf.formatIndex = in.u16le();
          AddXF(styles, xf);
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace tabulox
