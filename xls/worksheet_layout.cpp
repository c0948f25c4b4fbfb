#include "xls/worksheet_layout.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "core/engine_text.h"
#include "core/extraction_error.h"
#include "numfmt/general_format.h"
#include "xls/style_table.h"

namespace tabulox {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::size_t kLineEndSize = 2;

// The text of a cell of any kind but CellKind::kText, whose text is kept
// apart from the cell.
void AppendCellValue(const WorkbookData& book, const CellData& cell, std::string& text) {
  switch (cell.kind) {
    case CellKind::kBlank:
    case CellKind::kText:
      break;
    case CellKind::kSharedString:
      if (cell.stringIndex < book.sharedStrings.size())
        text += book.sharedStrings[cell.stringIndex];
      break;
    case CellKind::kNumber:
      RenderNumber(book.styles, cell.xfIndex, cell.value, text);
      break;
    case CellKind::kFormulaResult:
    case CellKind::kBoolean:
      AppendGeneral(cell.value, text);
      break;
    case CellKind::kError:
      // The error code; #NULL! (code 0) writes nothing.
      if (cell.value != 0) AppendGeneral(cell.value, text);
      break;
  }
}

void CheckSize(const std::string& text, std::size_t maxBytes) {
  if (text.size() > maxBytes) throw ExtractionError("workbook text too large");
}

// Moves the text on from column `position` to `column` with TABs; a cell at or
// before the position is written where the text stands.
void MoveToColumn(std::uint32_t& position, std::uint32_t column, std::string& text) {
  if (position >= column) return;
  text.append(column - position, '\t');
  position = column;
}

}  // namespace

std::vector<std::uint32_t> CellsInLayoutOrder(const WorksheetData& sheet) {
  std::vector<std::uint32_t> order(sheet.cells.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const CellData& x = sheet.cells[a];
    const CellData& y = sheet.cells[b];
    return std::tie(x.row, x.column, a) < std::tie(y.row, y.column, b);
  });
  return order;
}

void AppendSheetNameLine(const WorksheetData& sheet, std::string& text) {
  text += sheet.name;
  text.append(kLineEnd, kLineEndSize);
}

void EndWorksheetText(std::string& text, std::size_t maxBytes) {
  text.append(kLineEnd, kLineEndSize);
  CheckSize(text, maxBytes);
}

RowTextWriter::RowTextWriter(const WorkbookData& book, std::string& text, std::size_t maxBytes,
                             SkippedHiddenLines skipped)
    : book_(book), text_(text), maxBytes_(maxBytes), skipped_(skipped) {}

void RowTextWriter::RowHidden(std::uint16_t row) {
  if (!skipped_.rows) return;
  hiddenRows_.Hide(row, row);
  hidesLines_ = true;
}

void RowTextWriter::ColumnsHidden(std::uint32_t first, std::uint32_t last) {
  if (!skipped_.columns) return;
  hiddenColumns_.Hide(first, last);
  hidesLines_ = true;
}

void RowTextWriter::HideLinesOf(const WorksheetData& sheet) {
  if (skipped_.rows) hiddenRows_ = sheet.hiddenRows;
  if (skipped_.columns) hiddenColumns_ = sheet.hiddenColumns;
  hidesLines_ = !hiddenRows_.Empty() || !hiddenColumns_.Empty();
}

void RowTextWriter::Cell(const CellData& cell, bool beginsRow) {
  if (awaiting_) PlaceAwaitedText({});
  std::uint32_t column = cell.column;
  if (hidesLines_) {
    // A row whose first cells are left out begins with the first cell
    // written.
    rowBegins_ = rowBegins_ || beginsRow;
    if (hiddenRows_.IsHidden(cell.row) || hiddenColumns_.IsHidden(column)) return;
    column = hiddenColumns_.VisibleIndex(column);
    beginsRow = rowBegins_;
    rowBegins_ = false;
  }
  if (beginsRow) {
    if (anyRow_) text_.append(kLineEnd, kLineEndSize);
    anyRow_ = true;
    position_ = 0;
  }
  if (cell.kind == CellKind::kText) {
    awaited_ = cell;
    awaited_.column = column;
    awaiting_ = true;
    return;
  }
  MoveToColumn(position_, column, text_);
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

void LayOutWorksheetText(const WorkbookData& book, const WorksheetData& sheet, std::string& text,
                         std::size_t maxBytes, SkippedHiddenLines skipped) {
  AppendSheetNameLine(sheet, text);
  RowTextWriter writer(book, text, maxBytes, skipped);
  writer.HideLinesOf(sheet);
  const CellData* previous = nullptr;
  for (const std::uint32_t i : CellsInLayoutOrder(sheet)) {
    const CellData& cell = sheet.cells[i];
    writer.Cell(cell, previous == nullptr || cell.row != previous->row);
    if (cell.kind == CellKind::kText)
      writer.CellText(std::string_view(sheet.cellTexts).substr(cell.text.offset, cell.text.length));
    previous = &cell;
  }
  writer.Finish();
  EndWorksheetText(text, maxBytes);
}

}  // namespace tabulox
