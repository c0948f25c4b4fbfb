#include "grid/grid_writer.h"

#include <algorithm>
#include <cstring>

#include "core/extraction_error.h"
#include "core/huge_pages.h"

namespace tabulox {
namespace {

bool NeedsQuotes(std::string_view field, char separator) {
  // The bytes that need quotes are all at or below the higher of the
  // separator and '"'; most bytes of a field are above it.
  const auto highest = std::max(static_cast<unsigned char>(separator), static_cast<unsigned char>('"'));
  for (char c : field) {
    if (static_cast<unsigned char>(c) <= highest && (c == separator || c == '"' || c == '\r' || c == '\n'))
      return true;
  }
  return false;
}

}  // namespace

GridWriter::GridWriter(std::string& text, GridLayout layout, std::size_t maxBytes)
    : text_(text), layout_(layout), maxBytes_(maxBytes) {}

void GridWriter::CheckedGrow(std::size_t extra) {
  if (extra > maxBytes_ || text_.size() > maxBytes_ - extra) {
    throw ExtractionError("worksheet text too long");
  }
  GrowRoom(text_.size() + extra);
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

// Room that grows is taken anew, advised for huge pages before it is written,
// and the text moved into it: padding can make a sheet's text many times the
// size of its cells. A quarter more is taken, for what follows the sheet (at
// least the zero the finished text gets) to fit without another move.
void GridWriter::GrowRoom(std::size_t size) {
  if (size <= text_.capacity()) return;
  std::string grown;
  grown.reserve(std::max(size + size / 4, 2 * text_.capacity()));
  AdviseHugePagesForRoom(grown);
  grown.append(text_);
  text_.swap(grown);
}

// The lines are moved within the text, from the last one back, each to where
// the padding before it puts it: no second copy of the sheet is made.
void GridWriter::PadLines(std::uint32_t widest) {
  const auto padding = [&](std::uint32_t fields) -> std::size_t {
    return widest - std::max<std::uint32_t>(fields, 1);
  };
  std::size_t extra = 0;
  std::uint32_t row = 0;
  for (const Line& line : lines_) {
    extra += static_cast<std::size_t>(line.row - row) * padding(0) + padding(line.fields);
    row = line.row + 1;
  }
  Reserve(extra);
  const std::size_t oldEnd = text_.size() - gridStart_;
  text_.resize(text_.size() + extra);
  char* const grid = text_.data() + gridStart_;
  std::size_t to = oldEnd + extra;  // where the part placed next ends
  const auto placeLineEnd = [&](std::size_t count) {
    to -= 2;
    std::memcpy(grid + to, "\r\n", 2);
    to -= count;
    std::memset(grid + to, layout_.separator, count);
  };
  for (std::size_t i = lines_.size(); i-- > 0;) {
    const Line& line = lines_[i];
    const std::uint32_t rowAfterPrevious = i == 0 ? 0 : lines_[i - 1].row + 1;
    // The line's fields follow the previous line's CR LF and an empty line
    // for each row between them.
    const std::size_t from = (i == 0 ? 0 : lines_[i - 1].end + 2) +
                             2 * static_cast<std::size_t>(line.row - rowAfterPrevious);
    placeLineEnd(padding(line.fields));
    to -= line.end - from;
    std::memmove(grid + to, grid + from, line.end - from);
    for (std::uint32_t empty = rowAfterPrevious; empty < line.row; ++empty) placeLineEnd(padding(0));
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
