// The text of a workbook: for each worksheet its name line, then one line per
// row, in ascending row order, the cells of a row from left to right and
// separated by TAB characters so that each cell stands in its column, then an
// empty line. Cells at the same column of a row are written one after the
// other, in the order of their records. Lines end in CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grid/hidden_lines.h"
#include "xls/workbook_data.h"
#include "xls/worksheet_cells.h"

namespace tabulox {

// Engine text larger than this is not produced: the result code that carries
// the text length is a signed 32-bit count, and encoding may double the text.
// A few kilobytes of crafted records can ask for tens of thousands of TABs or
// a long shared string over and over, so the limit is reached by such files,
// never by a real worksheet.
inline constexpr std::size_t kMaxWorkbookTextBytes = std::size_t{1} << 30;

// The line that opens a worksheet's text: its name.
void AppendSheetNameLine(const WorksheetData& sheet, std::string& text);

// The empty line that ends a worksheet's text. Raises ExtractionError when
// the text grows beyond `maxBytes`.
void EndWorksheetText(std::string& text, std::size_t maxBytes = kMaxWorkbookTextBytes);

// Which of the rows and columns a sheet hides its layout leaves out.
struct SkippedHiddenLines {
  bool rows = false;
  bool columns = false;
};

// Lays out the rows of a worksheet from its cells, given in layout order: rows
// ascending, the cells of a row from left to right (cells at one column one
// after the other). Each row is a line of its own. Raises ExtractionError when
// the text grows beyond `maxBytes`, and passes on what number rendering
// raises; Finish ends the last line.
//
// With `skipped`, the cells of hidden rows or columns are left out and the
// columns after hidden ones close up; a row left without cells writes no
// line.
class RowTextWriter final : public StreamedCellSink {
 public:
  RowTextWriter(const WorkbookData& book, std::string& text,
                std::size_t maxBytes = kMaxWorkbookTextBytes, SkippedHiddenLines skipped = {});

  void Cell(const CellData& cell, bool beginsRow) override;
  void CellText(std::string_view text) override;
  void RowHidden(std::uint16_t row) override;
  void ColumnsHidden(std::uint32_t first, std::uint32_t last) override;
  // Takes the rows and columns `sheet` hides, read with its whole cell list.
  void HideLinesOf(const WorksheetData& sheet);
  void Finish();

 private:
  // A CellKind::kText cell is written once its text is known: when CellText gives
  // it, or with no text when anything else comes first. Only while one is
  // awaited.
  void PlaceAwaitedText(std::string_view awaitedText);

  const WorkbookData& book_;
  std::string& text_;
  const std::size_t maxBytes_;
  const SkippedHiddenLines skipped_;
  HiddenLines hiddenRows_;
  HiddenLines hiddenColumns_;
  CellData awaited_;
  bool awaiting_ = false;
  bool anyRow_ = false;
  // Some rows or columns are left out.
  bool hidesLines_ = false;
  // A row began with a cell left out: the next cell written opens its line.
  bool rowBegins_ = false;
  std::uint32_t position_ = 0;
};

// Appends the text of one worksheet of `book` from its whole cell list, in
// whatever order its cells were stored: its name line, its rows, an empty
// line. Raises as RowTextWriter does.
void LayOutWorksheetText(const WorkbookData& book, const WorksheetData& sheet, std::string& text,
                         std::size_t maxBytes = kMaxWorkbookTextBytes,
                         SkippedHiddenLines skipped = {});

// The positions of the cells of a sheet in the order in which they are laid
// out: by row, then by column; cells at one column keep the order of their
// records, which is their order in the cell list.
std::vector<std::uint32_t> CellsInLayoutOrder(const WorksheetData& sheet);

}  // namespace tabulox
