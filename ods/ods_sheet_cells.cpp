#include "ods/ods_sheet_cells.h"

#include <algorithm>

#include "ods/ods_values.h"

namespace tabulox {
namespace {

// A formula's 1 or 0 the writer shows as TRUE or FALSE: a logical result that
// the value type does not tell.
bool IsBooleanFormulaResult(const OdsCell& cell) {
  return cell.formula && cell.type == OdsValueType::kFloat &&
         ((cell.value == 1 && cell.text == "TRUE") || (cell.value == 0 && cell.text == "FALSE"));
}

}  // namespace

OdsSheetCells::OdsSheetCells(StreamedCellSink& sink, OdsCellFormats& formats, OdsCellValues values,
                             bool skipHiddenRows, RepeatBudget& budget)
    : sink_(sink), formats_(formats), values_(values), skipHiddenRows_(skipHiddenRows), budget_(budget) {}

void OdsSheetCells::Columns(std::uint32_t repeat, bool hidden, std::string_view cellStyle) {
  if (columns_ >= kOdsColumns) return;
  const std::uint32_t count = std::min(repeat, kOdsColumns - columns_);
  const std::uint32_t last = columns_ + count - 1;
  if (hidden) sink_.ColumnsHidden(columns_, last);
  if (!cellStyle.empty() && cellStyle != "Default")
    columnStyles_.push_back({columns_, last, std::string(cellStyle)});
  columns_ += count;
}

std::string_view OdsSheetCells::ColumnStyleOf(std::uint32_t column) const {
  const auto after = std::upper_bound(columnStyles_.begin(), columnStyles_.end(), column,
                                      [](std::uint32_t at, const ColumnStyle& run) { return at < run.first; });
  if (after == columnStyles_.begin()) return {};
  const ColumnStyle& run = *(after - 1);
  return column <= run.last ? std::string_view(run.style) : std::string_view();
}

void OdsSheetCells::BeginRow(std::uint32_t repeat, bool hidden) {
  rowRepeat_ = repeat;
  rowHidden_ = hidden;
  column_ = 0;
  rowCells_.clear();
  rowTexts_.clear();
}

bool OdsSheetCells::ToCellData(const OdsCell& cell, CellData& data) {
  if (cell.covered) return false;
  const bool number = cell.hasValue && cell.type != OdsValueType::kString &&
                      cell.type != OdsValueType::kNone;
  // Writers other than the application mark a formula's error by its text alone.
  const bool error = cell.error || (cell.formula && IsOdsErrorText(cell.text));
  if (error) {
    // As shown, the error's text; stored, its code where it names one.
    const std::optional<std::uint8_t> code = OdsErrorCode(cell.text);
    if (values_ == OdsCellValues::kStored && code) {
      data.kind = CellKind::kError;
      data.value = *code;
      return true;
    }
  } else if (number) {
    data.value = cell.value;
    if (cell.type == OdsValueType::kBoolean || IsBooleanFormulaResult(cell)) {
      data.kind = CellKind::kBoolean;
    } else {
      data.kind = cell.formula ? CellKind::kFormulaResult : CellKind::kNumber;
      data.xfIndex = XfOf(cell);
    }
    return true;
  }
  if (!cell.hasText) return false;
  data.kind = CellKind::kText;
  if (!error) data.xfIndex = XfOf(cell);
  return true;
}

std::uint16_t OdsSheetCells::XfOf(const OdsCell& cell) {
  return formats_.XfOf(cell.styleName.empty() ? ColumnStyleOf(column_) : std::string_view(cell.styleName));
}

void OdsSheetCells::Cell(const OdsCell& cell) {
  if (column_ >= kOdsColumns) return;
  const std::uint32_t repeat = std::min(cell.repeat, kOdsColumns - column_);
  CellData data;
  if (ToCellData(cell, data)) {
    // Each repeat costs what the first copy holds.
    const std::size_t textBytes = data.kind == CellKind::kText ? cell.text.size() : 0;
    budget_.Spend(static_cast<std::uint64_t>(repeat - 1) * (textBytes + 1));
    if (data.kind == CellKind::kText) {
      data.text.offset = static_cast<std::uint32_t>(rowTexts_.size());
      data.text.length = static_cast<std::uint32_t>(textBytes);
      rowTexts_ += cell.text;
    }
    for (std::uint32_t i = 0; i < repeat; ++i) {
      data.column = column_ + i;
      rowCells_.push_back(data);
    }
  }
  column_ += repeat;
}

void OdsSheetCells::EndRow() {
  const std::uint32_t repeat = row_ < kOdsRows ? std::min(rowRepeat_, kOdsRows - row_) : 0;
  if (rowHidden_ && skipHiddenRows_) {
    hiddenRows_ += repeat;
    row_ += repeat;
    return;
  }
  if (!rowCells_.empty()) {
    budget_.Spend(static_cast<std::uint64_t>(repeat - std::min<std::uint32_t>(repeat, 1)) *
                  (rowCells_.size() + rowTexts_.size()));
    for (std::uint32_t r = 0; r < repeat; ++r) {
      bool beginsRow = true;
      for (CellData data : rowCells_) {
        data.row = row_ + r - hiddenRows_;
        sink_.Cell(data, beginsRow);
        beginsRow = false;
        if (data.kind == CellKind::kText)
          sink_.CellText(std::string_view(rowTexts_).substr(data.text.offset, data.text.length));
      }
    }
  }
  row_ += repeat;
}

}  // namespace tabulox
