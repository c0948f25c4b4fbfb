#include "xls_sheet_text.h"

#include <optional>

#include "worksheet_cells.h"

namespace tabulox {

void ReadWorksheetText(ByteReader& stream, const WorkbookData& book, WorksheetData& sheet,
                       WorksheetReadBudget& budget, std::string& text, std::size_t maxBytes) {
  const std::size_t sheetStart = text.size();
  stream.seek(sheet.sheetData.boundSheet.sheetOffset);
  AppendSheetNameLine(sheet, text);
  RowTextWriter writer(book, text, maxBytes);
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
  LayOutWorksheetText(book, sheet, text, maxBytes);
}

}  // namespace tabulox
