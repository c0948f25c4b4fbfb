#include "xls/xls_workbook_text.h"
#include "core/huge_pages.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "core/byte_reader.h"
#include "core/conversion_output.h"
#include "grid/grid_writer.h"
#include "grid/sheet_choice.h"
#include "xls/biff_version.h"
#include "xls/earlier_globals.h"
#include "xls/workbook_data.h"
#include "xls/worksheet_layout.h"
#include "xls/xls_globals.h"
#include "xls/xls_sheet_text.h"

namespace tabulox {

// The layout stops growing the text once it passes kMaxWorkbookTextBytes; by
// then it holds at most one cell more: up to 65,535 TABs and a string of
// 32,767 UTF-16 units (three bytes each), far below this bound. So a finished
// text always fits a result code; the check after the layout keeps that true on its own.
constexpr std::size_t kMaxCellTextBytes = std::size_t{1} << 20;
static_assert(kMaxWorkbookTextBytes + kMaxCellTextBytes <= kMaxResultBytes);

namespace {

// Reads the globals of the stream into `book`, whose style table is made
// ready first: ReadEarlierGlobals for the versions before BIFF8, else
// ReadGlobals.
ResultCode ReadStreamGlobals(std::span<const std::uint8_t> workbookStream, ByteReader& stream,
                             std::u16string_view worksheetName, WorkbookData& book) {
  InitStyleData(book.styles);
  const std::optional<StreamStart> streamStart = ReadStreamStart(workbookStream);
  return streamStart && streamStart->version != BiffVersion::kBiff8
             ? ReadEarlierGlobals(stream, *streamStart, worksheetName, book)
             : ReadGlobals(stream, book);
}

}  // namespace

ResultCode ListWorkbookStreamSheets(std::span<const std::uint8_t> workbookStream,
                                    std::u16string_view worksheetName,
                                    std::vector<SheetInfo>& sheets) {
  const auto book = std::make_unique<WorkbookData>();
  ByteReader stream(workbookStream);
  const ResultCode globals = ReadStreamGlobals(workbookStream, stream, worksheetName, *book);
  if (globals < 0) return globals;
  sheets = std::move(book->sheets);
  return 0;
}

// Reads the globals, then each chosen worksheet in turn: its cells, its text,
// and its cells are let go before the next is read. Everything read is
// released when this returns, also when an error is raised.
ResultCode ExtractWorkbookStreamText(std::span<const std::uint8_t> workbookStream,
                                     std::string& text, std::u16string_view worksheetName,
                                     const ConversionOptions& options) {
  // The style table holds 400 format slots; keep it off the stack.
  const auto book = std::make_unique<WorkbookData>();
  ByteReader stream(workbookStream);
  const ResultCode globals = ReadStreamGlobals(workbookStream, stream, worksheetName, *book);
  if (globals < 0) return globals;
  std::vector<std::size_t> chosen;
  const ResultCode choice = ChooseSheets(book->sheets, options, chosen);
  if (choice < 0) return choice;
  const SkippedHiddenLines skipped{options.skipHiddenRows, options.skipHiddenColumns};
  const bool shown = options.layout != Layout::kDefault;
  const std::size_t start = text.size();
  const std::size_t maxBytes = start + kMaxWorkbookTextBytes;
  // Room taken at once, so that the text is not copied as sheets are added:
  // a workbook's text is rarely larger than its stream, and room that is
  // never written costs address space only.
  text.reserve(start + std::min(workbookStream.size(), kMaxWorkbookTextBytes));
  AdviseHugePagesForRoom(text);
  WorksheetReadBudget budget(stream.size());
  GridWriter grid(text, GridLayoutFor(options, chosen.size()), maxBytes);
  for (const std::size_t index : chosen) {
    WorksheetData sheet;
    sheet.name = book->sheets[index].name;
    sheet.offset = book->sheetOffsets[index];
    if (book->stylesPerSheet) {
      // A sheet's style records are read before its cells, from the same
      // budget.
      const std::size_t offset = sheet.offset;
      const ResultCode styles = ReadSheetStyles(stream, offset, *book);
      if (styles < 0) return styles;
      budget.Spend(stream.position() - std::min(offset, stream.position()));
    }
    if (shown)
      ReadWorksheetShownText(stream, *book, sheet, budget, text, grid, skipped);
    else
      ReadWorksheetText(stream, *book, sheet, budget, text, maxBytes, skipped);
  }
  if (shown) {
    const ResultCode outcome = ShownOutcome(options, grid.SheetsWithText());
    if (outcome < 0) return outcome;
  }
  const std::size_t size = text.size() - start;
  if (size > kMaxResultBytes) return kFormatNotCorrect;
  return static_cast<ResultCode>(size);
}

}  // namespace tabulox
