#include "convert_workbook.h"

#include <optional>
#include <vector>

#include "compound_file.h"
#include "conversion_output.h"
#include "file_bytes.h"
#include "xls_workbook_text.h"

namespace tabulox {

ResultCode ExtractWorkbookTextFromBuffer(std::span<const std::uint8_t> file, std::string& text) {
  text.clear();
  if (!HasCompoundFileSignature(file)) return kFormatNotCorrect;
  std::string lastError;
  const auto storage = TDocFileStorage::Open(file, lastError);
  if (!storage) return kFormatNotCorrect;
  std::optional<std::vector<std::uint8_t>> stream = storage->OpenStream(u"Workbook");
  if (!stream) stream = storage->OpenStream(u"Book");
  if (!stream) return 0;  // a compound file of another kind: an empty text
  return ExtractWorkbookStreamText(*stream, text);
}

ResultCode ExtractWorkbookText(const std::string& sourcePath, std::string& text) {
  std::vector<std::uint8_t> file;
  const ResultCode rc = ReadFileBytes(sourcePath, file);
  if (rc < 0) return rc;
  return ExtractWorkbookTextFromBuffer(file, text);
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
