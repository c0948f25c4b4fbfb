// Reads a whole BIFF8 workbook stream into memory at once: the globals, then
// the cells of every worksheet. Conversions read one worksheet at a time; tests
// and benchmarks look at every sheet's cells together.
#pragma once

#include "core/byte_reader.h"
#include "core/result_code.h"
#include "xls/workbook_data.h"
#include "xls/xls_globals.h"

namespace tabulox {

inline ResultCode ReadWorkbookGlobals(ByteReader& stream, WorkbookData& book) {
  const ResultCode globals = ReadGlobals(stream, book);
  if (globals < 0) return globals;
  WorksheetReadBudget budget(stream.size());
  for (WorksheetData& sheet : book.worksheets) ReadWorksheetCells(stream, sheet, budget);
  return globals;
}

}  // namespace tabulox
