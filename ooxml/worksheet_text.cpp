#include "ooxml/worksheet_text.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <vector>

#include "core/extraction_error.h"
#include "ooxml/cell_ref.h"
#include "ooxml/worksheet_hiding.h"
#include "ooxml/worksheet_rows.h"
#include "ooxml/xlsx_shared_strings.h"
#include "xml/xml_document.h"
#include "xml/xml_lookup.h"
#include "xml/xml_text.h"

namespace tabulox {
namespace {

// The first attribute line "r=..." of the item (name case ignored), or null:
// what Attributes().IndexOfName("r") finds.
const XmlAttribute* RefLine(const XmlNode& item) {
  const XmlAttributes attributes = item.Attributes();
  for (int i = 0; i < attributes.Count(); ++i) {
    const XmlAttribute& line = attributes[i];
    if (line.HasValue() && line.name.size() == 1 && (line.name[0] | 0x20) == 'r') return &line;
  }
  return nullptr;
}


// How a cell's type ("t") reads: a type holds when any "t" line has it as its
// value, or when the first "t" value has it once written as in XML; letter
// case is ignored.
struct CellType {
  bool sharedString = false;  // "s"
  bool inlineString = false;  // "inlineStr"
};

// The attribute lines of a cell that the walk reads, found in one pass.
struct CellLines {
  const XmlAttribute* ref = nullptr;  // what RefLine finds
  CellType type;
};

CellLines ReadCellLines(const XmlNode& cell) {
  CellLines lines;
  bool firstType = true;
  auto take = [&lines](std::string_view value) {
    lines.type.sharedString |= EqualsNoCase(value, "s");
    lines.type.inlineString |= EqualsNoCase(value, "inlineStr");
  };
  const XmlAttributes attributes = cell.Attributes();
  for (int i = 0; i < attributes.Count(); ++i) {
    const XmlAttribute& line = attributes[i];
    if (!line.HasValue() || line.name.size() != 1) continue;
    const char letter = static_cast<char>(line.name[0] | 0x20);
    if (letter == 'r') {
      if (lines.ref == nullptr) lines.ref = &line;
    } else if (letter == 't') {
      take(line.value);
      if (firstType) take(ValueAsWritten(line.value));
      firstType = false;
    }
  }
  return lines;
}

// Writes a worksheet's text into the end of `text`, under a size limit. Tabs
// and line breaks are held back until a value that is not all tabs follows
// them: the tabs a row would end with are never written, and neither are the
// empty lines the final trim would remove, so the cost follows the values.
class SheetWriter {
 public:
  SheetWriter(std::string& text, std::size_t maxBytes)
      : text_(text), start_(text.size()), maxBytes_(maxBytes) {}

  // The value of one column position followed by its tab.
  void Cell(std::string_view value) {
    std::size_t core = value.size();
    while (core > 0 && value[core - 1] == '\t') --core;
    if (core > 0) {
      Reserve(2 * pendingBreaks_ + pendingTabs_ + core);
      if (pendingBreaks_ != 0) AppendBreaks(static_cast<std::size_t>(pendingBreaks_));
      if (pendingTabs_ == 1) {
        text_.push_back('\t');  // the tab between two neighbouring cells
      } else if (pendingTabs_ != 0) {
        text_.append(static_cast<std::size_t>(pendingTabs_), '\t');
      }
      text_.append(value.data(), core);
      pendingBreaks_ = 0;
      pendingTabs_ = 0;
    }
    pendingTabs_ += static_cast<std::uint64_t>(value.size() - core) + 1;
  }

  // Column positions that write nothing but their tab.
  void EmptyCells(std::uint64_t count) { pendingTabs_ += count; }

  // Ends the row: its trailing tabs are dropped and a line break follows.
  void EndRow() { EmptyRows(1); }

  // Ends of rows that write nothing.
  void EmptyRows(std::uint64_t count) {
    pendingTabs_ = 0;
    pendingBreaks_ += count;
  }

  // True while nothing of the worksheet's text has been written.
  bool Empty() const { return text_.size() == start_; }

  // Takes back everything written, for a walk that starts again.
  void Restart() {
    text_.resize(start_);
    pendingBreaks_ = 0;
    pendingTabs_ = 0;
  }

  // Removes the CRs and LFs the worksheet text ends with and writes one CR LF.
  void Finish() {
    while (text_.size() > start_ && (text_.back() == '\r' || text_.back() == '\n'))
      text_.pop_back();
    Reserve(2);
    AppendBreaks(1);
  }

 private:
  void Reserve(std::uint64_t extra) const {
    if (extra > maxBytes_ || text_.size() > maxBytes_ - extra) {
      throw ExtractionError("worksheet text too long");
    }
  }

  void AppendBreaks(std::size_t count) {
    const std::size_t at = text_.size();
    text_.resize(at + 2 * count);
    for (std::size_t i = at; i < text_.size(); i += 2) {
      text_[i] = '\r';
      text_[i + 1] = '\n';
    }
  }

