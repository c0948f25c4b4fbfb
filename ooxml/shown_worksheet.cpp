#include "ooxml/shown_worksheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "ooxml/cell_ref.h"
#include "ooxml/iso_date_time.h"
#include "ooxml/workbook_styles.h"
#include "ooxml/worksheet_rows.h"
#include "ooxml/xlsx_shared_strings.h"
#include "xml/xml_lookup.h"
#include "xml/xml_text.h"

namespace tabulox {
namespace {

enum class CellKind {
  kNumber,
  kSharedString,
  kFormulaString,
  kInlineString,
  kBoolean,
  kError,
  kDate,
};

CellKind KindOf(std::string_view type) {
  if (type.empty()) return CellKind::kNumber;
  if (EqualsNoCase(type, "s")) return CellKind::kSharedString;
  if (EqualsNoCase(type, "str")) return CellKind::kFormulaString;
  if (EqualsNoCase(type, "inlineStr")) return CellKind::kInlineString;
  if (EqualsNoCase(type, "b")) return CellKind::kBoolean;
  if (EqualsNoCase(type, "e")) return CellKind::kError;
  if (EqualsNoCase(type, "d")) return CellKind::kDate;
  return CellKind::kNumber;
}

// The attribute lines of a cell the as-shown walk reads, found in one pass:
// the first "r", "t" and "s" (names in either case).
struct ShownCellLines {
  const XmlAttribute* ref = nullptr;
  std::string_view type;
  std::int64_t xf = 0;  // -1 when "s" is not a number
};

ShownCellLines ReadShownCellLines(const XmlNode& cell) {
  ShownCellLines lines;
  bool typeSeen = false;
  bool xfSeen = false;
  const XmlAttributes attributes = cell.Attributes();
  for (int i = 0; i < attributes.Count(); ++i) {
    const XmlAttribute& line = attributes[i];
    if (!line.HasValue() || line.name.size() != 1) continue;
    const char letter = static_cast<char>(line.name[0] | 0x20);
    if (letter == 'r') {
      if (lines.ref == nullptr) lines.ref = &line;
    } else if (letter == 't' && !typeSeen) {
      typeSeen = true;
      lines.type = ValueAsWritten(line.value);
    } else if (letter == 's' && !xfSeen) {
      xfSeen = true;
      std::int32_t xf = 0;
      lines.xf = TryReadDecimal(ValueAsWritten(line.value), xf) ? xf : -1;
    }
  }
  return lines;
}

// The text without the XML blanks (space, TAB, CR, LF) at its edges.
std::string_view WithoutEdgeBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The value as a finite number when the whole text reads as one.
std::optional<double> ReadNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Appends the text a cell shows (see ShownWorksheetWriter::Read); `scratch`
// holds the text of an inline string.
void AppendShownCellOfKind(const XmlNode& cell, CellKind kind, std::int64_t xf,
                           const ShownWorkbook& workbook, std::string& out, std::string& scratch) {
  if (kind == CellKind::kInlineString) {
    if (const XmlNode* is = FindChildExactly(cell, "is")) {
      scratch.clear();
      AppendStringItemText(*is, scratch);
      workbook.styles.CellFormat(xf).AppendText(scratch, out);
      return;
    }
  }
  const XmlNode* v = FindChildExactly(cell, "v");
  if (v == nullptr) return;
  // Text is read as written: a value that is not a text is read without the
  // blanks around it.
  const std::string_view written = v->Text();
  const bool text = kind == CellKind::kFormulaString || kind == CellKind::kInlineString;
  const std::string_view value = text ? written : WithoutEdgeBlanks(written);
  switch (kind) {
    case CellKind::kSharedString: {
      std::int32_t index = 0;
      if (TryReadDecimal(value, index) && index >= 0 &&
          static_cast<std::size_t>(index) < workbook.strings.Count()) {
        workbook.styles.CellFormat(xf).AppendText(
            workbook.strings[static_cast<std::size_t>(index)], out);
      }
      return;
    }
    case CellKind::kFormulaString:
    case CellKind::kInlineString:
      workbook.styles.CellFormat(xf).AppendText(value, out);
      return;
    case CellKind::kBoolean:
      out += value == "1" ? std::string_view("TRUE") : value == "0" ? std::string_view("FALSE") : value;
      return;
    case CellKind::kError:
      out += value;
      return;
    case CellKind::kDate:
      if (const std::optional<double> serial = IsoDateTimeSerial(value, workbook.dateSystem)) {
        workbook.styles.CellFormat(xf).AppendNumber(*serial, workbook.dateSystem, out);
      } else {
        out += value;
      }
      return;
    case CellKind::kNumber:
      if (const std::optional<double> number = ReadNumber(value)) {
        workbook.styles.CellFormat(xf).AppendNumber(*number, workbook.dateSystem, out);
      } else {
        out += value;
      }
      return;
  }
}

// Lays out the rows of one worksheet into the grid as they are handed to it.
class ShownRowWalk : public RowWalk {
 public:
  ShownRowWalk(const ShownWorkbook& workbook, GridWriter& grid, WorksheetHiding& hiding,
               ShownWorksheetWriter& sheet, CellOrder order)
      : workbook_(workbook), grid_(grid), hiding_(hiding), sheet_(sheet), order_(order) {}

