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

#include "workbook_data.h"
#include "worksheet_cells.h"

namespace tabulox {

// Engine text larger than this is not produced: the result code that carries
// the text length is a signed 32-bit count, and encoding may double the text.
// A few kilobytes of crafted records can ask for tens of thousands of TABs or
// a long shared string over and over, so the limit is reached by such files,
// never by a real worksheet.
inline constexpr std::size_t kMaxWorkbookTextBytes = std::size_t{1} << 30;

// Appends the text of one worksheet of `book` to `text`: its name line, its
// rows, an empty line. Raises ExtractionError when the text would grow beyond
// `maxBytes`, and passes on what number rendering raises.
void LayOutWorksheetText(const WorkbookData& book, const WorksheetData& sheet, std::string& text,
                         std::size_t maxBytes = kMaxWorkbookTextBytes);

// The steps of LayOutWorksheetText, for a worksheet whose rows are laid out in
// parts: the name line; the rows of `sheet` on the calling thread; the empty
// line that ends a worksheet. The last two raise as LayOutWorksheetText does.
void AppendSheetNameLine(const WorksheetData& sheet, std::string& text);
void LayOutWorksheetRows(const WorkbookData& book, const WorksheetData& sheet, std::string& text,
                         std::size_t maxBytes = kMaxWorkbookTextBytes);
void EndWorksheetText(std::string& text, std::size_t maxBytes = kMaxWorkbookTextBytes);
// Lays out cells as they are read (StreamWorksheetRows), each row on a line of
// its own, as LayOutWorksheetRows lays out the same rows from a whole cell
// list. Raises as LayOutWorksheetRows does; Finish ends the last line.
class RowTextWriter final : public StreamedCellSink {
 public:
  RowTextWriter(const WorkbookData& book, std::string& text,
                std::size_t maxBytes = kMaxWorkbookTextBytes);

  void Cell(const CellData& cell, bool beginsRow) override;
  void CellText(std::string_view text) override;
  void Finish();

  // The rows written: whether there were any, the first and the last.
  bool anyRow() const { return anyRow_; }
  std::int32_t firstRow() const { return firstRow_; }
  std::int32_t lastRow() const { return lastRow_; }

 private:
  // A cellText cell is written once its text is known: when CellText gives
  // it, or with no text when anything else comes first. Only while one is
  // awaited.
  void PlaceAwaitedText(std::string_view awaitedText);

  const WorkbookData& book_;
  std::string& text_;
  const std::size_t maxBytes_;
  CellData awaited_;
  bool awaiting_ = false;
  bool anyRow_ = false;
  std::int32_t firstRow_ = 0;
  std::int32_t lastRow_ = 0;
  std::uint32_t position_ = 0;
};

// Appends the text of every worksheet of `book`, in list order, to `text`.
// Raises ExtractionError when the text would grow beyond `maxBytes`, and passes
// on what number rendering raises.
void LayOutWorkbookText(const WorkbookData& book, std::string& text,
                        std::size_t maxBytes = kMaxWorkbookTextBytes);

}  // namespace tabulox
