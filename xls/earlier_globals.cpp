#include "xls/earlier_globals.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/engine_text.h"
#include "xls/biff_records.h"
#include "xls/earlier_style_records.h"

namespace tabulox {
namespace {

// The visibility byte of a BIFF5 BOUNDSHEET record: 0 visible, 1 hidden, 2 very hidden.
constexpr std::uint8_t kVisibilityMask = 0x03;
// BIFF2 cell attributes hold a format index of six bits.
constexpr std::uint16_t kBiff2FormatIndices = 64;

// The code page the CODEPAGE record from the cursor on (up to the first EOF)
// names, or the default.
std::uint16_t FindCodePage(ByteReader stream) {
  RecordHeader header;
  while (ReadRecordHeader(stream, header) && header.type != kRecordEof) {
    if (header.type == kRecordCodePage && header.length >= 2)
      return LoadU16le(stream.rest(), 0);
    stream.seek(header.payloadEnd());
  }
  return kDefaultWorkbookCodePage;
}

// A sheet name as engine text: its first 255 code units, as many as a
// BOUNDSHEET record of any version holds.
std::string SheetName(std::u16string_view units) {
  std::string name;
  for (const char16_t unit : units.substr(0, std::min<std::size_t>(units.size(), 0xFF)))
    AppendUtf16Unit(name, unit);
  return name;
}

// A FORMAT code of BIFF2 to BIFF4 takes its slot whole: the slot's built-in
// code is not the one these versions number that way, so a code the table
// keeps no pattern for ("General") leaves the slot General.
void AddEarlierFormat(WorkbookData& book, const FormatRecord& format) {
  if (book.records.version <= BiffVersion::kBiff4 && format.formatIndex < kFormatSlotCount)
    book.styles.formats[format.formatIndex] = FormatSlot{};
  AddFormat(book.styles, format);
}

// Reads the records from the cursor up to the first EOF record (or the end of
// the stream): FORMAT, XF and DATEMODE into the style table; every other
// record is handed to `other` with its payload. Returns 0, or
// kSourceEncrypted at a FILEPASS record.
template <typename Other>
ResultCode ReadStyleRecords(ByteReader& stream, WorkbookData& book, Other other) {
  const BiffVersion version = book.records.version;
  const CodePageStrings& strings = *book.records.strings;
  // FORMAT records so far; a position past the last slot stays past it.
  std::size_t formatCount = 0;
  RecordHeader header;
  while (ReadRecordHeader(stream, header)) {
    const std::span<const std::uint8_t> payload = stream.rest().first(header.length);
    stream.seek(header.payloadEnd());
    if (header.type == kRecordEof) break;
    if (header.type == kRecordFilePass) return kSourceEncrypted;
    if (IsFormatRecord(version, header.type)) {
      FormatRecord format;
      const auto position = static_cast<std::uint16_t>(std::min<std::size_t>(formatCount, 0xFFFF));
      if (ReadEarlierFormat(payload, header.type, version, position, strings, format))
        AddEarlierFormat(book, format);
      ++formatCount;
    } else if (IsXFRecord(version, header.type)) {
      XfEntry xf;
      if (ReadEarlierXF(payload, version, xf)) AddXF(book.styles, xf);
    } else if (header.type == kRecordDateMode) {
      if (payload.size() >= 2 && LoadU16le(payload, 0) == kDateMode1904)
        book.styles.dateSystem = DateSystem::k1904;
    } else {
      other(header, payload);
    }
  }
  // A BIFF2 stream without XF records gives each cell its format index in its
  // attributes: one XF per format index stands for it.
  if (version == BiffVersion::kBiff2 && book.styles.xfs.empty()) {
    book.records.biff2FormatInAttributes = true;
    for (std::uint16_t i = 0; i < kBiff2FormatIndices; ++i) AddXF(book.styles, XfEntry{0, i});
  }
  return 0;
}

// The 8-bit name at the start of `bytes` (one-byte length), or nullopt.
std::optional<std::string> ReadSheetName(std::span<const std::uint8_t> bytes,
                                         const CodePageStrings& strings) {
  const std::optional<std::span<const std::uint8_t>> chars =
      CountedChars(bytes, 1, strings.bytesPerCount());
  if (!chars) return std::nullopt;
  std::u16string units;
  strings.AppendUnits(*chars, units);
  return SheetName(units);
}

// BIFF5 and BIFF7: a globals substream whose BOUNDSHEET records list the
// sheets (offset, visibility, type, name).
ResultCode ReadBiff5Globals(ByteReader& stream, WorkbookData& book) {
  const CodePageStrings& strings = *book.records.strings;
  return ReadStyleRecords(stream, book, [&](const RecordHeader& header,
                                            std::span<const std::uint8_t> payload) {
    if (header.type != kRecordBoundSheet || payload.size() < 6) return;
    if (payload[5] != kSheetTypeWorksheet) return;
    std::optional<std::string> name = ReadSheetName(payload.subspan(6), strings);
    if (name)
      book.AddSheet(std::move(*name), (payload[4] & kVisibilityMask) != 0, LoadU32le(payload, 0));
  });
}

// A BIFF4 workbook: the BOUNDSHEET records of its globals hold the names; the
// sheets follow the globals, each after a SHEETHDR record. The n-th name goes
// with the n-th SHEETHDR; a name without one has an empty sheet.
ResultCode ReadBiff4Workbook(ByteReader& stream, WorkbookData& book) {
  const CodePageStrings& strings = *book.records.strings;
  const auto end = static_cast<std::uint32_t>(stream.size());
  const ResultCode rc = ReadStyleRecords(
      stream, book, [&](const RecordHeader& header, std::span<const std::uint8_t> payload) {
        if (header.type != kRecordBoundSheet) return;
        std::optional<std::string> name = ReadSheetName(payload, strings);
        if (name) book.AddSheet(std::move(*name), false, end);
      });
  if (rc < 0) return rc;
  std::size_t found = 0;
  RecordHeader header;
  while (found < book.sheets.size() && ReadRecordHeader(stream, header)) {
    stream.seek(header.payloadEnd());
    if (header.type == kRecordSheetHeaderBiff4)
      book.sheetOffsets[found++] = static_cast<std::uint32_t>(stream.position());
  }
  book.stylesPerSheet = true;
  return 0;
}

}  // namespace

ResultCode ReadEarlierGlobals(ByteReader& stream, const StreamStart& start,
                              std::u16string_view worksheetName, WorkbookData& book) {
  stream.seek(0);
  book.records.version = start.version;
  book.records.strings = std::make_shared<const CodePageStrings>(FindCodePage(stream));
  if (start.substreamType == kBofTypeWorksheet) {
    const ResultCode rc = ReadStyleRecords(stream, book, [](auto&&...) {});
    if (rc < 0) return rc;
    book.AddSheet(SheetName(worksheetName), false, 0);
    return 0;
  }
  if (start.version == BiffVersion::kBiff4 && start.substreamType == kBofTypeBiff4Workbook)
    return ReadBiff4Workbook(stream, book);
  if (start.version == BiffVersion::kBiff5) return ReadBiff5Globals(stream, book);
  return 0;
}

ResultCode ReadSheetStyles(ByteReader& stream, std::size_t offset, WorkbookData& book) {
  InitStyleData(book.styles);
  book.records.biff2FormatInAttributes = false;
  stream.seek(offset);
  return ReadStyleRecords(stream, book, [](auto&&...) {});
}

}  // namespace tabulox
