// The cell records of one worksheet substream, [MS-XLS] 2.1.7.20.5, read into
// rows of cells, or handed over one by one as they are read. Numbers,
// shared-string indices, strings, blanks, boolean and error values and formula
// results are kept; the text is laid out from them. The records of substreams
// embedded in the worksheet (charts drawn on it) are passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "byte_reader.h"
#include "workbook_data.h"

namespace tabulox {

// Reads the records from the cursor (the sheet's BOF) up to the worksheet's
// EOF record, or to the end of the stream, or to a record cut off by it, and
// adds their cells to `sheet`. The records of a substream embedded in the
// worksheet (EmbeddedSubstreams) add no cells, and its EOF ends only it. Returns the number of stream bytes gone through.
// Never raises for a cut-off record. A record whose fields run past the end of
// the stream adds the cells read before that point and no more.
//
// A FORMULA whose result is a string takes its text from the STRING record
// that follows it ([MS-XLS] 2.4.268), with its CONTINUE records; an empty
// result, the error #NULL! and unknown result types give an empty text.
std::size_t ReadWorksheet(ByteReader& stream, WorksheetData& sheet);

// What the record headers of a worksheet substream tell before its records are
// read.
struct WorksheetSurvey {
  static constexpr std::size_t kNoMiddle = SIZE_MAX;
  // The most cells the records up to the middle (else up to the first EOF
  // record) can add; a cell takes at least two bytes of the stream (a
  // MULBLANK entry), so the count is bounded by the bytes present.
  std::size_t cells = 0;
  // The stream position of the first cell record at or after the position
  // asked for that begins a row and has cells before it; kNoMiddle when the
  // records end before one. Reading up to the middle and from the middle on
  // reads the records one pass reads: every cell record ends what an earlier
  // FORMULA awaited.
  std::size_t middle = kNoMiddle;
};

// Surveys the records from the cursor (the sheet's BOF, or a middle) from
// their headers alone, looking for a middle from `middleFrom` on; leaves the
// cursor where it was.
WorksheetSurvey SurveyWorksheet(ByteReader& stream,
                                std::size_t middleFrom = WorksheetSurvey::kNoMiddle);

// A likely middle of the worksheet records from `from` on, found without
// walking the records before it: the first position from `from` on (before
// `end`) where kRecordsToTrust record headers in a row have types a cell table
// holds and payload lengths those types allow; from there, the first cell
// record that begins a row, as SurveyWorksheet finds it. Only a guess: it is a
// record's start when reading the records before it stops exactly there.
// kNoMiddle when no such position is found within kMiddleSearchBytes.
inline constexpr std::size_t kRecordsToTrust = 16;
inline constexpr std::size_t kMiddleSearchBytes = std::size_t{64} << 10;
std::size_t FindLikelyMiddle(const ByteReader& stream, std::size_t from, std::size_t end);

// How a reading of cell records ended.
struct RecordsRead {
  // The stream bytes gone through.
  std::size_t bytes = 0;
  // It stopped before a record starting at or after the position asked for,
  // outside any embedded substream, not at an EOF record or the end of the
  // stream.
  bool reachedStop = false;
};

// ReadWorksheet with room for `cellsAhead` more cells, stopping before the
// first record that starts at or after `stopAt` (kNoMiddle: at the EOF).
RecordsRead ReadWorksheetRecords(ByteReader& stream, WorksheetData& sheet, std::size_t cellsAhead,
                                 std::size_t stopAt);

// Takes the cells of a worksheet part as they are read, row after row.
class StreamedCellSink {
 public:
  // The next cell in record order; `beginsRow` for the first cell of a row,
  // which lies above every row before it. Every other cell lies to the right
  // of the cell before it. A cell whose text is kept apart (LABEL, RSTRING, a
  // FORMULA whose result is a string) comes as a cellText cell with no text:
  // its text, if its record or a STRING record gives it one, follows through
  // CellText before any other cell.
  virtual void Cell(const CellData& cell, bool beginsRow) = 0;
  virtual void CellText(std::string_view text) = 0;

 protected:
  ~StreamedCellSink() = default;
};

// Reads the records from the cursor as ReadWorksheetRecords does, handing each
// cell to `sink` instead of keeping it. Gives how the reading ended, or
// std::nullopt at the first cell of a row below the row before it, or at a
// cell at or left of the cell before it in its row: the layout of the whole
// cell list puts such a cell elsewhere than after the cells handed over, and
// the records must be read into a whole cell list instead.
// Passes on what the sink raises, once the record that raised it was read.
std::optional<RecordsRead> StreamWorksheetRows(ByteReader& stream, std::size_t stopAt,
                                               StreamedCellSink& sink);

// [MS-XLS] 2.5.217 RkNumber.
double DecodeRK(std::uint32_t rk);

// The row record with `rowNumber`, found by binary search over the row list
// (which assumes the list is sorted), or else appended at its end, not inserted
// in order. Cells stored out of row order may therefore give a row a second
// record; the layout writes the cells of all records of a row on one line.
RowData& FindOrAddRow(WorksheetData& sheet, std::int32_t rowNumber);

// Appends `cell` to the cell list of its row, noting in the sheet a cell at or
// left of the cell before it in that row (columnsAscending).
void AddCell(WorksheetData& sheet, const CellData& cell);

}  // namespace tabulox
