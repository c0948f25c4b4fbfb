// Reads a whole BIFF8 workbook stream into memory at once: the globals, then
// the cells of every worksheet. Conversions read one worksheet at a time; tests
// and benchmarks look at every sheet's cells together.
#pragma once

#include <vector>

#include "core/byte_reader.h"
#include "core/result_code.h"
#include "xls/workbook_data.h"
#include "xls/xls_globals.h"

namespace tabulox {

// The globals go into `book`, each worksheet with its cells into `sheets`.
inline ResultCode ReadWholeWorkbook(ByteReader& stream, WorkbookData& book,
                                    std::vector<WorksheetData>& sheets) {
  const ResultCode globals = ReadGlobals(stream, book);
  if (globals < 0) return globals;
  WorksheetReadBudget budget(stream.size());
  for (std::size_t i = 0; i < book.sheets.size(); ++i) {
    WorksheetData& sheet = sheets.emplace_back();
    sheet.name = book.sheets[i].name;
    sheet.offset = book.sheetOffsets[i];
    ReadWorksheetCells(stream, sheet, budget);
  }
  return globals;
}

}  // namespace tabulox
