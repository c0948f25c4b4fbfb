#include "grid_writer.h"

#include <algorithm>

#include "extraction_error.h"

namespace tabulox {
namespace {

bool NeedsQuotes(std::string_view field, char separator) {
  for (char c : field) {
    if (c == separator || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

}  // namespace

GridWriter::GridWriter(std::string& text, GridLayout layout, std::size_t maxBytes)
    : text_(text), layout_(layout), maxBytes_(maxBytes) {}

void GridWriter::Reserve(std::size_t extra) const {
  if (extra > maxBytes_ || text_.size() > maxBytes_ - extra) {
    throw ExtractionError("worksheet text too long");
  }
}

void GridWriter::AppendField(std::string_view shown) {
  if (!NeedsQuotes(shown, layout_.separator)) {
    text_.append(shown);
    return;
  }
  Reserve(shown.size() + 2);
  text_.push_back('"');
  for (char c : shown) {
    if (c == '"') text_.push_back('"');
    text_.push_back(c);
  }
  text_.push_back('"');
}

void GridWriter::BeginSheet(std::string_view name, const HiddenLines& hiddenRows,
                            const HiddenLines& hiddenColumns) {
  hiddenRows_ = &hiddenRows;
  hiddenColumns_ = &hiddenColumns;
  sheetStart_ = text_.size();
  if (layout_.headings) {
    Reserve(2 * name.size() + 4);
    AppendField(name);
    text_.append("\r\n");
  }
  gridStart_ = text_.size();
  lines_.clear();
  widest_ = 0;
  nextRow_ = 0;
  fields_ = 0;
  rowOpen_ = false;
}

void GridWriter::EndLine() {
  Reserve(2);
  lines_.push_back({nextRow_, fields_, text_.size() - gridStart_});
  widest_ = std::max(widest_, fields_);
  text_.append("\r\n");
  ++nextRow_;
  fields_ = 0;
  rowOpen_ = false;
}

void GridWriter::Cell(std::uint32_t row, std::uint32_t column, std::string_view shown) {
  if (shown.empty()) return;
  std::uint32_t line = row;
  std::uint32_t field = column;
  // Most sheets hide nothing: their cells stand where they are.
  if (!hiddenRows_->Empty()) {
    if (hiddenRows_->IsHidden(row)) return;
    line = hiddenRows_->VisibleIndex(row);
  }
  if (!hiddenColumns_->Empty()) {
    if (hiddenColumns_->IsHidden(column)) return;
    field = hiddenColumns_->VisibleIndex(column);
  }
  if (rowOpen_ && line != nextRow_) EndLine();
  // A cell above or left of one written already has no place left in the grid.
  if (line < nextRow_ || (rowOpen_ && field < fields_)) return;
  if (!rowOpen_) {
    const std::size_t emptyLines = line - nextRow_;
    Reserve(2 * emptyLines);
    for (std::size_t i = 0; i < emptyLines; ++i) text_.append("\r\n");
    nextRow_ = line;
    rowOpen_ = true;
  }
  const std::size_t separators = field - fields_ + (fields_ > 0 ? 1 : 0);
  Reserve(separators + shown.size());
  text_.append(separators, layout_.separator);
  AppendField(shown);
  fields_ = field + 1;
}

void GridWriter::PadLines(std::uint32_t widest) {
  const std::string grid = text_.substr(gridStart_);
  text_.resize(gridStart_);
  auto pad = [&](std::uint32_t fields) {
    const std::size_t count = widest - std::max<std::uint32_t>(fields, 1);
    Reserve(count + 2);
    text_.append(count, layout_.separator);
    text_.append("\r\n");
  };
  std::size_t at = 0;
  std::uint32_t row = 0;
  for (const Line& line : lines_) {
    for (; row < line.row; ++row, at += 2) pad(0);
    Reserve(line.end - at);
    text_.append(grid, at, line.end - at);
    pad(line.fields);
    at = line.end + 2;
    row = line.row + 1;
  }
}

bool GridWriter::EndSheet() {
  if (rowOpen_) EndLine();
  const bool hasText = !lines_.empty();
  // Lines are short of fields when some row is narrower than the widest or
  // some row between two written ones is empty.
  const bool gaps = hasText && lines_.back().row + 1 != lines_.size();
  if (widest_ > 1 && (gaps || std::any_of(lines_.begin(), lines_.end(), [&](const Line& line) {
                        return line.fields != widest_;
                      }))) {
    PadLines(widest_);
  }
  if (!hasText && layout_.dropEmptySheets) {
    text_.resize(sheetStart_);
    return false;
  }
  if (layout_.headings) {
    Reserve(2);
    text_.append("\r\n");
  }
  if (hasText) ++sheetsWithText_;
  return hasText;
}

}  // namespace tabulox
