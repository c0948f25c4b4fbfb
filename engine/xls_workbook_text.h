// The .xls engine's steps after the workbook stream is open.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "result_code.h"

namespace tabulox {
// Steps after the workbook stream is open: creates the style table and an empty workbook,
// reads the globals (and with them every worksheet), lays out the text (engine text, CR LF
// line ends) into `text`. Returns the text length, or kSourceEncrypted. May raise ExtractionError.
ResultCode ExtractWorkbookStreamText(std::span<const std::uint8_t> workbookStream,
                                     std::string& text);
}  // namespace tabulox
