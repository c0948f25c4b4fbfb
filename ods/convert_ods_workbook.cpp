#include "ods/convert_ods_workbook.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "core/conversion_output.h"
#include "core/file_bytes.h"
#include "core/text_encoding.h"
#include "grid/grid_writer.h"
#include "grid/sheet_choice.h"
#include "ods/ods_cell_formats.h"
#include "ods/ods_document.h"
#include "ods/ods_sheet_cells.h"
#include "ods/ods_styles.h"
#include "xls/shown_cell_writer.h"
#include "xls/workbook_data.h"
#include "xls/worksheet_layout.h"
#include "zip/zip_archive.h"

namespace tabulox {
namespace {

// The result code is the byte length of the text, a signed 32-bit number.
constexpr std::size_t kMaxTextBytes = std::numeric_limits<std::int32_t>::max();

struct OdsTable {
  std::string name;  // engine text
  bool hidden = false;
};

// The tables of the document, cells passed over.
class TableList final : public OdsContentSink {
 public:
  explicit TableList(const OdsStyles& styles) : styles_(styles) {}

  void BeginTable(std::string_view name, std::string_view styleName) override {
    tables.push_back({std::string(name), styles_.HidesTable(styleName)});
  }
  void EndTable() override {}
  bool WantsCells() const override { return false; }

  std::vector<OdsTable> tables;

 private:
  const OdsStyles& styles_;
};

std::vector<SheetInfo> SheetInfos(const std::vector<OdsTable>& tables) {
  std::vector<SheetInfo> infos;
  infos.reserve(tables.size());
  for (const OdsTable& table : tables) infos.push_back({EngineTextAsUtf8(table.name), table.hidden});
  return infos;
}

// Writes the tables chosen for one pass over the document (every one when
// none is marked), each through the cell sink `begin` makes for it.
class TableWriter final : public OdsContentSink {
 public:
  // Makes the sink of a chosen table (its name given) and ends it.
  struct SheetSinks {
    std::function<StreamedCellSink&(std::string_view name)> begin;
    std::function<void()> end;
  };

  TableWriter(std::vector<bool> chosen, SheetSinks layout, OdsCellFormats& formats, OdsCellValues values,
              bool skipHiddenRows, RepeatBudget& budget)
      : chosen_(std::move(chosen)),
        layout_(std::move(layout)),
        formats_(formats),
        values_(values),
        skipHiddenRows_(skipHiddenRows),
        budget_(budget) {}

  void BeginTable(std::string_view name, std::string_view) override {
    const std::size_t index = tables_++;
    if (!chosen_.empty() && (index >= chosen_.size() || !chosen_[index])) return;
    cells_.emplace(layout_.begin(name), formats_, values_, skipHiddenRows_, budget_);
  }
  void Columns(std::uint32_t repeat, bool hidden, std::string_view cellStyle) override {
    if (cells_) cells_->Columns(repeat, hidden, cellStyle);
  }
  void BeginRow(std::uint32_t repeat, bool hidden) override {
    if (cells_) cells_->BeginRow(repeat, hidden);
  }
  void Cell(const OdsCell& cell) override {
    if (cells_) cells_->Cell(cell);
  }
  void EndRow() override {
    if (cells_) cells_->EndRow();
  }
  void EndTable() override {
    if (!cells_) return;
    cells_.reset();
    layout_.end();
  }
  bool WantsCells() const override { return true; }

