// One worksheet of a .xls workbook stream: its cell records read and its text
// laid out.
#pragma once

#include <string>

#include "core/byte_reader.h"
#include "grid/grid_writer.h"
#include "xls/workbook_data.h"
#include "xls/worksheet_layout.h"
#include "xls/xls_globals.h"

namespace tabulox {

// Reads the cells of `sheet` from its offset in `stream` (spending the bytes
// gone through from `budget`) and appends its text to `text`, as
// ReadWorksheetCells followed by LayOutWorksheetText do. The cells are laid
// out as they are read while they come in layout order, as writers store
// them; otherwise the text written so far is taken back and the worksheet is
// read again into its whole cell list in `sheet`, which is laid out from
// that. Raises ExtractionError when the text grows beyond `maxBytes`.
// `skipped` leaves out the rows and columns the sheet hides (RowTextWriter).
void ReadWorksheetText(ByteReader& stream, const WorkbookData& book, WorksheetData& sheet,
                       WorksheetReadBudget& budget, std::string& text,
                       std::size_t maxBytes = kMaxWorkbookTextBytes,
                       SkippedHiddenLines skipped = {});

// The same for the as-shown layout: the sheet goes into `grid`, which writes
// at the end of `text`, through a ShownCellWriter as its cells are read while
// they come in layout order, else from its whole cell list
// (LayOutShownWorksheet). Returns whether the sheet had any text.
bool ReadWorksheetShownText(ByteReader& stream, const WorkbookData& book, WorksheetData& sheet,
                            WorksheetReadBudget& budget, std::string& text, GridWriter& grid,
                            SkippedHiddenLines skipped);

}  // namespace tabulox
