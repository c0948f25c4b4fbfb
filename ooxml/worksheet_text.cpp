#include "worksheet_text.h"

#include <cstdint>

#include "cell_ref.h"
#include "extraction_error.h"
#include "xlsx_shared_strings.h"
#include "xml_document.h"
#include "xml_text.h"

namespace tabulox {
namespace {

// The first attribute line "r=..." of the item (name case ignored), or null:
// what Params().IndexOfName("r") finds.
const TXMLParam* RefLine(const TXMLItem& item) {
  const TXMLParams params = item.Params();
  for (int i = 0; i < params.Count(); ++i) {
    const TXMLParam& line = params[i];
    if (line.HasValue() && line.name.size() == 1 && (line.name[0] | 0x20) == 'r') return &line;
  }
  return nullptr;
}


// An attribute value as written. The lenient XML reader keeps the quotes of a
// value in single quotes, and when blanks stand between the last value and
// the end of the tag (<dimension ref="A1:B2" />, as many writers put it) it
// keeps that value's closing quote and the blanks. Both forms are well-formed
// XML, so the quotes and blanks are removed here.
std::string_view ValueWithQuotesRemoved(std::string_view value) {
  const std::size_t last = value.find_last_not_of(" \t");
  if (last != std::string_view::npos && last + 1 < value.size() &&
      (value[last] == '"' || value[last] == '\'')) {
    value = value.substr(0, value[last] == '"' ? last : last + 1);
  }
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

inline std::string_view ValueAsWritten(std::string_view value) {
  // Most values end in none of the bytes the rules look at.
  if (!value.empty() && value.back() != ' ' && value.back() != '\t' && value.back() != '\'')
    return value;
  return ValueWithQuotesRemoved(value);
}

std::string_view AttributeValue(const TXMLParams& params, std::string_view name) {
  return ValueAsWritten(params.Values(name));
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
  const TXMLParam* ref = nullptr;  // what RefLine finds
  CellType type;
};

CellLines ReadCellLines(const TXMLItem& cell) {
  CellLines lines;
  bool firstType = true;
  auto take = [&lines](std::string_view value) {
    lines.type.sharedString |= EqualsNoCase(value, "s");
    lines.type.inlineString |= EqualsNoCase(value, "inlineStr");
  };
  const TXMLParams params = cell.Params();
  for (int i = 0; i < params.Count(); ++i) {
    const TXMLParam& line = params[i];
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

inline const TXMLItem* FirstChildNamedExactly(const TXMLItem& item, std::string_view name) {
  for (const TXMLItem* child = item.FirstChild(); child; child = child->NextSibling()) {
    const std::string_view childName = child->Name();
    if (childName.size() == name.size() && childName == name) return child;
  }
  return nullptr;
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

void AppendCellValue(const TXMLItem& cell, CellType type, const SharedStringTable& strings,
                     SheetWriter& out, std::string& scratch) {
  if (type.inlineString) {
    if (const TXMLItem* is = FirstChildNamedExactly(cell, "is")) {
      scratch.clear();
      AppendStringItemText(*is, scratch);
      out.Cell(scratch);
      return;
    }
  }
  const TXMLItem* v = FirstChildNamedExactly(cell, "v");
  if (v == nullptr) {
    out.EmptyCells(1);
    return;
  }
  if (!type.sharedString) {
    out.Cell(v->Text());
    return;
  }
  std::int32_t index = 0;
  if (TryReadDecimal(v->Text(), index) && index >= 0 &&
      static_cast<std::size_t>(index) < strings.Count()) {
    out.Cell(strings[static_cast<std::size_t>(index)]);
  } else {
    out.EmptyCells(1);
  }
}

// The cells of one row element, columns 1 to lastColumn.
// `rowNumber` is the row's "r" as written, which ReadDecimal has read.
void AppendRowCells(const TXMLItem& row, std::string_view rowNumber, std::int64_t lastColumn,
                    const SharedStringTable& strings, SheetWriter& out, std::string& scratch) {
  std::int64_t column = 1;  // the next column position to write
  for (const TXMLItem* cell = row.FirstChild(); cell && column <= lastColumn;
       cell = cell->NextSibling()) {
    const CellLines lines = ReadCellLines(*cell);
    if (lines.ref == nullptr) continue;
    const std::int64_t cellColumn =
        ParseCellColumn(ValueAsWritten(lines.ref->value), rowNumber);
    // A cell before the current position, or beyond the last, stays under
    // the cursor: the rest of the row writes only tabs, which are trimmed.
    if (cellColumn < column || cellColumn > lastColumn) break;
    out.EmptyCells(static_cast<std::uint64_t>(cellColumn - column));
    AppendCellValue(*cell, lines.type, strings, out, scratch);
    column = cellColumn + 1;
  }
  out.EndRow();
}

// Lays out the rows of one worksheet as they are handed to it, in order.
class WorksheetWalk {
 public:
  WorksheetWalk(const SharedStringTable& strings, std::string& text, std::size_t maxBytes)
      : strings_(strings), out_(text, maxBytes) {}

  // Reads the last cell of the dimension; false when it has no "ref", and then
  // the worksheet writes nothing.
  bool Begin(const TXMLItem& dimension) {
    const TXMLParams params = dimension.Params();
    if (params.IndexOfName("ref") < 0) return false;
    std::string_view ref = AttributeValue(params, "ref");
    if (const std::size_t colon = ref.find(':'); colon != std::string_view::npos)
      ref = ref.substr(colon + 1);
    last_ = ParseCellRef(ref);
    return true;
  }

  // Lays out one child of sheetData; false when no later child can write
  // anything. Rows after the last row element found, or after one that stays
  // under the cursor, are empty lines, which the final trim removes.
  bool Row(const TXMLItem& element) {
    const TXMLParam* ref = RefLine(element);
    if (ref == nullptr) return true;
    if (row_ > last_.row) return false;
    const std::string_view written = ValueAsWritten(ref->value);
    const std::int64_t number = ReadDecimal(written);
    if (number < row_ || number > last_.row) return false;
    out_.EmptyRows(static_cast<std::uint64_t>(number - row_));
    AppendRowCells(element, written, last_.column, strings_, out_, scratch_);
    row_ = number + 1;
    return true;
  }

  void Finish() { out_.Finish(); }

 private:
  const SharedStringTable& strings_;
  SheetWriter out_;
  CellRef last_;
  std::int64_t row_ = 1;  // the next row number to write
  std::string scratch_;
};

// Hands the children of the first sheetData to the walk as they are read,
// when a dimension comes before it: then the walk sees what it would see in
// the whole tree. Otherwise nothing is handed over and the tree is walked
// once it is complete.
class WorksheetRows : public TXMLChildSink {
 public:
  explicit WorksheetRows(WorksheetWalk& walk) : walk_(walk) {}

  bool HandsOverChildren(const TXMLItem& item) override {
    const TXMLItem* worksheet = item.Parent();
    if (worksheet == nullptr || !EqualsNoCase(item.Name(), "sheetData")) return false;
    const TXMLItem* dimension = nullptr;
    for (const TXMLItem* child = worksheet->FirstChild(); child != &item;
         child = child->NextSibling()) {
      if (EqualsNoCase(child->Name(), "sheetData")) return false;
      if (dimension == nullptr && EqualsNoCase(child->Name(), "dimension")) dimension = child;
    }
    if (dimension == nullptr) return false;
    handedOver_ = true;
    began_ = walk_.Begin(*dimension);
    writing_ = began_;
    return true;
  }

  void TakeChild(const TXMLItem& row) override {
    if (writing_) writing_ = walk_.Row(row);
  }

  bool HandedOver() const { return handedOver_; }
  bool Began() const { return began_; }

 private:
  WorksheetWalk& walk_;
  bool handedOver_ = false;
  bool began_ = false;
  bool writing_ = false;
};

}  // namespace

void AppendWorksheetText(TXMLItem& worksheet, const SharedStringTable& strings, std::string& text,
                         std::size_t maxBytes) {
  WorksheetWalk walk(strings, text, maxBytes);
  if (!walk.Begin(worksheet.ItemNamed("dimension"))) return;
  for (const TXMLItem* element = worksheet.ItemNamed("sheetData").FirstChild();
       element != nullptr && walk.Row(*element); element = element->NextSibling()) {
  }
  walk.Finish();
}

void AppendWorksheetTextFromSource(TKvXMLParser& document, const TXMLBlockSource& source,
                                   const SharedStringTable& strings, std::string& text,
                                   std::size_t maxBytes) {
  WorksheetWalk walk(strings, text, maxBytes);
  WorksheetRows rows(walk);
  document.LoadFromSource(source, rows);
  if (!rows.HandedOver()) {
    AppendWorksheetText(document.Root(), strings, text, maxBytes);
  } else if (rows.Began()) {
    walk.Finish();
  }
}

}  // namespace tabulox
