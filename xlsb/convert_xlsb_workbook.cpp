#include "xlsb/convert_xlsb_workbook.h"

#include <exception>
#include <memory>
#include <limits>
#include <utility>

#include "core/conversion_output.h"
#include "core/file_bytes.h"
#include "core/text_encoding.h"
#include "grid/grid_writer.h"
#include "grid/sheet_choice.h"
#include "xls/shown_cell_writer.h"
#include "xls/workbook_data.h"
#include "xls/worksheet_layout.h"
#include "xlsb/xlsb_shared_strings.h"
#include "xlsb/xlsb_styles.h"
#include "xlsb/xlsb_workbook.h"
#include "xlsb/xlsb_worksheet.h"
#include "xml/xml_document.h"
#include "zip/member_read.h"
#include "zip/zip_archive.h"

namespace tabulox {

struct XlsbReadingState {
  XmlDocument document;
};

namespace {

// The result code is the byte length of the text, a signed 32-bit number.
constexpr std::size_t kMaxTextBytes = std::numeric_limits<std::int32_t>::max();

constexpr std::string_view kSharedStringsMember = "xl/sharedStrings.bin";
constexpr std::string_view kStylesMember = "xl/styles.bin";

// The part the relationships name, else the usual one.
std::string_view PartOr(const std::string& named, std::string_view usual) {
  return named.empty() ? usual : std::string_view(named);
}

// Reads the shared strings; a missing part leaves the table empty. May raise.
void LoadSharedStrings(ZipArchive& reader, const XlsbWorkbookParts& parts, WorkbookData& book) {
  const MemberRead read =
      ReadMember(reader, PartOr(parts.sharedStrings, kSharedStringsMember),
                 [&](const BlockSource& source) { LoadXlsbSharedStrings(source, book.sharedStrings); });
  if (read.error) std::rethrow_exception(read.error);
}

// Reads the number and cell formats; a part that is missing or cannot be
// read leaves every cell General.
void LoadStyles(ZipArchive& reader, const XlsbWorkbookParts& parts, WorkbookData& book) {
  InitStyleData(book.styles);
  book.styles.dateSystem = parts.date1904 ? DateSystem::k1904 : DateSystem::k1900;
  try {
    const MemberRead read = ReadMember(reader, PartOr(parts.styles, kStylesMember),
                                       [&](const BlockSource& source) { LoadXlsbStyles(source, book.styles); });
    if (!read.error) return;
  } catch (...) {
  }
  InitStyleData(book.styles);
  book.styles.dateSystem = parts.date1904 ? DateSystem::k1904 : DateSystem::k1900;
}

// The sheets as a program sees them: names in UTF-8.
std::vector<SheetInfo> SheetInfos(const std::vector<XlsbSheet>& sheets) {
  std::vector<SheetInfo> infos;
  infos.reserve(sheets.size());
  for (const XlsbSheet& sheet : sheets) {
    infos.push_back({EngineTextAsUtf8(sheet.name), sheet.hidden});
  }
  return infos;
}

// Streams the cells of a worksheet part to `sink`. Returns whether the part
// is present. May raise.
bool ReadWorksheet(ZipArchive& reader, const XlsbSheet& sheet, StreamedCellSink& sink,
                   bool skipHiddenRows) {
  const MemberRead read = ReadMember(reader, sheet.part, [&](const BlockSource& source) {
    StreamXlsbWorksheet(source, sink, skipHiddenRows);
  });
  if (read.error) std::rethrow_exception(read.error);
  return read.extracted > 0;
}

// A sheet as the .xls layouts know it: its name.
WorksheetData NamedWorksheet(const XlsbSheet& sheet) {
  WorksheetData named;
  named.name = sheet.name;
  return named;
}

// Writes the chosen sheets in the default layout. Returns whether any of
// their parts is present. May raise.
bool WriteDefaultSheets(ZipArchive& reader, const WorkbookData& book,
                        const std::vector<XlsbSheet>& sheets, const std::vector<std::size_t>& chosen,
                        const ConversionOptions& options, std::string& text) {
  bool present = false;
  for (const std::size_t i : chosen) {
    const WorksheetData named = NamedWorksheet(sheets[i]);
    AppendSheetNameLine(named, text);
    RowTextWriter writer(book, text, kMaxWorkbookTextBytes, {false, options.skipHiddenColumns});
    present |= ReadWorksheet(reader, sheets[i], writer, options.skipHiddenRows);
    writer.Finish();
    EndWorksheetText(text);
  }
  return present;
}

// Writes the chosen sheets as shown. Returns whether any of their parts is
// present; `sheetsWithText` gets the number of sheets with text. May raise.
bool WriteShownSheets(ZipArchive& reader, const WorkbookData& book,
                      const std::vector<XlsbSheet>& sheets, const std::vector<std::size_t>& chosen,
                      const ConversionOptions& options, std::string& text, int& sheetsWithText) {
  GridWriter grid(text, GridLayoutFor(options, chosen.size()), kMaxTextBytes);
  bool present = false;
  for (const std::size_t i : chosen) {
    const WorksheetData named = NamedWorksheet(sheets[i]);
    ShownCellWriter writer(book, named, grid, {false, options.skipHiddenColumns});
    present |= ReadWorksheet(reader, sheets[i], writer, options.skipHiddenRows);
    writer.Finish();
  }
  sheetsWithText = grid.SheetsWithText();
  return present;
}

ResultCode ExtractXlsbText(ZipArchive& reader, XmlDocument& document,
                           const ConversionOptions& options, std::string& text) {
  const XlsbWorkbookParts parts = FindXlsbWorkbookParts(reader, document);
  if (parts.worksheets.empty()) return kFormatNotCorrect;
  std::vector<std::size_t> chosen;
  if (ChooseSheets(SheetInfos(parts.worksheets), options, chosen) < 0) return kSheetNotFound;
  if (chosen.empty()) return 0;
  auto book = std::make_unique<WorkbookData>();
  LoadSharedStrings(reader, parts, *book);
  LoadStyles(reader, parts, *book);
  const bool shown = options.layout != Layout::kDefault;
  int sheetsWithText = 0;
  const bool present =
      shown ? WriteShownSheets(reader, *book, parts.worksheets, chosen, options, text, sheetsWithText)
            : WriteDefaultSheets(reader, *book, parts.worksheets, chosen, options, text);
  if (!present) return kFormatNotCorrect;
  return shown ? ShownOutcome(options, sheetsWithText) : 0;
}

ResultCode ConvertOpenArchive(ZipArchive& reader, XlsbReadingState& state, OutputBlock& block,
                              std::int32_t codePage, const ConversionOptions& options) {
  if (reader.MemberCount() == 0) return kFormatNotCorrect;
  try {
    std::string text(LeadingMark(codePage));
    const ResultCode extracted = ExtractXlsbText(reader, state.document, options, text);
    state.document.Clear();
    if (extracted < 0) return extracted;
    // The grid writes CR LF line ends itself; the breaks inside its quoted
    // fields stay as their cells hold them.
    const LineBreaks breaks = options.layout == Layout::kDefault ? LineBreaks::kCrLf : LineBreaks::kAsHeld;
    return FinishConversion(std::move(text), block, codePage, breaks);
  } catch (...) {
    state.document.Clear();
    return kFormatNotCorrect;
  }
}

ResultCode ListSheetsOfOpenArchive(ZipArchive& reader, XlsbReadingState& state,
                                   std::vector<SheetInfo>& sheets) {
  if (reader.MemberCount() == 0) return kFormatNotCorrect;
  try {
    const XlsbWorkbookParts parts = FindXlsbWorkbookParts(reader, state.document);
    state.document.Clear();
    if (parts.worksheets.empty()) return kFormatNotCorrect;
    sheets = SheetInfos(parts.worksheets);
    return static_cast<ResultCode>(sheets.size());
  } catch (...) {
    state.document.Clear();
    return kFormatNotCorrect;
  }
}

}  // namespace

XlsbConverter::XlsbConverter(ZipArchive& reader)
    : reader_(reader), state_(std::make_unique<XlsbReadingState>()) {}

XlsbConverter::~XlsbConverter() = default;

ResultCode XlsbConverter::Convert(const std::string& sourcePath, OutputBlock& block,
                                  std::int32_t codePage, const ConversionOptions& options) {
  if (!FileExists(sourcePath)) return kSourceMissing;
  try {
    reader_.Open(sourcePath);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(reader_, *state_, block, codePage, options);
}

ResultCode XlsbConverter::ConvertBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                        std::int32_t codePage, const ConversionOptions& options) {
  try {
    reader_.OpenBuffer(file);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(reader_, *state_, block, codePage, options);
}

ResultCode XlsbConverter::ListSheets(const std::string& sourcePath, std::vector<SheetInfo>& sheets) {
  if (!FileExists(sourcePath)) return kSourceMissing;
  try {
    reader_.Open(sourcePath);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ListSheetsOfOpenArchive(reader_, *state_, sheets);
}

ResultCode XlsbConverter::ListSheetsInBuffer(std::span<const std::uint8_t> file,
                                             std::vector<SheetInfo>& sheets) {
  try {
    reader_.OpenBuffer(file);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ListSheetsOfOpenArchive(reader_, *state_, sheets);
}

}  // namespace tabulox
