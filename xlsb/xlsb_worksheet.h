// The cells of a binary worksheet part ([MS-XLSB] 2.1.7.62): BrtRowHdr
// records open the rows, cell records follow in their row, BrtColInfo
// records (before the cells) give the hidden columns.
#pragma once

#include "core/block_source.h"
#include "xls/worksheet_cells.h"

namespace tabulox {

// Reads the part's records block by block, handing each cell to `sink` as it
// comes (memory follows the largest record): a cell record's column is its
// own, a short cell record's the column after the previous cell of its row
// (column A for the first). The first cell of each row begins a row; cells
// before any BrtRowHdr are in row 1. Values keep the kinds the .xls reader
// gives their records: RK and real numbers kNumber, a formula's number
// kFormulaResult, inline strings and a formula's string kText (text given
// through CellText), shared-string indices kSharedString, booleans and
// errors (of constants and formulas) kBoolean and kError, blanks kBlank.
// A cell format index beyond 16 bits is 0xFFFF. Cells beyond the sheet's
// 1,048,576 rows and 16,384 columns are left out, so a cell costs at most
// the tabs and line breaks of one sheet's width and height.
//
// With `skipHiddenRows`, the cells of rows whose BrtRowHdr sets fDyZero are
// left out and the rows below move up over them. The columns hidden by
// BrtColInfo records that come before the first cell go to the sink's
// ColumnsHidden. Raises ExtractionError for a record cut short or shorter
// than its fields, and passes on what the sink raises.
void StreamXlsbWorksheet(const BlockSource& source, StreamedCellSink& sink, bool skipHiddenRows);

}  // namespace tabulox
