// The cell records of one worksheet substream, [MS-XLS] 2.1.7.20.5, read into
// a list of cells, or handed over one by one as they are read. Numbers,
// shared-string indices, strings, blanks, boolean and error values and formula
// results are kept; the text is laid out from them. The records of substreams
// embedded in the worksheet (charts drawn on it) are passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/byte_reader.h"
#include "xls/workbook_data.h"

namespace tabulox {

// Reads the records from the cursor (the sheet's BOF) up to the worksheet's
// EOF record, or to the end of the stream, or to a record cut off by it, and
// adds their cells to `sheet`. The records of a substream embedded in the
// worksheet (EmbeddedSubstreams) add no cells, and its EOF ends only it.
// Returns the number of stream bytes gone through. Never raises for a cut-off
// record. A record whose fields run past the end of
// the stream adds the cells read before that point and no more.
//
// The rows that ROW records hide and the columns that COLINFO records hide
// go into sheet.hiddenRows and sheet.hiddenColumns.
//
// A FORMULA whose result is a string takes its text from the STRING record
// that follows it ([MS-XLS] 2.4.268), with its CONTINUE records; an empty
// result and unknown result types give an empty text.
// Raises ExtractionError when a sheet has more cells than kNoCell counts.
//
// `format` tells how the records are laid out; a stream of a version before
// BIFF8 has its strings in 8-bit characters and, in BIFF2 to BIFF4, cell
// records of its own (BIFF2's INTEGER and cell attributes, IXFE, the FORMULA
// types of BIFF3 and BIFF4), which are read into the same cells.
std::size_t ReadWorksheet(ByteReader& stream, WorksheetData& sheet,
                          const CellRecordFormat& format = {});

// Takes the cells of a worksheet as they are read, row after row.
class StreamedCellSink {
 public:
  // The next cell in record order; `beginsRow` for the first cell of a row,
  // which lies above every row before it. Every other cell lies to the right
  // of the cell before it. A cell whose text is kept apart (LABEL, RSTRING, a
  // FORMULA whose result is a string) comes as a CellKind::kText cell with no text:
  // its text, if its record or a STRING record gives it one, follows through
  // CellText before any other cell.
  virtual void Cell(const CellData& cell, bool beginsRow) = 0;
  virtual void CellText(std::string_view text) = 0;
  // A row that a ROW record hides, given before the cells of that row and of
  // the rows below it; columns first to last that a COLINFO record hides,
  // given before any cell.
  virtual void RowHidden(std::uint16_t /*row*/) {}
  virtual void ColumnsHidden(std::uint32_t /*first*/, std::uint32_t /*last*/) {}

 protected:
  ~StreamedCellSink() = default;
};

// Reads the records from the cursor as ReadWorksheet does, handing each cell
// to `sink` instead of keeping it. Gives the number of stream bytes gone
// through, or std::nullopt at the first cell of a row below the row before
// it, or at a cell at or left of the cell before it in its row: the layout of
// the whole cell list puts such a cell elsewhere than after the cells handed
// over, and the records must be read into a whole cell list instead. The same
// for a hidden row at or above a cell handed over, and for hidden columns
// after the first cell.
// Passes on what the sink raises, once the record that raised it was read.
std::optional<std::size_t> StreamWorksheetRows(ByteReader& stream, StreamedCellSink& sink,
                                               const CellRecordFormat& format = {});

// [MS-XLS] 2.5.217 RkNumber.
double DecodeRK(std::uint32_t rk);

}  // namespace tabulox
