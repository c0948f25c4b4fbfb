// The .xls entry point. Never raises: every outcome is a result code (see
// result_code.h). The source path is used as the operating system gives it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "output_block.h"
#include "result_code.h"
#include "text_encoding.h"

namespace tabulox {

// Converts the workbook at `sourcePath`: extracts its text, rewrites its line
// breaks, encodes it and copies it into `block`. Returns the byte count or a
// negative result code; after a failure `block` is unchanged.
ResultCode ConvertWorkbook(const std::string& sourcePath, OutputBlock& block, std::int32_t codePage,
                           LineBreakStyle style);

// The same for a workbook file already in memory.
ResultCode ConvertWorkbookBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                 std::int32_t codePage, LineBreakStyle style);

// The extraction stage: appends the workbook's text as engine text (UTF-8,
// CR LF line ends) to `text`. Returns its length, or kSourceMissing,
// kSourceOpenFailed, kFormatNotCorrect, kSourceEncrypted. May raise
// ExtractionError.
ResultCode ExtractWorkbookText(const std::string& sourcePath, std::string& text);
ResultCode ExtractWorkbookTextFromBuffer(std::span<const std::uint8_t> file, std::string& text);

}  // namespace tabulox
