// The .xls entry point. Never raises: every outcome is a result code (see
// result_code.h). The source path is used as the operating system gives it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/result_code.h"
#include "core/text_encoding.h"
#include "tabulox/tabulox.h"

namespace tabulox {

// Converts the workbook at `sourcePath`: extracts its text, writes its line
// breaks as CR LF, encodes it and copies it into `block`. Returns the byte
// count or a negative result code; after a failure `block` is unchanged.
// `options` as ExtractWorkbookStreamText takes them (also kSheetNotFound and
// kSeveralSheets); the as-shown layouts keep the line breaks their cells hold.
// An encrypted workbook stream is read with the default password or else
// `options.password` (kSourceEncrypted when neither opens it,
// kEncryptionMethodUnknown for a method not read); a compound file holding
// an encrypted package instead of a workbook stream is kEncryptedPackage.
ResultCode ConvertWorkbook(const std::string& sourcePath, OutputBlock& block, std::int32_t codePage,
                           const ConversionOptions& options = {});

// The same for a workbook file already in memory.
ResultCode ConvertWorkbookBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                 std::int32_t codePage, const ConversionOptions& options = {});

// The worksheets (SheetInfo: UTF-8 name, hidden or very hidden) in workbook
// order, the sheets the conversions write and number; a worksheet file's one
// sheet is named as its conversion heads it. Returns their count, or
// kSourceMissing, kSourceOpenFailed, kFormatNotCorrect, or an outcome of
// encryption as ConvertWorkbook gives it; `sheets` is only changed on
// success. Never raises.
ResultCode ListWorkbookSheets(const std::string& sourcePath, std::vector<SheetInfo>& sheets,
                              const std::optional<std::string>& password = {});
ResultCode ListWorkbookSheetsInBuffer(std::span<const std::uint8_t> file,
                                      std::vector<SheetInfo>& sheets,
                                      const std::optional<std::string>& password = {});

// What a compound file holds, for choosing the reader of a file whose name
// says otherwise: a workbook stream ("Workbook" or "Book"), an encrypted
// Office Open XML package, or neither (also
// for bytes that are not a compound file or whose directory is damaged).
enum class CompoundContent { kNone, kWorkbook, kEncryptedPackage };
CompoundContent CompoundFileContent(std::span<const std::uint8_t> file);

// The extraction stage: appends the workbook's text as engine text (UTF-8,
// CR LF line ends) to `text`. Returns its length, or kSourceMissing,
// kSourceOpenFailed, kFormatNotCorrect, kSheetNotFound, kSeveralSheets or an
// outcome of encryption as ConvertWorkbook gives it. May raise
// ExtractionError.
ResultCode ExtractWorkbookText(const std::string& sourcePath, std::string& text,
                               const ConversionOptions& options = {});
ResultCode ExtractWorkbookTextFromBuffer(std::span<const std::uint8_t> file, std::string& text,
                                         const ConversionOptions& options = {});

}  // namespace tabulox
