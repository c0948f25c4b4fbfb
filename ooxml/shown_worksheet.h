// The as-shown text of one worksheet part: its cells as a spreadsheet
// application shows them, laid out by a GridWriter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "grid/grid_writer.h"
#include "numfmt/date_time_pattern.h"
#include "ooxml/worksheet_hiding.h"
#include "ooxml/worksheet_text.h"
#include "xml/xml_document.h"

namespace tabulox {

class SharedStringTable;
class WorkbookStyles;

// What the cells of a workbook are shown through.
struct ShownWorkbook {
  const SharedStringTable& strings;
  const WorkbookStyles& styles;
  DateSystem dateSystem = DateSystem::k1900;
};

// Writes worksheet parts as sheets of a grid. Hidden rows and columns go into
// `hiding` when it skips them: row elements with hidden="1" (or "true") as
// they come, the hidden col elements of cols (read before sheetData).
class ShownWorksheetWriter {
 public:
  ShownWorksheetWriter(const ShownWorkbook& workbook, GridWriter& grid, std::string& text,
                       WorksheetHiding& hiding)
      : workbook_(workbook), grid_(grid), text_(text), hiding_(hiding) {}

  // Begins the grid's sheet named `name` (engine text).
  void Begin(std::string_view name);

  // Lays out the rows of every sheetData of a worksheet part read block by
  // block into `document`, as they are read: rows as their "r" numbers them
  // (a row without one follows the previous row), cells in the columns their
  // references name (one without follows the previous cell); the cells of a
  // row repeated after its cells were written join them on the right. With
  // CellOrder::kAsStored cells go to the grid as they are read, and memory
  // follows the largest row; a cell above or left of one given (or a hidden
  // row above it) raises SheetOutOfOrder, and the part is to be read again,
  // after TakeBack, with kSorted, which gathers the cells and gives them to
  // the grid in row and column order (of cells at one place, the first
  // stored). May raise, leaving the source unfinished.
  //
  // What a cell shows depends on its type ("t"):
  //   s          the shared string its value indexes (none for an index that
  //              names no string)
  //   str        its value, the text of a formula
  //   inlineStr  the text of its "is" child (its value when it has none)
  //   b          "TRUE" for 1, "FALSE" for 0
  //   e          its value, the error as written ("#DIV/0!")
  //   d          its value read as an ISO 8601 date and time, through the format
  //   n, none    its value as a number through the format
  // A number or date that does not read as one is written as it stands; texts
  // go through the format's text section. The format is that of the cell
  // format its "s" names (0 without one).
  void Read(XmlDocument& document, const BlockSource& source, CellOrder order = CellOrder::kAsStored);

  // Takes back what the sheet wrote and the rows it hid: the sheet begins
  // again, empty.
  void TakeBack();

  // Ends the sheet; true when it has text.
  bool End() { return grid_.EndSheet(); }

 private:
  const ShownWorkbook& workbook_;
  GridWriter& grid_;
  std::string& text_;
  WorksheetHiding& hiding_;
  std::string name_;
  std::size_t start_ = 0;
};

}  // namespace tabulox
