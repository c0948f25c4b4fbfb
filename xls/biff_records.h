// BIFF8 record framing, [MS-XLS] 2.1.4: each record is a 16-bit type and a
// 16-bit payload length, little-endian, followed by the payload. Records follow
// each other without gaps; after a record, reading goes on at its payload start
// plus its length, whatever its reader consumed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/byte_reader.h"

namespace tabulox {

// Record types, [MS-XLS] 2.3.
inline constexpr std::uint16_t kRecordFormula = 0x0006;
inline constexpr std::uint16_t kRecordEof = 0x000A;
inline constexpr std::uint16_t kRecordDateMode = 0x0022;
inline constexpr std::uint16_t kRecordFilePass = 0x002F;
inline constexpr std::uint16_t kRecordContinue = 0x003C;
inline constexpr std::uint16_t kRecordCodePage = 0x0042;
inline constexpr std::uint16_t kRecordColInfo = 0x007D;
inline constexpr std::uint16_t kRecordBoundSheet = 0x0085;
inline constexpr std::uint16_t kRecordMulRK = 0x00BD;
inline constexpr std::uint16_t kRecordMulBlank = 0x00BE;
inline constexpr std::uint16_t kRecordSst = 0x00FC;
inline constexpr std::uint16_t kRecordLabelSst = 0x00FD;
inline constexpr std::uint16_t kRecordRString = 0x00D6;
inline constexpr std::uint16_t kRecordBlank = 0x0201;
inline constexpr std::uint16_t kRecordNumber = 0x0203;
inline constexpr std::uint16_t kRecordLabel = 0x0204;
inline constexpr std::uint16_t kRecordBoolErr = 0x0205;
inline constexpr std::uint16_t kRecordString = 0x0207;
inline constexpr std::uint16_t kRecordRow = 0x0208;
inline constexpr std::uint16_t kRecordRK = 0x027E;
inline constexpr std::uint16_t kRecordBof = 0x0809;
// The BOF record types of BIFF2, BIFF3 and BIFF4 streams.
inline constexpr std::uint16_t kRecordBofBiff2 = 0x0009;
inline constexpr std::uint16_t kRecordBofBiff3 = 0x0209;
inline constexpr std::uint16_t kRecordBofBiff4 = 0x0409;
// Records of BIFF2 to BIFF4 only. BIFF2 cell records carry three bytes of
// cell attributes where later versions have an XF index; BIFF3 and BIFF4
// number their FORMULA records apart.
inline constexpr std::uint16_t kRecordBlankBiff2 = 0x0001;
inline constexpr std::uint16_t kRecordIntegerBiff2 = 0x0002;
inline constexpr std::uint16_t kRecordNumberBiff2 = 0x0003;
inline constexpr std::uint16_t kRecordLabelBiff2 = 0x0004;
inline constexpr std::uint16_t kRecordBoolErrBiff2 = 0x0005;
inline constexpr std::uint16_t kRecordStringBiff2 = 0x0007;
inline constexpr std::uint16_t kRecordRowBiff2 = 0x0008;
inline constexpr std::uint16_t kRecordFormatBiff2 = 0x001E;
inline constexpr std::uint16_t kRecordXFBiff2 = 0x0043;
inline constexpr std::uint16_t kRecordIxfeBiff2 = 0x0044;
inline constexpr std::uint16_t kRecordSheetsOffsetBiff4 = 0x008E;
inline constexpr std::uint16_t kRecordSheetHeaderBiff4 = 0x008F;
inline constexpr std::uint16_t kRecordFormulaBiff3 = 0x0206;
inline constexpr std::uint16_t kRecordXFBiff3 = 0x0243;
inline constexpr std::uint16_t kRecordFormulaBiff4 = 0x0406;
inline constexpr std::uint16_t kRecordXFBiff4 = 0x0443;
// kRecordFormat (0x041E) and kRecordXF (0x00E0) are in style_table.h.

inline constexpr std::size_t kRecordHeaderSize = 4;

// BOF fields, [MS-XLS] 2.4.21: the BIFF version (0x0600 for BIFF8; BIFF5 and
// BIFF7 write 0x0500) and the substream type, the first two 16-bit fields.
inline constexpr std::uint16_t kBiff8Version = 0x0600;
inline constexpr std::uint16_t kBofTypeGlobals = 0x0005;
inline constexpr std::uint16_t kBofTypeWorksheet = 0x0010;
// The globals of a BIFF4 workbook, whose sheets follow it, each after a
// SHEETHDR record.
inline constexpr std::uint16_t kBofTypeBiff4Workbook = 0x0100;

// The sheet type of a BOUNDSHEET record that names a worksheet, [MS-XLS]
// 2.4.28; only worksheets are read and listed.
inline constexpr std::uint8_t kSheetTypeWorksheet = 0;
// The DATEMODE value of the 1904 date system, [MS-XLS] 2.4.77.
inline constexpr std::uint16_t kDateMode1904 = 1;

struct RecordHeader {
  std::uint16_t type = 0;
  std::uint16_t length = 0;
  // Stream position of the first payload byte.
  std::size_t payloadStart = 0;

  std::size_t payloadEnd() const { return payloadStart + length; }
};

// Reads the record header at the cursor and leaves the cursor at the payload.
// False, leaving the cursor where it was, when the header or the payload is cut
// off by the end of the stream: a record loop ends there.
inline bool ReadRecordHeader(ByteReader& stream, RecordHeader& header) {
  if (stream.remaining() < kRecordHeaderSize) return false;
  const std::size_t start = stream.position();
  const std::span<const std::uint8_t> fields = stream.bytes(kRecordHeaderSize);
  header.type = LoadU16le(fields, 0);
  header.length = LoadU16le(fields, 2);
  header.payloadStart = stream.position();
  if (header.length > stream.remaining()) {
    stream.seek(start);
    return false;
  }
  return true;
}

// Runs a record reader that reads from the whole stream. Such a reader may read
// beyond its own payload, up to the end of the stream (a record shorter than
// its fields, or one of an earlier BIFF version with another layout). A read
// past the end of the stream gives false: the caller drops what the record
// would have added and goes on at the end of its payload.
template <class Read>
bool ReadWithinStream(Read&& read) {
  try {
    read();
    return true;
  } catch (const ExtractionError&) {
    return false;
  }
}

}  // namespace tabulox
