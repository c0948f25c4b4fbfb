// The as-shown text of sheets: a grid in which line k of a sheet is its row k
// and field j of a line its column j, each cell given as the text it shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "grid/hidden_lines.h"

namespace tabulox {

struct GridLayout {
  char separator = '\t';
  // Each sheet begins with a line holding its name and ends with an empty line.
  bool headings = false;
  // A sheet without any text is taken back whole, heading and all.
  bool dropEmptySheets = false;
};

// Writes the grid of one sheet after another at the end of engine text (CR LF
// line ends). A sheet's lines run from its first row to the last row with
// text; a row without text is an empty line. Every line of a sheet has the
// fields up to the last column with text in any of its rows. A field holding
// the separator, a double quote, CR or LF is written between double quotes,
// its double quotes doubled; its line breaks are kept as they stand. Cells in
// hidden rows and columns are left out and the lines and fields after them
// close up.
class GridWriter {
 public:
  GridWriter(std::string& text, GridLayout layout, std::size_t maxBytes);

  // Starts a sheet. The rows and columns in `hiddenRows` and `hiddenColumns`
  // are left out; the reader may go on hiding rows while the sheet is read,
  // before the cells of a later row come.
  void BeginSheet(std::string_view name, const HiddenLines& hiddenRows,
                  const HiddenLines& hiddenColumns);

  // The text a cell shows, 0-based. Rows come in ascending order, the cells of
  // a row from left to right. A cell that shows no text writes nothing.
  // Raises ExtractionError when the text would grow beyond `maxBytes`.
  void Cell(std::uint32_t row, std::uint32_t column, std::string_view shown);

  // Ends the sheet: its lines get their missing fields, the heading's empty
  // line follows. Returns whether the sheet had any text.
  bool EndSheet();

  // Sheets ended with text so far.
  int SheetsWithText() const { return sheetsWithText_; }

 private:
  void AppendField(std::string_view shown);
  void EndLine();
  // Raises ExtractionError when `extra` more bytes would pass the limit, else
  // makes room for them. Most cells find room enough, without a call.
  void Reserve(std::size_t extra) {
    if (extra <= text_.capacity() - text_.size() && text_.size() + extra <= maxBytes_) return;
    CheckedGrow(extra);
  }
  // Reserve's work when the text has no room for `extra` more bytes or they
  // would pass the limit.
  void CheckedGrow(std::size_t extra);
  // Gives the text room for `size` bytes.
  void GrowRoom(std::size_t size);
  // Gives every line of the sheet `widest` fields.
  void PadLines(std::uint32_t widest);

  std::string& text_;
  const GridLayout layout_;
  const std::size_t maxBytes_;
  const HiddenLines* hiddenRows_ = nullptr;
  const HiddenLines* hiddenColumns_ = nullptr;

  std::size_t sheetStart_ = 0;  // where the sheet's heading begins
  std::size_t gridStart_ = 0;   // where its first line begins
  // Each line with text: its place, its fields and where it ends (before its
  // CR LF, counted from the first line). Lines are padded to the widest once
  // the sheet ends; the empty lines between them are not listed.
  struct Line {
    std::uint32_t row;
    std::uint32_t fields;
    std::size_t end;
  };
  std::vector<Line> lines_;
  std::uint32_t widest_ = 0;
  // The line being written (or the next one when none is open) and the
  // fields written in it.
  std::uint32_t nextRow_ = 0;
  std::uint32_t fields_ = 0;
  bool rowOpen_ = false;
  int sheetsWithText_ = 0;
};

}  // namespace tabulox
