#include "xls/earlier_style_records.h"

#include <optional>

#include "xls/biff_records.h"

namespace tabulox {

bool IsFormatRecord(BiffVersion version, std::uint16_t type) {
  return type == kRecordFormatBiff2 || (version >= BiffVersion::kBiff4 && type == kRecordFormat);
}

bool IsXFRecord(BiffVersion version, std::uint16_t type) {
  switch (version) {
    case BiffVersion::kBiff2:
      return type == kRecordXFBiff2;
    case BiffVersion::kBiff3:
      return type == kRecordXFBiff3;
    case BiffVersion::kBiff4:
      return type == kRecordXFBiff4;
    default:
      return type == kRecordXF;
  }
}

bool ReadEarlierFormat(std::span<const std::uint8_t> payload, std::uint16_t type,
                       BiffVersion version, std::uint16_t position,
                       const CodePageStrings& strings, FormatRecord& format) {
  std::size_t codeStart = 0;
  std::uint16_t index = position;
  if (type == kRecordFormatBiff2) {
    // The code alone.
  } else if (version == BiffVersion::kBiff4) {
    codeStart = 2;
  } else {
    if (payload.size() < 2) return false;
    codeStart = 2;
    index = LoadU16le(payload, 0);
  }
  if (payload.size() < codeStart) return false;
  const std::optional<std::span<const std::uint8_t>> chars =
      CountedChars(payload.subspan(codeStart), 1, strings.bytesPerCount());
  if (!chars) return false;
  format.recordType = kRecordFormat;
  format.formatIndex = index;
  format.indexIsOrder = type == kRecordFormatBiff2 || version == BiffVersion::kBiff4;
  format.flags = 1;
  format.code.clear();
  strings.AppendUnits(*chars, format.code);
  format.charCount = static_cast<std::uint16_t>(format.code.size());
  return true;
}

bool ReadEarlierXF(std::span<const std::uint8_t> payload, BiffVersion version, XfEntry& xf) {
  switch (version) {
    case BiffVersion::kBiff2:
      if (payload.size() < 3) return false;
      xf.fontIndex = payload[0];
      xf.formatIndex = payload[2] & 0x3F;
      return true;
    case BiffVersion::kBiff3:
    case BiffVersion::kBiff4:
      if (payload.size() < 2) return false;
      xf.fontIndex = payload[0];
      xf.formatIndex = payload[1];
      return true;
    default:
      if (payload.size() < 4) return false;
      xf.fontIndex = LoadU16le(payload, 0);
      xf.formatIndex = LoadU16le(payload, 2);
      return true;
  }
}

}  // namespace tabulox
