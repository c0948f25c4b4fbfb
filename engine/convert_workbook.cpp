#include "convert_workbook.h"

#include <optional>
#include <utility>
#include <vector>

#include "compound_file.h"
#include "conversion_output.h"
#include "file_bytes.h"
#include "xls_workbook_text.h"

namespace tabulox {

namespace {

// Takes the "Workbook" (or else "Book") stream out of a compound file. Returns
// kFormatNotCorrect, or 0 with `stream` set, or left empty for a compound file
// of another kind.
ResultCode TakeWorkbookStream(std::span<const std::uint8_t> file,
                              std::optional<std::vector<std::uint8_t>>& stream) {
  if (!HasCompoundFileSignature(file)) return kFormatNotCorrect;
  std::string lastError;
  const auto storage = TDocFileStorage::Open(file, lastError);
  if (!storage) return kFormatNotCorrect;
  stream = storage->OpenStream(u"Workbook");
  if (!stream) stream = storage->OpenStream(u"Book");
  return 0;
}

// A compound file without a workbook stream has an empty text.
ResultCode StreamText(std::optional<std::vector<std::uint8_t>>& stream, std::string& text) {
  if (!stream) return 0;
  return ExtractWorkbookStreamText(std::move(*stream), text);
}

}  // namespace

ResultCode ExtractWorkbookTextFromBuffer(std::span<const std::uint8_t> file, std::string& text) {
  text.clear();
  std::optional<std::vector<std::uint8_t>> stream;
  const ResultCode rc = TakeWorkbookStream(file, stream);
  if (rc < 0) return rc;
  return StreamText(stream, text);
}

ResultCode ExtractWorkbookText(const std::string& sourcePath, std::string& text) {
  std::optional<std::vector<std::uint8_t>> stream;
  {
    // The file's bytes are released before the records are read.
    std::vector<std::uint8_t> file;
    ResultCode rc = ReadFileBytes(sourcePath, file);
    if (rc < 0) return rc;
    text.clear();
    rc = TakeWorkbookStream(file, stream);
    if (rc < 0) return rc;
  }
  return StreamText(stream, text);
}

namespace {

template <typename Extract>
ResultCode Convert(Extract extract, OutputBlock& block, std::int32_t codePage, LineBreakStyle style) {
  try {
    std::string text;
    const ResultCode rc = extract(text);
    if (rc < 0) return rc;
    return FinishConversion(text, block, codePage, style);
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
