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
#include "large_pages.h"

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

// What reading the members of one name block by block gave.
struct MemberRead {
  int extracted = 0;         // members decoded whole with a matching CRC-32
  std::uint64_t bytes = 0;   // bytes decoded, also those the reading left unread
  std::exception_ptr error;  // raised by the reading
};

// Passes the bytes of the members named `name` to `read`, then decodes what it
// left unread, so that every member's CRC-32 is checked before its text
// counts. An error of the archive itself (EFatalUnzipError) is raised; one of
// `read` is returned, for the caller to raise only for a member that counts.
template <typename Read>
MemberRead ReadMember(TKvUnZip& reader, std::string_view name, Read&& read) {
  TMemberReader member = reader.OpenMember(name);
  MemberRead result;
  std::exception_ptr archiveError;
  const TXMLBlockSource source = [&](std::string& out) {
    const std::size_t before = out.size();
    try {
      const bool more = member.Next(out);
      result.bytes += out.size() - before;
      return more;
    } catch (...) {
      archiveError = std::current_exception();
      return false;
    }
  };
  try {
    read(source);
  } catch (...) {
    result.error = std::current_exception();
  }
  if (archiveError) std::rethrow_exception(archiveError);
  std::string rest;
  while (member.Next(rest)) {
    result.bytes += rest.size();
    rest.clear();
  }
  result.extracted = member.Extracted();
  return result;
}

// Reads the shared strings and every worksheet of the open archive into
// `text`. A member counts when at least one member of its name was decoded
// whole with a matching CRC-32; an empty one writes nothing. Returns 0, or
// kFormatNotCorrect when no worksheet member counts. May raise.
ResultCode ExtractXlsxText(XlsxEngine& engine, std::string& text) {
  TKvUnZip& reader = *engine.reader;
  TKvXMLParser& document = *engine.document;
  SharedStringTable& strings = *engine.sharedStrings;

  strings.Clear();
  // The part's text is rarely longer than the part.
  strings.Reserve(reader.OpenMember(kSharedStringsMember).StatedSize());
  const MemberRead sst = ReadMember(reader, kSharedStringsMember, [&](const TXMLBlockSource& source) {
    LoadSharedStringsFromSource(document, source, strings);
  });
  if (sst.extracted == 0 || sst.bytes == 0) {
    strings.Clear();
  } else if (sst.error) {
    std::rethrow_exception(sst.error);
  }

  bool worksheetFound = false;
  const int memberCount = reader.MemberCount();
  for (int number = 0; number < memberCount; ++number) {
    const std::size_t start = text.size();
    const std::string header = "sheet" + std::to_string(number) + ":\r\n";
    text += header;
    const MemberRead sheet =
        ReadMember(reader, WorksheetMember(number), [&](const TXMLBlockSource& source) {
          AppendWorksheetTextFromSource(document, source, strings, text, kMaxTextBytes);
        });
    if (sheet.extracted == 0 || sheet.bytes == 0) text.resize(start);
    if (sheet.extracted == 0) continue;
    worksheetFound = true;
    if (sheet.bytes == 0) continue;
    if (header.size() > kMaxTextBytes - start) throw ExtractionError("workbook text too long");
    if (sheet.error) std::rethrow_exception(sheet.error);
  }
  return worksheetFound ? 0 : kFormatNotCorrect;
}

// Empties the document after a conversion, keeping a moderate amount of its
// storage for the next one.
void ClearDocument(TKvXMLParser& document) {
  document.Clear();
  if (document.StorageBytes() > kKeptTreeStorageBytes) document.Release();
}

// Room for the text taken at once, so that a large text is not copied at
// every doubling: what the members' stated sizes suggest, and at least 16 MiB
// (a few cells far to the right or down make much text from a small part).
// Room that is never written costs address space only.
std::size_t TextReservation(const TKvUnZip& reader) {
  constexpr std::uint64_t kLeastReserved = 16u * 1024 * 1024;
  constexpr std::uint64_t kMostReserved = 256u * 1024 * 1024;
  std::uint64_t stated = 0;
  for (const TZipHeaderInfo& member : reader.Members()) stated += member.uncompressedSize;
  return static_cast<std::size_t>(std::min(std::max(stated, kLeastReserved), kMostReserved));
}

// Everything after the archive was opened.
ResultCode ConvertOpenArchive(XlsxEngine& engine, OutputBlock& block, std::int32_t codePage) {
  if (engine.reader->MemberCount() == 0) return kFormatNotCorrect;
  try {
    std::string text;
    ReserveLarge(text, TextReservation(*engine.reader));
    const ResultCode extracted = ExtractXlsxText(engine, text);
    ClearDocument(*engine.document);
    if (extracted < 0) return extracted;
    return FinishConversion(std::move(text), block, codePage, 0);
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
