#include "convert_workbook.h"

#include <optional>
#include <utility>

#include "biff_version.h"
#include "compound_file.h"
#include "conversion_output.h"
#include "file_bytes.h"
#include "worksheet_file_name.h"
#include "xls_workbook_text.h"

namespace tabulox {

namespace {

// Opens the "Workbook" (or else "Book") stream of a compound file. Returns
// kFormatNotCorrect, or 0 with `stream` set, or left empty for a compound file
// of another kind. Not called for a bare earlier-version stream.
ResultCode OpenWorkbookStream(std::span<const std::uint8_t> file,
                              std::optional<StreamBytes>& stream) {
  if (!HasCompoundFileSignature(file)) return kFormatNotCorrect;
  std::string lastError;
  const auto storage = CompoundFile::Open(file, lastError);
  if (!storage) return kFormatNotCorrect;
  stream = storage->OpenStreamBytes(u"Workbook");
  if (!stream) stream = storage->OpenStreamBytes(u"Book");
  return 0;
}

}  // namespace

// A compound file without a workbook stream has an empty text. A file of
// BIFF5 or an earlier version may be a bare record stream, not held in a
// compound file (as BIFF2 to BIFF4 always are).
ResultCode ExtractWorkbookTextFromBuffer(std::span<const std::uint8_t> file, std::string& text) {
  if (!HasCompoundFileSignature(file) && IsBareEarlierBiffStream(file))
    return ExtractWorkbookStreamText(file, text);
  std::optional<StreamBytes> stream;
  const ResultCode rc = OpenWorkbookStream(file, stream);
  if (rc < 0 || !stream) return rc;
  return ExtractWorkbookStreamText(stream->bytes(), text);
}

ResultCode ExtractWorkbookText(const std::string& sourcePath, std::string& text) {
  FileBytes file;
  ResultCode rc = ReadFileBytes(sourcePath, file);
  if (rc < 0) return rc;
  if (!HasCompoundFileSignature(file) && IsBareEarlierBiffStream(file))
    return ExtractWorkbookStreamText(file, text, WorksheetNameFromPath(sourcePath));
  std::optional<StreamBytes> stream;
  rc = OpenWorkbookStream(file, stream);
  if (rc < 0 || !stream) return rc;
  // A stream gathered from scattered sectors no longer needs the file.
  if (!stream->inFile()) FileBytes().swap(file);
  return ExtractWorkbookStreamText(stream->bytes(), text);
}

namespace {

template <typename Extract>
ResultCode Convert(Extract extract, OutputBlock& block, std::int32_t codePage, LineBreakStyle style) {
  try {
    std::string text(LeadingMark(codePage));
    const ResultCode rc = extract(text);
    if (rc < 0) return rc;
    return FinishConversion(std::move(text), block, codePage, style);
  } catch (...) {
    return kFormatNotCorrect;
  }
}

}  // namespace

ResultCode ConvertWorkbook(const std::string& sourcePath, OutputBlock& block, std::int32_t codePage,
                           LineBreakStyle style) {
  return Convert([&](std::string& text) { return ExtractWorkbookText(sourcePath, text); }, block,
                 codePage, style);
}

ResultCode ConvertWorkbookBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                 std::int32_t codePage, LineBreakStyle style) {
  return Convert([&](std::string& text) { return ExtractWorkbookTextFromBuffer(file, text); },
                 block, codePage, style);
}

}  // namespace tabulox
