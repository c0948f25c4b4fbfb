#include "xls/xls_globals.h"

#include <string>
#include <vector>

#include "core/engine_text.h"
#include "core/extraction_error.h"
#include "xls/biff_records.h"
#include "xls/shared_strings.h"
#include "xls/worksheet_cells.h"

namespace tabulox {
namespace {

// A worksheet substream is read from its offset to its EOF record, so a stream
// whose BOUNDSHEET offsets point back into the globals or into other sheets
// makes the same bytes be read again for each such sheet. Well-formed
// workbooks read each byte at most once; past this many passes over the
// stream in all, the workbook is taken as malformed instead of spending time
// and memory quadratic in its size.
constexpr std::size_t kMaxWorksheetReadPasses = 8;

// [MS-XLS] 2.5.240 ShortXLUnicodeString: a sheet name as stored.
struct ShortXLUnicodeString {
  std::uint8_t charCount = 0;
  // Bit 0 of the option byte: the characters are UTF-16LE code units;
  // otherwise each byte is the low byte of a code unit whose high byte is 0.
  bool highByte = false;
  // charCount bytes, or 2 x charCount bytes when highByte is set.
  std::vector<std::uint8_t> chars;
};

// [MS-XLS] 2.4.28 BoundSheet8, as read.
struct BoundSheet8 {
  std::uint16_t recordType = 0x0085;
  // Stream position of the sheet's BOF record.
  std::uint32_t sheetOffset = 0;
  // 0 visible, 1 hidden, 2 very hidden.
  std::uint8_t visibility = 0;
  // 0 worksheet, 1 macro sheet, 2 chart, 6 module.
  std::uint8_t sheetType = 0;
  ShortXLUnicodeString name;
};

// Reads a ShortXLUnicodeString from the cursor.
ShortXLUnicodeString ReadShortXLUnicodeString(ByteReader& stream) {
  ShortXLUnicodeString name;
  name.charCount = stream.u8();
  name.highByte = (stream.u8() & 0x01) != 0;
  const std::span<const std::uint8_t> chars =
      stream.bytes(name.highByte ? 2u * name.charCount : name.charCount);
  name.chars.assign(chars.begin(), chars.end());
  return name;
}

// Reads a BoundSheet8 from the cursor just after its header.
BoundSheet8 ReadBoundSheet(ByteReader& stream) {
  BoundSheet8 sheet;
  sheet.sheetOffset = stream.u32le();
  sheet.visibility = stream.u8() & 0x03;
  sheet.sheetType = stream.u8();
  sheet.name = ReadShortXLUnicodeString(stream);
  return sheet;
}

// The name as engine text; 8-bit characters are the code units of the same value.
std::string SheetNameText(const ShortXLUnicodeString& name) {
  std::string text;
  const std::vector<std::uint8_t>& c = name.chars;
  if (name.highByte) {
    for (std::size_t i = 0; i + 1 < c.size(); i += 2)
      AppendUtf16Unit(text, static_cast<std::uint16_t>(c[i] | (c[i + 1] << 8)));
  } else {
    for (const std::uint8_t b : c) AppendUtf16Unit(text, b);
  }
  return text;
}

}  // namespace

WorksheetReadBudget::WorksheetReadBudget(std::size_t streamSize)
    : bytesLeft_(kMaxWorksheetReadPasses * streamSize) {}

void WorksheetReadBudget::Spend(std::size_t bytes) {
  if (bytes > bytesLeft_) throw ExtractionError("worksheet offsets overlap too often");
  bytesLeft_ -= bytes;
}

void ReadWorksheetCells(ByteReader& stream, WorksheetData& sheet, WorksheetReadBudget& budget,
                        const CellRecordFormat& format) {
  stream.seek(sheet.offset);
  budget.Spend(ReadWorksheet(stream, sheet, format));
}

ResultCode ReadGlobals(ByteReader& stream, WorkbookData& book) {
  stream.seek(0);
  RecordHeader header;
  while (ReadRecordHeader(stream, header)) {
    switch (header.type) {
      case kRecordFilePass:
        return kSourceEncrypted;
      case kRecordEof:
        return 0;
      case kRecordBoundSheet: {
        BoundSheet8 boundSheet;
        if (!ReadWithinStream([&] { boundSheet = ReadBoundSheet(stream); }) ||
            boundSheet.sheetType != kSheetTypeWorksheet)
          break;
        book.AddSheet(SheetNameText(boundSheet.name), boundSheet.visibility != 0,
                      boundSheet.sheetOffset);
        break;
      }
      case kRecordSst:
        ReadSharedStrings(stream, header, book);
        break;
      case kRecordFormat: {
        FormatRecord format;
        if (ReadWithinStream([&] { ReadFormatRecord(stream, header.type, format); }))
          AddFormat(book.styles, format);
        break;
      }
      case kRecordXF: {
        XfEntry xf;
        if (ReadWithinStream([&] { ReadXFRecord(stream, header.type, xf); }))
          AddXF(book.styles, xf);
        break;
      }
      case kRecordDateMode: {
        std::uint16_t mode = 0;
        if (ReadWithinStream([&] { mode = stream.u16le(); }) && mode == kDateMode1904)
          book.styles.dateSystem = DateSystem::k1904;
        break;
      }
      default:
        break;
    }
    stream.seek(header.payloadEnd());
  }
  return 0;
}

}  // namespace tabulox
