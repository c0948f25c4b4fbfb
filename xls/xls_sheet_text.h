// One worksheet of a .xls workbook stream: its cell records read and its text
// laid out.
#pragma once

#include <string>

#include "byte_reader.h"
#include "workbook_data.h"
#include "worksheet_layout.h"
#include "xls_globals.h"

namespace tabulox {

// Reads the cells of `sheet` from its offset in `stream` (spending the bytes
// gone through from `budget`) and appends its text to `text`, as
// ReadWorksheetCells followed by LayOutWorksheetText do. The cells are laid
// out as they are read while they come in layout order, as writers store
// them; otherwise the text written so far is taken back and the worksheet is
// read again into its whole cell list in `sheet`, which is laid out from
// that. Raises ExtractionError when the text grows beyond `maxBytes`.
void ReadWorksheetText(ByteReader& stream, const WorkbookData& book, WorksheetData& sheet,
                       WorksheetReadBudget& budget, std::string& text,
                       std::size_t maxBytes = kMaxWorkbookTextBytes);

}  // namespace tabulox
