#include "xls/convert_workbook.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/conversion_output.h"
#include "core/file_bytes.h"
#include "xls/biff_version.h"
#include "xls/compound_file.h"
#include "xls/workbook_decryption.h"
#include "xls/worksheet_file_name.h"
#include "xls/xls_workbook_text.h"

namespace tabulox {

namespace {

// Whether the root storage holds both streams of an encrypted Office Open
// XML package ([MS-OFFCRYPTO] 2.3.4: "EncryptionInfo", "EncryptedPackage").
bool HoldsEncryptedPackage(const CompoundFile& storage) {
  const std::vector<std::u16string> names = storage.RootEntryNames();
  auto holds = [&](std::u16string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  return holds(u"EncryptionInfo") && holds(u"EncryptedPackage");
}

// Opens the "Workbook" (or else "Book") stream of a compound file. Returns
// kFormatNotCorrect, kEncryptedPackage for an encrypted package without a
// workbook stream, or 0 with `stream` set, or left empty for a compound file
// of another kind. Not called for a bare earlier-version stream.
ResultCode OpenWorkbookStream(std::span<const std::uint8_t> file,
                              std::optional<StreamBytes>& stream) {
  if (!HasCompoundFileSignature(file)) return kFormatNotCorrect;
  std::string lastError;
  const auto storage = CompoundFile::Open(file, lastError);
  if (!storage) return kFormatNotCorrect;
  stream = storage->OpenStreamBytes(u"Workbook");
  if (!stream) stream = storage->OpenStreamBytes(u"Book");
  if (!stream && HoldsEncryptedPackage(*storage)) return kEncryptedPackage;
  return 0;
}

// Runs `use(stream, worksheetName)` on the stream as the readers read it: the
// stream itself, or its decrypted copy when a FILEPASS record says it is
// encrypted (the file's bytes are then let go through `releaseFile`). A
// password that does not open it is kSourceEncrypted.
template <typename Use, typename ReleaseFile>
ResultCode UseReadableStream(std::span<const std::uint8_t> stream, std::u16string_view worksheetName,
                             const std::optional<std::string>& password, Use use,
                             ReleaseFile releaseFile) {
  FileBytes decrypted;
  const std::optional<DecryptionOutcome> outcome = DecryptWorkbookStream(stream, password, decrypted);
  if (!outcome) return use(stream, worksheetName);
  switch (*outcome) {
    case DecryptionOutcome::kPasswordRefused:
      return kSourceEncrypted;
    case DecryptionOutcome::kMethodUnknown:
      return kEncryptionMethodUnknown;
    case DecryptionOutcome::kDecrypted:
      break;
  }
  releaseFile();
  return use(std::span<const std::uint8_t>(decrypted), worksheetName);
}

// Runs `use(stream, worksheetName)` on the workbook stream of `file`: the file
// itself when it is a bare record stream of BIFF5 or an earlier version (as
// BIFF2 to BIFF4 files always are), else the compound file's workbook stream.
// A compound file without one gives an empty stream, which lists no sheet and
// has an empty text. `worksheetName` names the one sheet of a worksheet file
// (BIFF2 to BIFF4), bare or in a compound file. `releaseFile` is called once
// the stream no longer needs the file's bytes.
template <typename Use, typename ReleaseFile>
ResultCode UseWorkbookStream(std::span<const std::uint8_t> file,
                             std::u16string_view worksheetName,
                             const std::optional<std::string>& password, Use use,
                             ReleaseFile releaseFile) {
  if (!HasCompoundFileSignature(file) && IsBareEarlierBiffStream(file))
    return UseReadableStream(file, worksheetName, password, use, releaseFile);
  std::optional<StreamBytes> stream;
  const ResultCode rc = OpenWorkbookStream(file, stream);
  if (rc < 0) return rc;
  if (!stream) return use(std::span<const std::uint8_t>{}, kUnnamedWorksheet);
  if (!stream->inFile()) releaseFile();
  return UseReadableStream(stream->bytes(), worksheetName, password, use, releaseFile);
}

template <typename Use>
ResultCode UseWorkbookStream(std::span<const std::uint8_t> file,
                             const std::optional<std::string>& password, Use use) {
  return UseWorkbookStream(file, kUnnamedWorksheet, password, use, [] {});
}

// The same for the file at `sourcePath`, whose bytes are let go first when the
// stream was gathered from scattered sectors.
template <typename Use>
ResultCode UseWorkbookStream(const std::string& sourcePath,
                             const std::optional<std::string>& password, Use use) {
  FileBytes file;
  const ResultCode rc = ReadFileBytes(sourcePath, file);
  if (rc < 0) return rc;
  return UseWorkbookStream(file, WorksheetNameFromPath(sourcePath), password, use,
                           [&] { FileBytes().swap(file); });
}

template <typename Extract>
ResultCode Convert(Extract extract, OutputBlock& block, std::int32_t codePage,
                   const ConversionOptions& options) {
  try {
    std::string text(LeadingMark(codePage));
    const ResultCode rc = extract(text);
    if (rc < 0) return rc;
    // The as-shown grid ends its lines with CR LF itself; the line breaks
    // inside its quoted fields stay as the cells hold them.
    const LineBreaks breaks = options.layout == Layout::kDefault ? LineBreaks::kCrLf : LineBreaks::kAsHeld;
    return FinishConversion(std::move(text), block, codePage, breaks);
  } catch (...) {
    return kFormatNotCorrect;
  }
}

template <typename Source>
ResultCode ListSheets(const Source& source, std::vector<SheetInfo>& sheets,
                      const std::optional<std::string>& password) {
  try {
    std::vector<SheetInfo> found;
    const ResultCode rc = UseWorkbookStream(
        source, password, [&](std::span<const std::uint8_t> stream, std::u16string_view worksheetName) {
          return ListWorkbookStreamSheets(stream, worksheetName, found);
        });
    if (rc < 0) return rc;
    sheets = std::move(found);
    return static_cast<ResultCode>(sheets.size());
  } catch (...) {
    return kFormatNotCorrect;
  }
}

}  // namespace

ResultCode ExtractWorkbookTextFromBuffer(std::span<const std::uint8_t> file, std::string& text,
                                         const ConversionOptions& options) {
  return UseWorkbookStream(
      file, options.password,
      [&](std::span<const std::uint8_t> stream, std::u16string_view worksheetName) {
        return ExtractWorkbookStreamText(stream, text, worksheetName, options);
      });
}

ResultCode ExtractWorkbookText(const std::string& sourcePath, std::string& text,
                               const ConversionOptions& options) {
  return UseWorkbookStream(
      sourcePath, options.password,
      [&](std::span<const std::uint8_t> stream, std::u16string_view worksheetName) {
        return ExtractWorkbookStreamText(stream, text, worksheetName, options);
      });
}

ResultCode ConvertWorkbook(const std::string& sourcePath, OutputBlock& block, std::int32_t codePage,
                           const ConversionOptions& options) {
  return Convert(
      [&](std::string& text) { return ExtractWorkbookText(sourcePath, text, options); }, block,
      codePage, options);
}

ResultCode ConvertWorkbookBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                 std::int32_t codePage, const ConversionOptions& options) {
  return Convert(
      [&](std::string& text) { return ExtractWorkbookTextFromBuffer(file, text, options); },
      block, codePage, options);
}

CompoundContent CompoundFileContent(std::span<const std::uint8_t> file) {
  if (!HasCompoundFileSignature(file)) return CompoundContent::kNone;
  std::optional<StreamBytes> stream;
  const ResultCode rc = OpenWorkbookStream(file, stream);
  if (rc == kEncryptedPackage) return CompoundContent::kEncryptedPackage;
  return rc == 0 && stream ? CompoundContent::kWorkbook : CompoundContent::kNone;
}

ResultCode ListWorkbookSheets(const std::string& sourcePath, std::vector<SheetInfo>& sheets,
                              const std::optional<std::string>& password) {
  return ListSheets(sourcePath, sheets, password);
}

ResultCode ListWorkbookSheetsInBuffer(std::span<const std::uint8_t> file,
                                      std::vector<SheetInfo>& sheets,
                                      const std::optional<std::string>& password) {
  return ListSheets(file, sheets, password);
}

}  // namespace tabulox
