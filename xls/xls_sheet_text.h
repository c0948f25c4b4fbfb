// One worksheet of a .xls workbook stream: its cell records read and its text
// laid out.
#pragma once

#include <string>

#include "byte_reader.h"
#include "workbook_data.h"
#include "xls_globals.h"

namespace tabulox {

// Reads the cells of `sheet` from its offset in `stream` (spending the bytes
// gone through from `budget`) and appends its text to `text`, as
// ReadWorksheetCells followed by LayOutWorksheetText do. A large worksheet is
// read and laid out as two parts at once, each on a thread of its own; where
// the parts' rows do not simply follow one another, the later part is read
// again after the earlier one and the whole is laid out, so the text and
// the outcome are always those of one pass. The later part's text is laid out
// in `laterText`, which a caller keeps from one worksheet to the next so that
// its memory is written to once.
void ReadWorksheetText(ByteReader& stream, const WorkbookData& book, WorksheetData& sheet,
                       WorksheetReadBudget& budget, std::string& text, std::string& laterText);

}  // namespace tabulox
