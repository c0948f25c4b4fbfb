#include "worksheet_layout.h"

#include <algorithm>
#include <exception>
#include <span>
#include <system_error>
#include <tuple>
#include <vector>

#include "extraction_error.h"
#include "general_format.h"
#include "second_thread.h"
#include "processor_cores.h"
#include "style_table.h"
#include "xls_globals.h"

namespace tabulox {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::size_t kLineEndSize = 2;
// A generous guess at the text of a cell, TAB included, for the one
// reservation: a larger guess only reserves address space (pages never written
// are not resident), while a short one makes the text grow by copying, with
// the old and the new buffer alive at once.
constexpr std::size_t kTypicalCellText = 16;
// Below this many cells a sheet is laid out on one thread: starting a second
// one costs about as much as laying out a few thousand cells.
constexpr std::size_t kCellsForTwoThreads = 50'000;

std::size_t EstimateTextSize(const TWorkSheetData& sheet) {
  return sheet.sheetData.boundSheet.name.chars.size() + 2 * kLineEndSize +
         sheet.rows.size() * kLineEndSize + sheet.cells.size() * kTypicalCellText;
}

// Room in `text` for the text of `sheet`, within `maxBytes`.
void ReserveForSheet(const TWorkSheetData& sheet, std::string& text, std::size_t maxBytes) {
  if (text.size() < maxBytes)
    text.reserve(text.size() + std::min(EstimateTextSize(sheet), maxBytes - text.size()));
}

// The text of a cell of any kind but cellText, whose text is kept
// apart from the cell.
void AppendCellValue(const TWorkBookData& book, const TCellData& cell, std::string& text) {
  switch (cell.kind) {
    case cellBlank:
    case cellText:
      break;
    case cellSharedString:
      if (cell.stringIndex < book.sharedStrings.size())
        text += book.sharedStrings[cell.stringIndex];
      break;
    case cellNumber:
      RenderNumber(book.styles, cell.xfIndex, cell.value, text);
      break;
    case cellFormulaResult:
      AppendGeneral(cell.value, text);
      break;
  }
}

void CheckSize(const std::string& text, std::size_t maxBytes) {
  if (text.size() > maxBytes) throw ExtractionError("workbook text too large");
}

// Moves the text on from column `position` to `column` with TABs; a cell at or
// before the position is written where the text stands.
[[gnu::always_inline]] inline void MoveToColumn(std::uint32_t& position, std::uint32_t column,
                                               std::string& text) {
  if (position >= column) return;
  if (column - position == 1)
    text.push_back('\t');
  else
    text.append(column - position, '\t');
  position = column;
}

// Writes `cell` at its column, the row's text standing at column `position`.
void PlaceCell(const TWorkBookData& book, const TWorkSheetData& sheet, const TCellData& cell,
               std::uint32_t& position, std::string& text, std::size_t maxBytes) {
  MoveToColumn(position, cell.column, text);
  if (cell.kind == cellText)
    text.append(sheet.cellTexts, cell.text.offset, cell.text.length);
  else
    AppendCellValue(book, cell, text);
  CheckSize(text, maxBytes);
}

void LayOutRow(const TWorkBookData& book, const TWorkSheetData& sheet, const TRowData& row,
               std::string& text, std::size_t maxBytes) {
  std::uint32_t position = 0;
  for (std::uint32_t i = row.firstCell; i != kNoCell; i = sheet.cells[i].next)
    PlaceCell(book, sheet, sheet.cells[i], position, text, maxBytes);
  text.append(kLineEnd, kLineEndSize);
}

void LayOutRows(const TWorkBookData& book, const TWorkSheetData& sheet, std::span<const TRowData> rows,
                std::string& text, std::size_t maxBytes) {
  for (const TRowData& row : rows) LayOutRow(book, sheet, row, text, maxBytes);
}

// Whether the rows of `sheet` are listed in ascending order, each with its
// cells from left to right: the order in which they are laid out.
bool ListedInLayoutOrder(const TWorkSheetData& sheet) {
  return sheet.rowsAscending && sheet.columnsAscending;
}

// The positions of the cells of a sheet in the order in which they are laid
// out: by row, then by column; cells at one column keep the order of their
// records, which is their order in the cell list.
std::vector<std::uint32_t> CellsInLayoutOrder(const TWorkSheetData& sheet) {
  std::vector<std::uint32_t> order;
  order.reserve(sheet.cells.size());
  for (const TRowData& row : sheet.rows) {
    for (std::uint32_t i = row.firstCell; i != kNoCell; i = sheet.cells[i].next) order.push_back(i);
  }
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const TCellData& x = sheet.cells[a];
    const TCellData& y = sheet.cells[b];
    return std::tie(x.row, x.column, a) < std::tie(y.row, y.column, b);
  });
  return order;
}

// Lays out a sheet whose cells were stored out of row or column order: one
// line per row number, in ascending order, each cell in its column. Cells at
// one column are written one after the other, in stored order.
void LayOutCellsOutOfOrder(const TWorkBookData& book, const TWorkSheetData& sheet,
                           std::string& text, std::size_t maxBytes) {
  const std::vector<std::uint32_t> order = CellsInLayoutOrder(sheet);
  std::uint32_t position = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const TCellData& cell = sheet.cells[order[k]];
    if (k > 0 && cell.row != sheet.cells[order[k - 1]].row) {
      text.append(kLineEnd, kLineEndSize);
      position = 0;
    }
    PlaceCell(book, sheet, cell, position, text, maxBytes);
  }
  if (!order.empty()) text.append(kLineEnd, kLineEndSize);
}

