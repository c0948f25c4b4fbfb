#include "xls/xls_globals.h"

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

}  // namespace

ShortXLUnicodeString ReadShortXLUnicodeString(ByteReader& stream) {
  ShortXLUnicodeString name;
  name.charCount = stream.u8();
  name.highByte = (stream.u8() & 0x01) != 0;
  const std::span<const std::uint8_t> chars =
      stream.bytes(name.highByte ? 2u * name.charCount : name.charCount);
  name.chars.assign(chars.begin(), chars.end());
  return name;
}

BoundSheet8 ReadBoundSheet(ByteReader& stream) {
  BoundSheet8 sheet;
  sheet.sheetOffset = stream.u32le();
  sheet.visibility = stream.u8() & 0x03;
  sheet.sheetType = stream.u8();
  sheet.name = ReadShortXLUnicodeString(stream);
  return sheet;
}

WorksheetReadBudget::WorksheetReadBudget(std::size_t streamSize)
    : bytesLeft_(kMaxWorksheetReadPasses * streamSize) {}

void WorksheetReadBudget::Spend(std::size_t bytes) {
  if (bytes > bytesLeft_) throw ExtractionError("worksheet offsets overlap too often");
  bytesLeft_ -= bytes;
}

void ReadWorksheetCells(ByteReader& stream, WorksheetData& sheet, WorksheetReadBudget& budget,
                        const CellRecordFormat& format) {
  stream.seek(sheet.sheetData.boundSheet.sheetOffset);
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
        WorksheetData sheet;
        sheet.sheetData.boundSheet = std::move(boundSheet);
        book.worksheets.push_back(std::move(sheet));
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
          book.styles.dateSystem1904 = true;
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
