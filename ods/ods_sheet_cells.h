// One table of an OpenDocument spreadsheet as the cells of the .xls layouts:
// repeats written out (the empty ones only counted), covered cells empty,
// values as the layout takes them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ods/ods_cell_formats.h"
#include "ods/ods_content_walk.h"
#include "ods/repeat_budget.h"
#include "xls/worksheet_cells.h"

namespace tabulox {

// What a cell is handed on as.
enum class OdsCellValues {
  // As the same workbook saved as .xls holds it: numbers, dates and times
  // with the format of their cell style, formula numbers as formula
  // results, booleans and errors as their values, texts as written.
  kStored,
  // The same, but errors as the text their paragraphs show, since the
  // application shows its own errors that no code names.
  kShown,
};

class OdsSheetCells {
 public:
  // Hands the cells to `sink`; `formats` gives the XF of a cell style (kStored).
  // With `skipHiddenRows`, hidden rows are left out and the rows below move
  // up over them.
  OdsSheetCells(StreamedCellSink& sink, OdsCellFormats& formats, OdsCellValues values,
                bool skipHiddenRows, RepeatBudget& budget);

  void Columns(std::uint32_t repeat, bool hidden, std::string_view cellStyle);
  void BeginRow(std::uint32_t repeat, bool hidden);
  void Cell(const OdsCell& cell);
  // Writes the row as often as it repeats; an empty row is only counted.
  // Raises ExtractionError when the repeats go beyond the budget.
  void EndRow();

 private:
  struct ColumnStyle {
    std::uint32_t first;
    std::uint32_t last;
    std::string style;
  };
  // The style of cells in `column` that name none.
  std::string_view ColumnStyleOf(std::uint32_t column) const;
  // The cell as the layout takes it; false for a cell with nothing to show.
  bool ToCellData(const OdsCell& cell, CellData& data);
  // The XF of the cell's style, else its column's.
  std::uint16_t XfOf(const OdsCell& cell);

  StreamedCellSink& sink_;
  OdsCellFormats& formats_;
  const OdsCellValues values_;
  const bool skipHiddenRows_;
  RepeatBudget& budget_;
  std::vector<ColumnStyle> columnStyles_;
  std::uint32_t columns_ = 0;  // columns described so far
  std::uint32_t row_ = 0;      // the row being read
  std::uint32_t hiddenRows_ = 0;  // rows left out above it
  std::uint32_t rowRepeat_ = 1;
  bool rowHidden_ = false;
  std::uint32_t column_ = 0;
  // The cells of the row being read and their texts (kText cells: `text`
  // holds the offset and length in rowTexts_).
  std::vector<CellData> rowCells_;
  std::string rowTexts_;
};

}  // namespace tabulox
