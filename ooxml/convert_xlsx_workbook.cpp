#include "ooxml/convert_xlsx_workbook.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>
#include <utility>

#include "core/conversion_output.h"
#include "core/extraction_error.h"
#include "core/file_bytes.h"
#include "grid/sheet_choice.h"
#include "ooxml/shown_worksheet.h"
#include "ooxml/workbook_parts.h"
#include "ooxml/workbook_sheets.h"
#include "ooxml/workbook_styles.h"
#include "ooxml/worksheet_hiding.h"
#include "ooxml/worksheet_text.h"
#include "ooxml/xlsx_shared_strings.h"
#include "xml/xml_document.h"
#include "zip/member_read.h"
#include "zip/zip_archive.h"

namespace tabulox {

struct XlsxReadingState {
  explicit XlsxReadingState(ZipArchive& archive) : reader(archive) {}
  SharedStringTable sharedStrings;
  WorkbookStyles styles;
  XmlDocument document;
  ZipArchive& reader;
};

namespace {

// The result code is the byte length of the text, a signed 32-bit number.
constexpr std::size_t kMaxTextBytes = std::numeric_limits<std::int32_t>::max();

// Tree storage the document keeps between conversions, so that converting
// many workbooks does not allocate and touch fresh memory for every part;
// what a larger workbook needed is given back.
constexpr std::size_t kKeptTreeStorageBytes = 64u * 1024 * 1024;

constexpr std::string_view kSharedStringsMember = "xl/sharedStrings.xml";
constexpr std::string_view kStylesMember = "xl/styles.xml";

// Reads the shared strings: the part the workbook's relationships name, else
// "xl/sharedStrings.xml". A missing or empty part leaves the table empty.
void LoadWorkbookSharedStrings(XlsxReadingState& state, const std::string& namedPart) {
  ZipArchive& reader = state.reader;
  SharedStringTable& strings = state.sharedStrings;
  auto load = [&](std::string_view name) {
    strings.Clear();
    // The part's text is rarely longer than the part.
    strings.Reserve(reader.OpenMember(name).StatedSize());
    return ReadMember(reader, name, [&](const BlockSource& source) {
      LoadSharedStringsFromSource(state.document, source, strings);
    });
  };
  MemberRead sst = load(namedPart.empty() ? kSharedStringsMember : namedPart);
  if (sst.extracted == 0 && !namedPart.empty()) sst = load(kSharedStringsMember);
  if (sst.extracted == 0 || sst.bytes == 0) {
    strings.Clear();
  } else if (sst.error) {
    std::rethrow_exception(sst.error);
  }
}

// Reads the number formats of the styles part the workbook's relationships
// name, else "xl/styles.xml". A part that is missing, fails its CRC-32 or
// cannot be read leaves every cell General.
void LoadWorkbookStyles(XlsxReadingState& state, const std::string& namedPart) {
  WorkbookStyles& styles = state.styles;
  auto load = [&](std::string_view name) {
    styles.Clear();
    return ReadMember(state.reader, name, [&](const BlockSource& source) {
      LoadWorkbookStylesFromSource(state.document, source, styles);
    });
  };
  try {
    MemberRead read = load(namedPart.empty() ? kStylesMember : namedPart);
    if (read.extracted == 0 && !namedPart.empty()) read = load(kStylesMember);
    if (read.extracted == 0 || read.error) styles.Clear();
  } catch (...) {
    styles.Clear();
  }
}

// Appends "heading:" CR LF and the text of the worksheet part `member` to
// `text`, leaving out what `hiding` hides (when given). Returns whether a
// member of that name counts (decoded whole with a matching CRC-32); an empty
// one writes nothing, not even its heading. May raise.
bool AppendWorksheet(XlsxReadingState& state, std::string_view member, std::string_view heading,
                     std::string& text, WorksheetHiding* hiding) {
  const std::size_t start = text.size();
  const std::string header = std::string(heading) + ":\r\n";
  text += header;
  auto read = [&](CellOrder order) {
    bool outOfOrder = false;
    const MemberRead sheet = ReadMember(state.reader, member, [&](const BlockSource& source) {
      if (hiding != nullptr) hiding->Clear();
      try {
        AppendWorksheetTextFromSource(state.document, source, state.sharedStrings, text,
                                      kMaxTextBytes, hiding, order);
      } catch (const SheetOutOfOrder&) {
        outOfOrder = true;
      }
    });
    return std::make_pair(sheet, outOfOrder);
  };
  auto [sheet, outOfOrder] = read(CellOrder::kAsStored);
  if (outOfOrder) {
    // Rows or cells out of order: what was written goes, and the part is laid
    // out again in order.
    text.resize(start + header.size());
    sheet = read(CellOrder::kSorted).first;
  }
  if (sheet.extracted == 0 || sheet.bytes == 0) text.resize(start);
  if (sheet.extracted == 0) return false;
  if (sheet.bytes == 0) return true;
  if (header.size() > kMaxTextBytes - start) throw ExtractionError("workbook text too long");
  if (sheet.error) std::rethrow_exception(sheet.error);
  return true;
}

// Writes the chosen sheets in the default layout, each with its heading.
// Returns whether any of their members counts. May raise.
bool WriteDefaultSheets(XlsxReadingState& state, const std::vector<WorkbookSheet>& sheets,
                        const std::vector<std::size_t>& chosen, const ConversionOptions& options,
                        std::string& text) {
  WorksheetHiding hiding{options.skipHiddenRows, options.skipHiddenColumns, {}, {}};
  bool counted = false;
  for (const std::size_t i : chosen) {
    counted |= AppendWorksheet(state, sheets[i].part, sheets[i].heading, text,
                               hiding.SkipsAny() ? &hiding : nullptr);
  }
  return counted;
}

// Writes the chosen sheets as shown, a sheet whose member does not count as
// an empty one. Returns whether any of their members counts; `sheetsWithText`
// gets the number of sheets with text. May raise.
bool WriteShownSheets(XlsxReadingState& state, const WorkbookParts& parts,
                      const std::vector<WorkbookSheet>& sheets,
                      const std::vector<std::size_t>& chosen, const ConversionOptions& options,
                      std::string& text, int& sheetsWithText) {
  GridWriter grid(text, GridLayoutFor(options, chosen.size()), kMaxTextBytes);
  WorksheetHiding hiding{options.skipHiddenRows, options.skipHiddenColumns, {}, {}};
  const ShownWorkbook workbook{state.sharedStrings, state.styles,
                               parts.date1904 ? DateSystem::k1904 : DateSystem::k1900};
  ShownWorksheetWriter writer(workbook, grid, text, hiding);
  bool counted = false;
  for (const std::size_t i : chosen) {
    hiding.Clear();
    writer.Begin(sheets[i].name);
    auto read = [&](CellOrder order) {
      bool outOfOrder = false;
      const MemberRead sheet = ReadMember(state.reader, sheets[i].part, [&](const BlockSource& source) {
        try {
          writer.Read(state.document, source, order);
        } catch (const SheetOutOfOrder&) {
          outOfOrder = true;
        }
      });
      return std::make_pair(sheet, outOfOrder);
    };
    auto [sheet, outOfOrder] = read(CellOrder::kAsStored);
    if (outOfOrder) {
      // Cells out of order: the sheet begins again and is laid out in order.
      hiding.Clear();
      writer.TakeBack();
      sheet = read(CellOrder::kSorted).first;
    }
    if (sheet.extracted > 0 && sheet.error) std::rethrow_exception(sheet.error);
    if (sheet.extracted == 0) {
      hiding.Clear();
      writer.TakeBack();
    }
    counted |= sheet.extracted > 0;
    writer.End();
  }
  sheetsWithText = grid.SheetsWithText();
  return counted;
}

// Reads the shared strings and the chosen worksheets of the open archive into
// `text` (see WorkbookSheets for which parts are read, and in what order).
// When the worksheets listed by the workbook are read and none of them
// counts, and no sheet is chosen by name or number, the parts
// "xl/worksheets/sheetN.xml" are read instead. Returns 0, kFormatNotCorrect
// when the workbook has no worksheet or none of the chosen ones counts,
// kSheetNotFound or kSeveralSheets. May raise.
ResultCode ExtractXlsxText(XlsxReadingState& state, const ConversionOptions& options,
                           std::string& text) {
  const WorkbookParts parts = FindWorkbookParts(state.reader, state.document);
  const bool shown = options.layout != Layout::kDefault;
  // A cell shows its text exactly as written, edge blanks and line breaks
  // included; the default layout keeps the text it has always written.
  state.document.ReadTextAsWritten(shown);
  LoadWorkbookSharedStrings(state, parts.sharedStrings);
  if (shown) LoadWorkbookStyles(state, parts.styles);

  std::vector<WorkbookSheet> sheets = ListedWorkbookSheets(parts, state.reader);
  bool listed = !sheets.empty();
  if (!listed) sheets = NumberedWorkbookSheets(parts, state.reader);
  const std::size_t start = text.size();
  for (;;) {
    if (sheets.empty()) return kFormatNotCorrect;
    std::vector<std::size_t> chosen;
    if (ChooseSheets(SheetInfos(sheets), options, chosen) < 0) return kSheetNotFound;
    if (chosen.empty()) return 0;
    int sheetsWithText = 0;
    const bool counted =
        shown ? WriteShownSheets(state, parts, sheets, chosen, options, text, sheetsWithText)
              : WriteDefaultSheets(state, sheets, chosen, options, text);
    if (counted) return shown ? ShownOutcome(options, sheetsWithText) : 0;
    if (!listed || !options.sheets.empty()) return kFormatNotCorrect;
    text.resize(start);
    sheets = NumberedWorkbookSheets(parts, state.reader);
    listed = false;
  }
}

// Empties the document after a conversion, keeping a moderate amount of its
// storage for the next one.
void ClearDocument(XmlDocument& document) {
  document.Clear();
  document.ReadTextAsWritten(false);
  if (document.StorageBytes() > kKeptTreeStorageBytes) document.Release();
}

// Room for the text taken at once, so that a large text is not copied at
// every doubling: what the members' stated sizes suggest, and at least 16 MiB
// (a few cells far to the right or down make much text from a small part).
// Room that is never written costs address space only.
std::size_t TextReservation(const ZipArchive& reader) {
  constexpr std::uint64_t kLeastReserved = 16u * 1024 * 1024;
  constexpr std::uint64_t kMostReserved = 256u * 1024 * 1024;
  std::uint64_t stated = 0;
  for (const ZipMember& member : reader.Members()) stated += member.uncompressedSize;
  return static_cast<std::size_t>(std::min(std::max(stated, kLeastReserved), kMostReserved));
}

// Everything after the archive was opened.
ResultCode ConvertOpenArchive(XlsxReadingState& state, OutputBlock& block, std::int32_t codePage,
                              const ConversionOptions& options) {
  if (state.reader.MemberCount() == 0) return kFormatNotCorrect;
  try {
    std::string text(LeadingMark(codePage));
    text.reserve(TextReservation(state.reader));
    const ResultCode extracted = ExtractXlsxText(state, options, text);
    ClearDocument(state.document);
    if (extracted < 0) return extracted;
    // The grid writes CR LF line ends itself; the breaks inside its quoted
    // fields stay as their cells hold them.
    const LineBreaks breaks = options.layout == Layout::kDefault ? LineBreaks::kCrLf : LineBreaks::kAsHeld;
    return FinishConversion(std::move(text), block, codePage, breaks);
  } catch (...) {
    ClearDocument(state.document);
    return kFormatNotCorrect;
  }
}

// The worksheets of the open archive.
ResultCode ListSheetsOfOpenArchive(XlsxReadingState& state, std::vector<SheetInfo>& sheets) {
  if (state.reader.MemberCount() == 0) return kFormatNotCorrect;
  try {
    const WorkbookParts parts = FindWorkbookParts(state.reader, state.document);
    const std::vector<WorkbookSheet> found = WorkbookSheets(parts, state.reader);
    ClearDocument(state.document);
    if (found.empty()) return kFormatNotCorrect;
    sheets = SheetInfos(found);
    return static_cast<ResultCode>(sheets.size());
  } catch (...) {
    ClearDocument(state.document);
    return kFormatNotCorrect;
  }
}

}  // namespace

XlsxConverter::XlsxConverter(ZipArchive& archive)
    : state_(std::make_unique<XlsxReadingState>(archive)) {}

XlsxConverter::~XlsxConverter() = default;

ResultCode XlsxConverter::Convert(const std::string& sourcePath, OutputBlock& block,
                                  std::int32_t codePage, const ConversionOptions& options) {
  if (!FileExists(sourcePath)) return kSourceMissing;
  try {
    state_->reader.Open(sourcePath);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(*state_, block, codePage, options);
}

ResultCode XlsxConverter::ConvertBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                        std::int32_t codePage, const ConversionOptions& options) {
  try {
    state_->reader.OpenBuffer(file);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(*state_, block, codePage, options);
}

ResultCode XlsxConverter::ListSheets(const std::string& sourcePath,
                                     std::vector<SheetInfo>& sheets) {
  if (!FileExists(sourcePath)) return kSourceMissing;
  try {
    state_->reader.Open(sourcePath);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ListSheetsOfOpenArchive(*state_, sheets);
}

ResultCode XlsxConverter::ListSheetsInBuffer(std::span<const std::uint8_t> file,
                                             std::vector<SheetInfo>& sheets) {
  try {
    state_->reader.OpenBuffer(file);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ListSheetsOfOpenArchive(*state_, sheets);
}

}  // namespace tabulox
