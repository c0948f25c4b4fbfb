#include "convert_xlsx_workbook.h"

#include <limits>
#include <memory>

#include "extraction_error.h"
#include "file_bytes.h"
#include "xlsx_shared_strings.h"
#include "text_encoding.h"
#include "worksheet_text.h"
#include "xml_document.h"

namespace tabulox {
namespace {

// The result code is the byte length of the text, a signed 32-bit number.
constexpr std::size_t kMaxTextBytes = std::numeric_limits<std::int32_t>::max();

// Tree storage the document keeps between conversions, so that converting
// many workbooks does not allocate and touch fresh memory for every part;
// what a larger workbook needed is given back.
constexpr std::size_t kKeptTreeStorageBytes = 64u * 1024 * 1024;

constexpr std::string_view kSharedStringsMember = "xl\\sharedStrings.xml";

struct XlsxEngine {
  std::unique_ptr<TKvUnZip> reader = std::make_unique<TKvUnZip>();
  std::unique_ptr<TKvXMLParser> document = std::make_unique<TKvXMLParser>();
  std::unique_ptr<SharedStringTable> sharedStrings = std::make_unique<SharedStringTable>();
};

std::unique_ptr<XlsxEngine>& EngineSlot() {
  static std::unique_ptr<XlsxEngine> engine;
  return engine;
}

XlsxEngine& Engine() {
  std::unique_ptr<XlsxEngine>& engine = EngineSlot();
  if (!engine) engine = std::make_unique<XlsxEngine>();
  return *engine;
}

std::string WorksheetMember(int number) {
  return "xl\\worksheets\\sheet" + std::to_string(number) + ".xml";
}

// Reads the shared strings and every worksheet of the open archive into
// `text`. Returns 0, or kFormatNotCorrect when no worksheet member exists.
// May raise.
ResultCode ExtractXlsxText(XlsxEngine& engine, std::string& text) {
  TKvUnZip& reader = *engine.reader;
  TKvXMLParser& document = *engine.document;
  SharedStringTable& strings = *engine.sharedStrings;

  strings.Clear();
  std::string member;
  if (reader.ExtractMember(member, kSharedStringsMember) > 0 && !member.empty()) {
    document.LoadFromBuffer(std::move(member));
    LoadSharedStrings(document.Root(), strings);
  }

  bool worksheetFound = false;
  const int memberCount = reader.MemberCount();
  for (int number = 0; number < memberCount; ++number) {
    member = document.TakeBytes();  // its room serves the next member
    member.clear();
    if (reader.ExtractMember(member, WorksheetMember(number)) == 0) continue;
    worksheetFound = true;
    if (member.empty()) continue;
    document.LoadFromBuffer(std::move(member));
    const std::string header = "sheet" + std::to_string(number) + ":\r\n";
    if (header.size() > kMaxTextBytes - text.size())
      throw ExtractionError("workbook text too long");
    text += header;
    AppendWorksheetText(document.Root(), strings, text, kMaxTextBytes);
  }
  return worksheetFound ? 0 : kFormatNotCorrect;
}

// Empties the document after a conversion, keeping a moderate amount of its
// storage for the next one.
void ClearDocument(TKvXMLParser& document) {
  document.Clear();
  if (document.StorageBytes() > kKeptTreeStorageBytes) document.Release();
}

// Everything after the archive was opened.
ResultCode ConvertOpenArchive(XlsxEngine& engine, OutputBlock& block, std::int32_t codePage) {
  if (engine.reader->MemberCount() == 0) return kFormatNotCorrect;
  try {
    std::string text;
    const ResultCode extracted = ExtractXlsxText(engine, text);
    ClearDocument(*engine.document);
    if (extracted < 0) return extracted;
    const std::string normalized = NormalizeLineBreaks(text, 0);
    text = std::string();
    std::string encoded;
    const ResultCode encodedResult = EncodeText(normalized, codePage, encoded);
    if (encodedResult < 0) return encodedResult;
    if (encoded.size() > kMaxTextBytes) return kFormatNotCorrect;
    return CopyToOutputBlock(encoded, block);
  } catch (...) {
    ClearDocument(*engine.document);
    return kFormatNotCorrect;
  }
}

}  // namespace

void InitXlsxEngine() { Engine(); }

void FreeXlsxEngine() {
  std::unique_ptr<XlsxEngine>& engine = EngineSlot();
  if (!engine) return;
  engine->reader.reset();
  engine->document.reset();
  engine->sharedStrings.reset();
  engine.reset();
}

TKvUnZip& XlsxZipReader() { return *Engine().reader; }

ResultCode ConvertXlsxWorkbook(const std::string& sourcePath, OutputBlock& block,
                               std::int32_t codePage) {
  if (!FileExists(sourcePath)) return kSourceMissing;
  XlsxEngine& engine = Engine();
  try {
    engine.reader->SetZipName(sourcePath);
    engine.reader->OpenArchive();
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(engine, block, codePage);
}

ResultCode ConvertXlsxWorkbookBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                     std::int32_t codePage) {
  XlsxEngine& engine = Engine();
  try {
    engine.reader->SetZipName("");
    engine.reader->OpenArchiveBuffer(file);
  } catch (...) {
    return kSourceOpenFailed;
  }
  return ConvertOpenArchive(engine, block, codePage);
}

}  // namespace tabulox