  // A row without "r" is the row after the previous one (the first is row
  // 1); other children without one are passed over. With CellOrder::kAsStored
  // a cell the grid has no place for any more (above or left of one given to
  // it) raises SheetOutOfOrder, and so does a hidden row above one given;
  // with kSorted the cells are gathered and given in order by LayOutGathered.
  void Row(const XmlNode& element) override {
    const XmlAttribute* ref = nullptr;
    const XmlAttributes attributes = element.Attributes();
    for (int i = 0; i < attributes.Count() && ref == nullptr; ++i) {
      const XmlAttribute& line = attributes[i];
      if (line.HasValue() && line.name.size() == 1 && (line.name[0] | 0x20) == 'r') ref = &line;
    }
    if (ref == nullptr && !HasLocalName(element, "row")) return;
    const std::string_view written = ref != nullptr ? ValueAsWritten(ref->value) : "";
    const std::int64_t number = ref != nullptr ? ReadDecimal(written) : row_;
    if (number < 1) return;
    row_ = number + 1;
    const auto row = static_cast<std::uint32_t>(number - 1);
    if (hiding_.skipRows && IsHiddenElement(element)) {
      if (order_ == CellOrder::kAsStored && number <= furthest_) throw SheetOutOfOrder();
      hiding_.rows.Hide(row, row);
      return;
    }
    Cells(element, written, row);
  }

  void Restart() override {
    sheet_.TakeBack();
    row_ = 1;
    furthest_ = 0;
    lastColumn_ = 0;
    gathered_.clear();
    shownTexts_.clear();
  }

  // Gives the gathered cells to the grid in row and column order; of cells at
  // one place the first stored is shown.
  void LayOutGathered() {
    std::stable_sort(gathered_.begin(), gathered_.end(), [](const Gathered& a, const Gathered& b) {
      return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    for (const Gathered& cell : gathered_)
      grid_.Cell(cell.row, cell.column, std::string_view(shownTexts_).substr(cell.offset, cell.length));
  }

  void Column(const XmlNode& element) override {
    if (hiding_.skipColumns) HideColumnsOf(element, hiding_.columns);
  }

 private:
  // A cell without a reference, or whose reference names no column, is in
  // the column after the previous cell; other children without one are
  // passed over. A cell left of one written has no place in the grid.
  void Cells(const XmlNode& row, std::string_view rowNumber, std::uint32_t rowIndex) {
    std::int64_t column = 1;  // the column after the previous cell
    for (const XmlNode* cell = row.FirstChild(); cell; cell = cell->NextSibling()) {
      const ShownCellLines lines = ReadShownCellLines(*cell);
      std::int64_t cellColumn = column;
      if (lines.ref != nullptr) {
        const std::int32_t named = ParseCellColumn(ValueAsWritten(lines.ref->value), rowNumber);
        if (named != 0) cellColumn = named;
      } else if (!HasLocalName(*cell, "c")) {
        continue;
      }
      column = cellColumn + 1;
      shown_.clear();
      AppendShownCellOfKind(*cell, KindOf(lines.type), lines.xf, workbook_, shown_, scratch_);
      if (shown_.empty()) continue;
      const auto cellIndex = static_cast<std::uint32_t>(cellColumn - 1);
      if (order_ == CellOrder::kSorted) {
        gathered_.push_back({rowIndex, cellIndex, shownTexts_.size(), shown_.size()});
        shownTexts_ += shown_;
        continue;
      }
      const std::int64_t number = std::int64_t{rowIndex} + 1;
      if (number < furthest_ || (number == furthest_ && cellColumn <= lastColumn_))
        throw SheetOutOfOrder();
      furthest_ = number;
      lastColumn_ = cellColumn;
      grid_.Cell(rowIndex, cellIndex, shown_);
    }
  }

  // A cell's shown text, gathered.
  struct Gathered {
    std::uint32_t row;
    std::uint32_t column;
    std::size_t offset;  // of the text in shownTexts_
    std::size_t length;
  };

  const ShownWorkbook& workbook_;
  GridWriter& grid_;
  WorksheetHiding& hiding_;
  ShownWorksheetWriter& sheet_;
  const CellOrder order_;
  std::int64_t row_ = 1;         // the row after the previous one
  std::int64_t furthest_ = 0;    // the row of the last cell given to the grid
  std::int64_t lastColumn_ = 0;  // the column of that cell
  std::string shown_;
  std::string scratch_;
  std::vector<Gathered> gathered_;
  std::string shownTexts_;
};

}  // namespace

void ShownWorksheetWriter::Begin(std::string_view name) {
  name_ = name;
  start_ = text_.size();
  grid_.BeginSheet(name_, hiding_.rows, hiding_.columns);
}

void ShownWorksheetWriter::Read(XmlDocument& document, const BlockSource& source, CellOrder order) {
  ShownRowWalk walk(workbook_, grid_, hiding_, *this, order);
  WorksheetRows rows(walk);
  document.LoadFromSource(source, rows);
  rows.Finish(document.Root());
  if (order == CellOrder::kSorted) walk.LayOutGathered();
}

void ShownWorksheetWriter::TakeBack() {
  text_.resize(start_);
  hiding_.rows.Clear();
  grid_.BeginSheet(name_, hiding_.rows, hiding_.columns);
}

}  // namespace tabulox
