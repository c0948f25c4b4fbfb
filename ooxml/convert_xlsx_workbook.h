// The .xlsx entry point. It uses three objects that live for the whole run of
// the program (the ZIP reader, one XML document and the shared-string table),
// so conversions run one at a time, from one thread. Never raises: every
// outcome is a result code (see result_code.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "output_block.h"
#include "result_code.h"
#include "zip_archive.h"

namespace tabulox {

// Creates the program-wide objects (at program start) and releases them (at
// exit, the reader first). The accessors and entry points create them on
// first use when InitXlsxEngine was not called.
void InitXlsxEngine();
void FreeXlsxEngine();

// The program-wide ZIP reader, so that a front end can set its OnMessage and
// OnProgress.
ZipArchive& XlsxZipReader();

// Converts the workbook at `sourcePath`: the text of every worksheet part
// "xl/worksheets/sheetN.xml", N from 0 to the archive's member count - 1, each
// headed by "sheetN:", with CR LF line breaks, encoded for the code page and
// copied into `block`. Returns the byte count, or kSourceMissing (no file),
// kSourceOpenFailed (the archive cannot be read), kFormatNotCorrect (no
// members, no worksheet part, any error while reading, a text beyond 2^31 - 1
// bytes) or kTextNotConvertible. After a failure `block` is unchanged.
ResultCode ConvertXlsxWorkbook(const std::string& sourcePath, OutputBlock& block,
                               std::int32_t codePage);

// The same for a workbook file already in memory.
ResultCode ConvertXlsxWorkbookBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                                     std::int32_t codePage);

}  // namespace tabulox
