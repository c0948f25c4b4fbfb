// The .xls engine's steps after the workbook stream is open.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "result_code.h"

namespace tabulox {
// Steps after the workbook stream is open: creates the style table and an empty workbook,
// reads the globals, then reads and lays out one worksheet after the other (engine text, CR LF
// line ends) at the end of `text`, holding the cells of one worksheet at a time. Returns the
// length of the text appended, or kSourceEncrypted. May raise ExtractionError.
ResultCode ExtractWorkbookStreamText(std::span<const std::uint8_t> workbookStream,
                                     std::string& text);
}  // namespace tabulox
