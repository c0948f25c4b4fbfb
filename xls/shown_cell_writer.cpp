#include "xls/shown_cell_writer.h"

#include <algorithm>
#include <vector>

#include "xls/worksheet_layout.h"

namespace tabulox {

std::string_view ErrorText(std::uint8_t code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    case 0x2A:
      return "#N/A";
    case 0x2B:
      return "#GETTING_DATA";
    default:
      return {};
  }
}

ShownCellWriter::ShownCellWriter(const WorkbookData& book, const WorksheetData& sheet,
                                 GridWriter& grid, SkippedHiddenLines skipped)
    : book_(book),
      grid_(grid),
      skipped_(skipped),
      dateSystem_(book.styles.dateSystem),
      formatOfXf_(book.styles.xfs.size() + 1, nullptr) {
  grid_.BeginSheet(sheet.name, hiddenRows_, hiddenColumns_);
}

void ShownCellWriter::RowHidden(std::uint16_t row) {
  if (skipped_.rows) hiddenRows_.Hide(row, row);
}

void ShownCellWriter::ColumnsHidden(std::uint32_t first, std::uint32_t last) {
  if (skipped_.columns) hiddenColumns_.Hide(first, last);
}

void ShownCellWriter::HideLinesOf(const WorksheetData& sheet) {
  if (skipped_.rows) hiddenRows_ = sheet.hiddenRows;
  if (skipped_.columns) hiddenColumns_ = sheet.hiddenColumns;
}

const ShownFormat& ShownCellWriter::FormatOf(const CellData& cell) {
  const std::vector<XfEntry>& xfs = book_.styles.xfs;
  const std::size_t xf = std::min<std::size_t>(cell.xfIndex, xfs.size());
  const ShownFormat*& format = formatOfXf_[xf];
  if (format == nullptr)
    format = &book_.styles.shownFormats.Format(xf < xfs.size() ? xfs[xf].formatIndex : 0);
  return *format;
}

void ShownCellWriter::PlaceText(const CellData& cell, std::string_view text) {
  if (text.empty()) return;
  const ShownFormat& format = FormatOf(cell);
  // A General format shows the text as it is.
  if (format.IsGeneral()) {
    grid_.Cell(cell.row, cell.column, text);
    return;
  }
  shown_.clear();
  format.AppendText(text, shown_);
  grid_.Cell(cell.row, cell.column, shown_);
}

void ShownCellWriter::Cell(const CellData& cell, bool /*beginsRow*/) {
  // A text cell whose text did not come shows nothing.
  awaiting_ = false;
  shown_.clear();
  switch (cell.kind) {
    case CellKind::kBlank:
      return;
    case CellKind::kText:
      awaited_ = cell;
      awaiting_ = true;
      return;
    case CellKind::kSharedString:
      if (cell.stringIndex < book_.sharedStrings.size())
        PlaceText(cell, book_.sharedStrings[cell.stringIndex]);
      return;
    case CellKind::kNumber:
    case CellKind::kFormulaResult:
      FormatOf(cell).AppendNumber(cell.value, dateSystem_, shown_);
      break;
    case CellKind::kBoolean:
      shown_ = cell.value != 0 ? "TRUE" : "FALSE";
      break;
    case CellKind::kError:
      shown_ = ErrorText(static_cast<std::uint8_t>(cell.value));
      break;
  }
  grid_.Cell(cell.row, cell.column, shown_);
}

void ShownCellWriter::CellText(std::string_view text) {
  if (!awaiting_) return;
  awaiting_ = false;
  PlaceText(awaited_, text);
}

bool ShownCellWriter::Finish() {
  awaiting_ = false;
  return grid_.EndSheet();
}

bool LayOutShownWorksheet(const WorkbookData& book, const WorksheetData& sheet, GridWriter& grid,
                          SkippedHiddenLines skipped) {
  ShownCellWriter writer(book, sheet, grid, skipped);
  writer.HideLinesOf(sheet);
  const std::vector<std::uint32_t> order = CellsInLayoutOrder(sheet);
  for (std::size_t i = 0; i < order.size(); ++i) {
    const CellData& cell = sheet.cells[order[i]];
    if (i + 1 < order.size()) {
      const CellData& next = sheet.cells[order[i + 1]];
      if (next.row == cell.row && next.column == cell.column) continue;
    }
    writer.Cell(cell, false);
    if (cell.kind == CellKind::kText)
      writer.CellText(std::string_view(sheet.cellTexts).substr(cell.text.offset, cell.text.length));
  }
  return writer.Finish();
}

}  // namespace tabulox
