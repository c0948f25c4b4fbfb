// Which sheets of a workbook a conversion writes, and in what order.
#pragma once

#include <cstddef>
#include <vector>

#include "core/result_code.h"
#include "grid/grid_writer.h"
#include "tabulox/tabulox.h"

namespace tabulox {

// The positions in `sheets` (workbook order) of the sheets written: those
// `options` chooses, in the order chosen, each once; else every sheet. Hidden
// sheets are left out with skipHiddenSheets unless chosen. A choice is a
// number counted from 1, else a name: the sheet of exactly that name, else
// the one whose name differs only in ASCII letter case. Returns 0, or
// kSheetNotFound when a choice matches no sheet.
ResultCode ChooseSheets(const std::vector<SheetInfo>& sheets, const ConversionOptions& options,
                        std::vector<std::size_t>& chosen);

// The layout of the as-shown grid for the options and the number of sheets
// written: the separator, headings when more than one sheet shares the text
// (never for kCsv), sheets without text left out for kCsv.
GridLayout GridLayoutFor(const ConversionOptions& options, std::size_t sheetsWritten);

// The outcome of an as-shown conversion once its sheets are written: 0, or
// kSeveralSheets when kCsv wrote more than one sheet with text.
ResultCode ShownOutcome(const ConversionOptions& options, int sheetsWithText);

}  // namespace tabulox
