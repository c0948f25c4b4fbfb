#include "convert_xlsx_workbook.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <memory>
#include <utility>

#include "extraction_error.h"
#include "file_bytes.h"
#include "xlsx_shared_strings.h"
#include "conversion_output.h"
#include "worksheet_text.h"
#include "xml_document.h"
#include "zip_archive.h"
#include "member_read.h"
#include "workbook_parts.h"

namespace tabulox {

// Members are destroyed in reverse order: the reader first.
struct XlsxReadingState {
  SharedStringTable sharedStrings;
  XmlDocument document;
  ZipArchive reader;
};

namespace {

// The result code is the byte length of the text, a signed 32-bit number.
constexpr std::size_t kMaxTextBytes = std::numeric_limits<std::int32_t>::max();

// Tree storage the document keeps between conversions, so that converting
// many workbooks does not allocate and touch fresh memory for every part;
// what a larger workbook needed is given back.
constexpr std::size_t kKeptTreeStorageBytes = 64u * 1024 * 1024;

constexpr std::string_view kSharedStringsMember = "xl/sharedStrings.xml";

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

// Appends "heading:" CR LF and the text of the worksheet part `member` to
// `text`. Returns whether a member of that name counts (decoded whole with a
// matching CRC-32); an empty one writes nothing, not even its heading. May
// raise.
bool AppendWorksheet(XlsxReadingState& state, std::string_view member, std::string_view heading,
                     std::string& text) {
  const std::size_t start = text.size();
  const std::string header = std::string(heading) + ":\r\n";
  text += header;
  const MemberRead sheet = ReadMember(state.reader, member, [&](const BlockSource& source) {
    AppendWorksheetTextFromSource(state.document, source, state.sharedStrings, text,
                                  kMaxTextBytes);
  });
  if (sheet.extracted == 0 || sheet.bytes == 0) text.resize(start);
  if (sheet.extracted == 0) return false;
  if (sheet.bytes == 0) return true;
  if (header.size() > kMaxTextBytes - start) throw ExtractionError("workbook text too long");
  if (sheet.error) std::rethrow_exception(sheet.error);
  return true;
}

// True when the worksheets are read by their numbered names: when the
// workbook's relationships list none (or cannot be read), and when every
// worksheet they list is a part "xl/worksheets/sheetN.xml".
bool ReadsNumberedWorksheets(const WorkbookParts& parts) {
  return std::all_of(parts.worksheets.begin(), parts.worksheets.end(),
                     [](const std::string& part) { return !NumberedWorksheet(part).empty(); });
}

// Reads the shared strings and every worksheet of the open archive into
// `text`: when the workbook lists worksheets stored under other names than
// "xl/worksheets/sheetN.xml", the listed ones in the order of its sheets
// list, headed "sheet1:", "sheet2:", ... by position; otherwise (or when none
// of those is present) the parts "xl/worksheets/sheetN.xml" in ascending N,
// each headed "sheetN:". Returns 0, or kFormatNotCorrect when no worksheet
// member counts. May raise.
ResultCode ExtractXlsxText(XlsxReadingState& state, std::string& text) {
  const WorkbookParts parts = FindWorkbookParts(state.reader, state.document);
  LoadWorkbookSharedStrings(state, parts.sharedStrings);

  bool worksheetFound = false;
  if (!ReadsNumberedWorksheets(parts)) {
    for (std::size_t i = 0; i < parts.worksheets.size(); ++i) {
      worksheetFound |=
          AppendWorksheet(state, parts.worksheets[i], "sheet" + std::to_string(i + 1), text);
    }
  }
  // Also when none of the listed worksheets is present.
  if (!worksheetFound) {
    for (const std::string& number : NumberedWorksheets(state.reader)) {
      worksheetFound |= AppendWorksheet(state, "xl/worksheets/sheet" + number + ".xml",
                                        "sheet" + number, text);
    }
  }
  return worksheetFound ? 0 : kFormatNotCorrect;
}

// Empties the document after a conversion, keeping a moderate amount of its
// storage for the next one.
void ClearDocument(XmlDocument& document) {
  document.Clear();
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
ResultCode ConvertOpenArchive(XlsxReadingState& state, OutputBlock& block, std::int32_t codePage) {
  if (state.reader.MemberCount() == 0) return kFormatNotCorrect;
  try {
    std::string text(LeadingMark(codePage));
    text.reserve(TextReservation(state.reader));
    const ResultCode extracted = ExtractXlsxText(state, text);
    ClearDocument(state.document);
    if (extracted < 0) return extracted;
    return FinishConversion(std::move(text), block, codePage, 0);
  } catch (...) {
    ClearDocument(state.document);
    return kFormatNotCorrect;
  }
}

}  // namespace

XlsxConverter::XlsxConverter() : state_(std::make_unique<XlsxReadingState>()) {}

XlsxConverter::~XlsxConverter() = default;

void XlsxConverter::SetProgressCallback(std::function<void()> progress) {
  state_->reader.OnProgress = std::move(progress);
}

ResultCode XlsxConverter::Convert(const std::string& sourcePath, OutputBlock& block,
                                  std::int32_t codePage) {
  if (!FileExists(sourcePath)) return kSourceMissing;
  try {
    state_->reader.Open(sourcePath);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(*state_, block, codePage);
}

ResultCode XlsxConverter::ConvertBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                        std::int32_t codePage) {
  try {
    state_->reader.OpenBuffer(file);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(*state_, block, codePage);
}

}  // namespace tabulox
