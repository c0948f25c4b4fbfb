#include "xls/xls_sheet_text.h"

#include <optional>

#include "xls/shown_cell_writer.h"
#include "xls/worksheet_cells.h"

namespace tabulox {

void ReadWorksheetText(ByteReader& stream, const WorkbookData& book, WorksheetData& sheet,
                       WorksheetReadBudget& budget, std::string& text, std::size_t maxBytes,
                       SkippedHiddenLines skipped) {
  const std::size_t sheetStart = text.size();
  stream.seek(sheet.offset);
  AppendSheetNameLine(sheet, text);
  RowTextWriter writer(book, text, maxBytes, skipped);
  const std::optional<std::size_t> streamed = StreamWorksheetRows(stream, writer, book.records);
  if (streamed) {
    writer.Finish();
    EndWorksheetText(text, maxBytes);
    budget.Spend(*streamed);
    return;
  }
  // A row or a cell out of order: the whole cell list is laid out in row and
  // column order instead.
  text.resize(sheetStart);
  ReadWorksheetCells(stream, sheet, budget, book.records);
  LayOutWorksheetText(book, sheet, text, maxBytes, skipped);
}

bool ReadWorksheetShownText(ByteReader& stream, const WorkbookData& book, WorksheetData& sheet,
                            WorksheetReadBudget& budget, std::string& text, GridWriter& grid,
                            SkippedHiddenLines skipped) {
  const std::size_t sheetStart = text.size();
  stream.seek(sheet.offset);
  {
    ShownCellWriter writer(book, sheet, grid, skipped);
    const std::optional<std::size_t> streamed = StreamWorksheetRows(stream, writer, book.records);
    if (streamed) {
      budget.Spend(*streamed);
      return writer.Finish();
    }
  }
  // A cell out of order: the sheet begins again from its whole cell list.
  text.resize(sheetStart);
  ReadWorksheetCells(stream, sheet, budget, book.records);
  return LayOutShownWorksheet(book, sheet, grid, skipped);
}

}  // namespace tabulox