 private:
  std::vector<bool> chosen_;
  SheetSinks layout_;
  OdsCellFormats& formats_;
  const OdsCellValues values_;
  const bool skipHiddenRows_;
  RepeatBudget& budget_;
  std::size_t tables_ = 0;
  std::optional<OdsSheetCells> cells_;
};

// The passes over the document that write the chosen tables in the order
// chosen: one for tables chosen in document order, else one for each.
std::vector<std::vector<bool>> Passes(const std::vector<std::size_t>& chosen, std::size_t tables) {
  std::vector<std::vector<bool>> passes;
  if (std::is_sorted(chosen.begin(), chosen.end())) {
    passes.emplace_back(tables, false);
    for (const std::size_t i : chosen) passes.back()[i] = true;
    return passes;
  }
  for (const std::size_t i : chosen) {
    passes.emplace_back(tables, false);
    passes.back()[i] = true;
  }
  return passes;
}

// Whether the conversion must know the tables before it writes them: to
// choose among them.
bool NeedsTableList(const ConversionOptions& options) {
  return !options.sheets.empty() || options.skipHiddenSheets;
}

ResultCode ExtractOdsText(const OdsDocument& document, const ConversionOptions& options, std::string& text) {
  RepeatBudget budget;
  OdsStyles styles;
  document.ReadStyles(styles, budget);
  std::vector<std::vector<bool>> passes;
  std::size_t written = 0;
  bool stylesRead = false;
  if (NeedsTableList(options)) {
    TableList list(styles);
    document.WalkContent(list, &styles, budget);
    stylesRead = true;
    if (list.tables.empty()) return kFormatNotCorrect;
    std::vector<std::size_t> chosen;
    if (ChooseSheets(SheetInfos(list.tables), options, chosen) < 0) return kSheetNotFound;
    if (chosen.empty()) return 0;
    passes = Passes(chosen, list.tables.size());
    written = chosen.size();
  } else {
    // Every table, in document order, found as the one pass reads them.
    passes.emplace_back();
  }
  // Without the list, the as-shown layout heads every table, and takes the
  // heading back when there was only one.
  const bool headsEach = !stylesRead && options.layout == Layout::kAsShown;
  std::size_t headingStart = 0;
  std::size_t headingEnd = 0;
  auto book = std::make_unique<WorkbookData>();
  OdsCellFormats formats(styles, book->styles);
  const bool shown = options.layout != Layout::kDefault;
  const SkippedHiddenLines skipped{false, options.skipHiddenColumns};
  std::optional<GridWriter> grid;
  if (shown) grid.emplace(text, GridLayoutFor(options, headsEach ? 2 : written), kMaxTextBytes);
  std::optional<RowTextWriter> rows;
  std::optional<ShownCellWriter> shownCells;
  WorksheetData named;
  std::size_t tables = 0;
  TableWriter::SheetSinks layout;
  if (shown) {
    layout.begin = [&](std::string_view name) -> StreamedCellSink& {
      ++tables;
      formats.Complete();
      named.name = name;
      headingStart = text.size();
      ShownCellWriter& cells = shownCells.emplace(*book, named, *grid, skipped);
      headingEnd = text.size();
      return cells;
    };
    layout.end = [&] {
      shownCells->Finish();
      shownCells.reset();
    };
  } else {
    layout.begin = [&](std::string_view name) -> StreamedCellSink& {
      ++tables;
      formats.Complete();
      named.name = name;
      AppendSheetNameLine(named, text);
      return rows.emplace(*book, text, kMaxWorkbookTextBytes, skipped);
    };
    layout.end = [&] {
      rows->Finish();
      rows.reset();
      EndWorksheetText(text);
    };
  }
  const OdsCellValues values = shown ? OdsCellValues::kShown : OdsCellValues::kStored;
  for (std::vector<bool>& pass : passes) {
    TableWriter writer(std::move(pass), layout, formats, values, options.skipHiddenRows, budget);
    document.WalkContent(writer, stylesRead ? nullptr : &styles, budget);
    stylesRead = true;
  }
  if (tables == 0) return kFormatNotCorrect;
  if (headsEach && tables == 1) {
    // The one table's heading line and the empty line after it.
    text.resize(text.size() - 2);
    text.erase(headingStart, headingEnd - headingStart);
  }
  return shown ? ShownOutcome(options, grid->SheetsWithText()) : 0;
}

ResultCode ConvertDocument(const OdsDocument& document, OutputBlock& block, std::int32_t codePage,
                           const ConversionOptions& options) {
  try {
    std::string text(LeadingMark(codePage));
    const ResultCode extracted = ExtractOdsText(document, options, text);
    if (extracted < 0) return extracted;
    // The grid writes CR LF line ends itself; the breaks inside its quoted
    // fields stay as their cells hold them.
    const LineBreaks breaks = options.layout == Layout::kDefault ? LineBreaks::kCrLf : LineBreaks::kAsHeld;
    return FinishConversion(std::move(text), block, codePage, breaks);
  } catch (...) {
    return kFormatNotCorrect;
  }
}

ResultCode ListDocumentSheets(const OdsDocument& document, std::vector<SheetInfo>& sheets) {
  try {
    RepeatBudget budget;
    OdsStyles styles;
    TableList list(styles);
    document.WalkContent(list, &styles, budget);
    if (list.tables.empty()) return kFormatNotCorrect;
    sheets = SheetInfos(list.tables);
    return static_cast<ResultCode>(sheets.size());
  } catch (...) {
    return kFormatNotCorrect;
  }
}

// Whether the file opens as a ZIP archive; nothing when it cannot be read.
std::optional<bool> FileIsZipArchive(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::uint8_t head[2] = {0, 0};
  file.read(reinterpret_cast<char*>(head), 2);
  return LooksLikeZipArchive(std::span<const std::uint8_t>(head, static_cast<std::size_t>(file.gcount())));
}

// Runs `read` on the document at `path`: a package through `reader`, a flat
// document from its bytes.
template <typename Read>
ResultCode WithFileDocument(ZipArchive& reader, const std::string& path, Read read) {
  if (!FileExists(path)) return kSourceMissing;
  const std::optional<bool> zip = FileIsZipArchive(path);
  if (!zip) return kSourceOpenFailed;
  if (*zip) {
    try {
      reader.Open(path);
    } catch (...) {
      return kSourceOpenFailed;
    }
    if (reader.MemberCount() == 0) return kFormatNotCorrect;
    return read(OdsDocument(reader));
  }
  FileBytes bytes;
  const ResultCode rc = ReadFileBytes(path, bytes);
  if (rc < 0) return rc;
  return read(OdsDocument(std::span<const std::uint8_t>(bytes)));
}

template <typename Read>
ResultCode WithBufferDocument(ZipArchive& reader, std::span<const std::uint8_t> file, Read read) {
  if (!LooksLikeZipArchive(file)) return read(OdsDocument(file));
  try {
    reader.OpenBuffer(file);
  } catch (...) {
    return kSourceOpenFailed;
  }
  if (reader.MemberCount() == 0) return kFormatNotCorrect;
  return read(OdsDocument(reader));
}

}  // namespace

OdsConverter::OdsConverter(ZipArchive& reader) : reader_(reader) {}

ResultCode OdsConverter::Convert(const std::string& sourcePath, OutputBlock& block,
                                 std::int32_t codePage, const ConversionOptions& options) {
  return WithFileDocument(reader_, sourcePath, [&](const OdsDocument& document) {
    return ConvertDocument(document, block, codePage, options);
  });
}

ResultCode OdsConverter::ConvertBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                       std::int32_t codePage, const ConversionOptions& options) {
  return WithBufferDocument(reader_, file, [&](const OdsDocument& document) {
    return ConvertDocument(document, block, codePage, options);
  });
}

ResultCode OdsConverter::ListSheets(const std::string& sourcePath, std::vector<SheetInfo>& sheets) {
  return WithFileDocument(reader_, sourcePath,
                          [&](const OdsDocument& document) { return ListDocumentSheets(document, sheets); });
}

ResultCode OdsConverter::ListSheetsInBuffer(std::span<const std::uint8_t> file,
                                            std::vector<SheetInfo>& sheets) {
  return WithBufferDocument(reader_, file,
                            [&](const OdsDocument& document) { return ListDocumentSheets(document, sheets); });
}

}  // namespace tabulox