// The first row whose cells start in the second half of the cell store: rows
// before it hold about half of the cells.
std::size_t MiddleRow(const TWorkSheetData& sheet) {
  const std::size_t halfCells = sheet.cells.size() / 2;
  for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
    if (sheet.rows[i].firstCell != kNoCell && sheet.rows[i].firstCell >= halfCells) return i;
  }
  return sheet.rows.size() / 2;
}

// Lays out the rows of a large sheet on two threads: the later rows into a
// text of their own, appended to `text` when both are done. Rows do not depend
// on each other, so the text is the same as from one thread; so is the
// outcome when a limit is passed: the first error in row order is raised.
void LayOutRowsOnTwoThreads(const TWorkBookData& book, const TWorkSheetData& sheet,
                            std::string& text, std::size_t maxBytes) {
  const std::span<const TRowData> rows(sheet.rows);
  const std::size_t middle = MiddleRow(sheet);
  const std::size_t tailLimit = maxBytes - std::min(text.size(), maxBytes);
  std::string tail;
  tail.reserve(std::min(EstimateTextSize(sheet), tailLimit));
  std::exception_ptr tailError;
  SecondThread tailThread;
  try {
    tailThread = SecondThread([&] {
      try {
        LayOutRows(book, sheet, rows.subspan(middle), tail, tailLimit);
      } catch (...) {
        tailError = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): one thread does it all.
    LayOutRows(book, sheet, rows, text, maxBytes);
    return;
  }
  try {
    LayOutRows(book, sheet, rows.first(middle), text, maxBytes);
  } catch (...) {
    tailThread.join();
    throw;
  }
  tailThread.join();
  if (tailError) std::rethrow_exception(tailError);
  text += tail;  // the caller checks the size of the whole
}

}  // namespace

void AppendSheetNameLine(const TWorkSheetData& sheet, std::string& text) {
  text += SheetNameText(sheet.sheetData.boundSheet.name);
  text.append(kLineEnd, kLineEndSize);
}

void LayOutWorksheetRows(const TWorkBookData& book, const TWorkSheetData& sheet, std::string& text,
                         std::size_t maxBytes) {
  ReserveForSheet(sheet, text, maxBytes);
  if (ListedInLayoutOrder(sheet))
    LayOutRows(book, sheet, sheet.rows, text, maxBytes);
  else
    LayOutCellsOutOfOrder(book, sheet, text, maxBytes);
}

RowTextWriter::RowTextWriter(const TWorkBookData& book, std::string& text, std::size_t maxBytes)
    : book_(book), text_(text), maxBytes_(maxBytes) {}

void RowTextWriter::Cell(const TCellData& cell, bool beginsRow) {
  if (awaiting_) PlaceAwaitedText({});
  if (beginsRow) {
    if (anyRow_)
      text_.append(kLineEnd, kLineEndSize);
    else
      firstRow_ = cell.row;
    anyRow_ = true;
    lastRow_ = cell.row;
    position_ = 0;
  }
  if (cell.kind == cellText) {
    awaited_ = cell;
    awaiting_ = true;
    return;
  }
  MoveToColumn(position_, cell.column, text_);
  AppendCellValue(book_, cell, text_);
  CheckSize(text_, maxBytes_);
}

void RowTextWriter::CellText(std::string_view text) {
  if (awaiting_) PlaceAwaitedText(text);
}

void RowTextWriter::PlaceAwaitedText(std::string_view awaitedText) {
  awaiting_ = false;
  MoveToColumn(position_, awaited_.column, text_);
  text_ += awaitedText;
  CheckSize(text_, maxBytes_);
}

void RowTextWriter::Finish() {
  if (awaiting_) PlaceAwaitedText({});
  if (anyRow_) text_.append(kLineEnd, kLineEndSize);
}

void EndWorksheetText(std::string& text, std::size_t maxBytes) {
  text.append(kLineEnd, kLineEndSize);
  CheckSize(text, maxBytes);
}

void LayOutWorksheetText(const TWorkBookData& book, const TWorkSheetData& sheet, std::string& text,
                         std::size_t maxBytes) {
  ReserveForSheet(sheet, text, maxBytes);
  AppendSheetNameLine(sheet, text);
  if (!ListedInLayoutOrder(sheet))
    LayOutCellsOutOfOrder(book, sheet, text, maxBytes);
  else if (sheet.cells.size() >= kCellsForTwoThreads && MoreThanOneCore())
    LayOutRowsOnTwoThreads(book, sheet, text, maxBytes);
  else
    LayOutRows(book, sheet, sheet.rows, text, maxBytes);
  EndWorksheetText(text, maxBytes);
}

void LayOutWorkbookText(const TWorkBookData& book, std::string& text, std::size_t maxBytes) {
  for (const TWorkSheetData& sheet : book.worksheets) LayOutWorksheetText(book, sheet, text, maxBytes);
}

}  // namespace tabulox