  std::string& text_;
  const std::size_t start_;
  const std::size_t maxBytes_;
  std::uint64_t pendingBreaks_ = 0;  // line breaks not yet written
  std::uint64_t pendingTabs_ = 0;    // tabs of the current row not yet written
};

// The value a cell writes; std::nullopt for one that writes nothing but its
// tab. `scratch` holds an inline string's text.
std::optional<std::string_view> CellValue(const XmlNode& cell, CellType type,
                                          const SharedStringTable& strings, std::string& scratch) {
  if (type.inlineString) {
    if (const XmlNode* is = FindChildExactly(cell, "is")) {
      scratch.clear();
      AppendStringItemText(*is, scratch);
      return scratch;
    }
  }
  const XmlNode* v = FindChildExactly(cell, "v");
  if (v == nullptr) return std::nullopt;
  if (!type.sharedString) return v->Text();
  std::int32_t index = 0;
  if (TryReadDecimal(v->Text(), index) && index >= 0 &&
      static_cast<std::size_t>(index) < strings.Count()) {
    return strings[static_cast<std::size_t>(index)];
  }
  return std::nullopt;
}

// Calls `take(column, cell, type)` for the cells of one row element in their
// order, with the columns their references give. A cell without a reference
// is in the column after the previous cell of its row (the first in column
// A), as ECMA-376 Part 1 §18.3.1.4 says, and so is one whose reference names
// no column ("0", as some writers number cells); other children without a
// reference are passed over. `rowNumber` is the row's "r" as written, which
// ReadDecimal has read (empty for a row without one).
template <typename Take>
void ForEachCell(const XmlNode& row, std::string_view rowNumber, Take take) {
  std::int64_t column = 1;  // the column after the previous cell
  for (const XmlNode* cell = row.FirstChild(); cell; cell = cell->NextSibling()) {
    const CellLines lines = ReadCellLines(*cell);
    std::int64_t cellColumn = column;
    if (lines.ref != nullptr) {
      const std::int32_t named = ParseCellColumn(ValueAsWritten(lines.ref->value), rowNumber);
      if (named != 0) cellColumn = named;
    } else if (!HasLocalName(*cell, "c")) {
      continue;
    }
    column = cellColumn + 1;
    take(cellColumn, *cell, lines.type);
  }
}

// The place a cell of `column` is written at, or 0 when its column is hidden:
// the later columns move left over the hidden ones.
std::int64_t CellPlace(std::int64_t column, const HiddenLines* hiddenColumns) {
  if (hiddenColumns == nullptr) return column;
  const auto index = static_cast<std::uint32_t>(column - 1);
  if (hiddenColumns->IsHidden(index)) return 0;
  return std::int64_t{hiddenColumns->VisibleIndex(index)} + 1;
}

// Lays out the rows of one worksheet as they are handed to it: every row and
// cell present, wherever the dimension says the sheet ends (writers state
// "A1" for any sheet, or no dimension at all). Rows and columns before the
// first value are written as empty lines and tabs; what follows the last value
// is trimmed, so a sheet whose cells lie inside its dimension gives the text
// the dimension alone would give.
//
// Rows and cells stored in order are written as they come. With
// CellOrder::kAsStored, a row numbered at or below one written, or a cell at
// or left of the cell before it, raises SheetOutOfOrder: the part is then read
// again with CellOrder::kSorted, which gathers every cell and lays them out in
// row and column order once the part is read, the values of cells at one
// place one after the other (as the .xls layout writes them).
//
// With a hiding that skips rows or columns, hidden rows write no line and the
// cells of hidden columns are left out; the rows and columns after them close
// up.
class WorksheetWalk : public RowWalk {
 public:
  WorksheetWalk(const SharedStringTable& strings, std::string& text, std::size_t maxBytes,
                WorksheetHiding* hiding, CellOrder order)
      : strings_(strings), out_(text, maxBytes), hiding_(hiding), order_(order) {}

  // Lays out one child of sheetData. A row without "r" is the row after the
  // previous one (the first is row 1); other children without one are passed
  // over.
  void Row(const XmlNode& element) override {
    const XmlAttribute* ref = RefLine(element);
    if (ref == nullptr && !HasLocalName(element, "row")) return;
    const std::string_view written = ref != nullptr ? ValueAsWritten(ref->value) : "";
    const std::int64_t number = ref != nullptr ? ReadDecimal(written) : next_;
    next_ = number + 1;
    const bool hidden = hiding_ != nullptr && hiding_->skipRows && IsHiddenElement(element);
    if (order_ == CellOrder::kSorted) {
      Gather(element, written, number, hidden);
      return;
    }
    if (number < row_) throw SheetOutOfOrder();
    out_.EmptyRows(static_cast<std::uint64_t>(number - row_));
    row_ = number + 1;
    if (hidden) return;
    std::int64_t column = 0;  // the column of the previous cell
    std::int64_t place = 1;   // the next column position to write
    ForEachCell(element, written, [&](std::int64_t cellColumn, const XmlNode& cell, CellType type) {
      if (cellColumn <= column) throw SheetOutOfOrder();
      column = cellColumn;
      const std::int64_t cellPlace = CellPlace(cellColumn, HiddenColumns());
      if (cellPlace == 0) return;
      out_.EmptyCells(static_cast<std::uint64_t>(cellPlace - place));
      if (const auto value = CellValue(cell, type, strings_, scratch_)) {
        out_.Cell(*value);
      } else {
        out_.EmptyCells(1);
      }
      place = cellPlace + 1;
    });
    out_.EndRow();
  }

