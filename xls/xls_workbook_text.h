// The .xls engine's steps after the workbook stream is open.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result_code.h"
#include "tabulox/tabulox.h"

namespace tabulox {

// The name of the one sheet of a worksheet file whose name is not known.
inline constexpr std::u16string_view kUnnamedWorksheet = u"Sheet1";

// Steps after the workbook stream is open: creates the style table and an empty workbook,
// reads the globals, then reads and lays out one worksheet after the other (engine text, CR LF
// line ends) at the end of `text`, holding the cells of one worksheet at a time. Returns the
// length of the text appended, or kSourceEncrypted. May raise ExtractionError.
//
// A stream that opens with the BOF of a version before BIFF8 is read as that
// version (ReadEarlierGlobals); the one sheet of a BIFF2 to BIFF4 worksheet
// file is headed `worksheetName`.
//
// `options` chooses the sheets written (ChooseSheets; kSheetNotFound), the
// layout (kAsShown and kCsv through the GridWriter; kSeveralSheets) and the
// hidden rows and columns left out; the default options give the default
// layout of every worksheet.
ResultCode ExtractWorkbookStreamText(std::span<const std::uint8_t> workbookStream,
                                     std::string& text,
                                     std::u16string_view worksheetName = kUnnamedWorksheet,
                                     const ConversionOptions& options = {});

// The worksheets of the stream, those ExtractWorkbookStreamText writes, in
// workbook order: their names (UTF-8) and whether they are hidden or very
// hidden. Returns 0 or kSourceEncrypted. May raise ExtractionError.
ResultCode ListWorkbookStreamSheets(std::span<const std::uint8_t> workbookStream,
                                    std::u16string_view worksheetName,
                                    std::vector<SheetInfo>& sheets);
}  // namespace tabulox
