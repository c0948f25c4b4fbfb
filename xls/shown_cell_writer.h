// One worksheet laid out as an application shows it: each cell rendered to
// the text it shows and handed to the grid in its row and column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_writer.h"
#include "grid/hidden_lines.h"
#include "xls/workbook_data.h"
#include "xls/worksheet_cells.h"
#include "xls/worksheet_layout.h"

namespace tabulox {

// The text an error value shows ([MS-XLS] 2.5.10 BErr), empty for codes that
// name no error.
std::string_view ErrorText(std::uint8_t code);

// Takes the cells of one worksheet in layout order (see StreamedCellSink; no
// two at one row and column) and hands each one's shown text to `grid`:
// numbers (stored values and formula results) through the format of their
// XF, texts through its text section, booleans as TRUE or FALSE, errors as
// their text. The sheet begins in the grid when the writer is made, headed by
// its name, and ends with Finish. With `skipped`, the rows and columns the
// sheet hides are left out. Passes on what the grid raises.
class ShownCellWriter final : public StreamedCellSink {
 public:
  ShownCellWriter(const WorkbookData& book, const WorksheetData& sheet, GridWriter& grid,
                  SkippedHiddenLines skipped);

  void Cell(const CellData& cell, bool beginsRow) override;
  void CellText(std::string_view text) override;
  void RowHidden(std::uint16_t row) override;
  void ColumnsHidden(std::uint32_t first, std::uint32_t last) override;
  // Takes the rows and columns `sheet` hides, read with its whole cell list.
  void HideLinesOf(const WorksheetData& sheet);
  // Ends the sheet; whether it had any text.
  bool Finish();

 private:
  const ShownFormat& FormatOf(const CellData& cell);
  // A text cell's text through its format; an empty text shows nothing.
  void PlaceText(const CellData& cell, std::string_view text);

  const WorkbookData& book_;
  GridWriter& grid_;
  const SkippedHiddenLines skipped_;
  const DateSystem dateSystem_;
  HiddenLines hiddenRows_;
  HiddenLines hiddenColumns_;
  // The format of each XF index, looked up in the table at its first use; the
  // last entry for XF indices beyond the list.
  std::vector<const ShownFormat*> formatOfXf_;
  std::string shown_;
  // A CellKind::kText cell waits for its text until CellText gives it or another
  // cell comes.
  CellData awaited_;
  bool awaiting_ = false;
};

// Lays out a worksheet read into its whole cell list, in whatever order its
// records stored the cells: by row, then by column, the last record of a row
// and column standing for it. Returns whether the sheet had any text.
bool LayOutShownWorksheet(const WorkbookData& book, const WorksheetData& sheet, GridWriter& grid,
                          SkippedHiddenLines skipped);

}  // namespace tabulox