  // Drops what was laid out, for the rows of another sheetData.
  void Restart() override {
    out_.Restart();
    row_ = 1;
    next_ = 1;
    gathered_.clear();
    values_.clear();
  }

  void Column(const XmlNode& element) override {
    if (hiding_ != nullptr && hiding_->skipColumns) HideColumnsOf(element, hiding_->columns);
  }

  // Ends the text. A sheet that states a dimension always ends with a line
  // break (an empty sheet writes one empty line); one without a dimension,
  // or without a "ref" on it, writes nothing when it has no value.
  void Finish(bool statesDimension) {
    if (order_ == CellOrder::kSorted) LayOutGathered();
    if (statesDimension || !out_.Empty()) out_.Finish();
  }

 private:
  // A row (column 0, hidden or not) or a cell's value, gathered.
  struct Gathered {
    std::int64_t row;
    std::int64_t column;
    bool hidden;
    std::size_t offset;  // of the value in values_
    std::size_t length;
  };

  const HiddenLines* HiddenColumns() const {
    return hiding_ != nullptr && hiding_->skipColumns ? &hiding_->columns : nullptr;
  }

  void Gather(const XmlNode& element, std::string_view written, std::int64_t number, bool hidden) {
    gathered_.push_back({number, 0, hidden, 0, 0});
    ForEachCell(element, written, [&](std::int64_t cellColumn, const XmlNode& cell, CellType type) {
      const auto value = CellValue(cell, type, strings_, scratch_);
      if (!value || value->empty()) return;
      gathered_.push_back({number, cellColumn, false, values_.size(), value->size()});
      values_ += *value;
    });
  }

  // Writes the gathered rows and cells in row and column order, as the rows
  // of a part stored in order are written.
  void LayOutGathered() {
    std::stable_sort(gathered_.begin(), gathered_.end(), [](const Gathered& a, const Gathered& b) {
      return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    std::size_t i = 0;
    while (i < gathered_.size()) {
      const std::int64_t row = gathered_[i].row;
      bool hidden = false;
      for (; i < gathered_.size() && gathered_[i].row == row && gathered_[i].column == 0; ++i)
        hidden |= gathered_[i].hidden;
      if (row < row_) {
        // Rows numbered below 1 stand under the cursor, as when stored in order.
        while (i < gathered_.size() && gathered_[i].row == row) ++i;
        continue;
      }
      out_.EmptyRows(static_cast<std::uint64_t>(row - row_));
      row_ = row + 1;
      std::int64_t place = 1;
      while (i < gathered_.size() && gathered_[i].row == row) {
        const std::int64_t column = gathered_[i].column;
        scratch_.clear();
        for (; i < gathered_.size() && gathered_[i].row == row && gathered_[i].column == column; ++i)
          scratch_.append(values_, gathered_[i].offset, gathered_[i].length);
        const std::int64_t cellPlace = hidden ? 0 : CellPlace(column, HiddenColumns());
        if (cellPlace == 0) continue;
        out_.EmptyCells(static_cast<std::uint64_t>(cellPlace - place));
        out_.Cell(scratch_);
        place = cellPlace + 1;
      }
      if (!hidden) out_.EndRow();
    }
  }

  const SharedStringTable& strings_;
  SheetWriter out_;
  WorksheetHiding* hiding_;
  const CellOrder order_;
  std::int64_t row_ = 1;   // the next row number to write
  std::int64_t next_ = 1;  // the number of a row element without "r"
  std::string scratch_;
  std::vector<Gathered> gathered_;
  std::string values_;
};

// True when the worksheet has a dimension element with a "ref".
bool StatesDimension(const XmlNode& worksheet) {
  const XmlNode* dimension = FindChild(worksheet, "dimension");
  return dimension != nullptr && dimension->Attributes().IndexOfName("ref") >= 0;
}

}  // namespace

void AppendWorksheetTextFromSource(XmlDocument& document, const BlockSource& source,
                                   const SharedStringTable& strings, std::string& text,
                                   std::size_t maxBytes, WorksheetHiding* hiding,
                                   CellOrder order) {
  WorksheetWalk walk(strings, text, maxBytes, hiding, order);
  WorksheetRows rows(walk);
  document.LoadFromSource(source, rows);
  rows.Finish(document.Root());
  walk.Finish(StatesDimension(document.Root()));
}

}  // namespace tabulox
