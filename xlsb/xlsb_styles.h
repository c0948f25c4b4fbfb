// The styles part of a binary workbook: its number formats (BrtFmt, [MS-XLSB]
// 2.4.648) and the cell formats of its cellXfs list (BrtXF records between
// BrtBeginCellXFs and BrtEndCellXFs, 2.4.861), which cell records index.
#pragma once

#include "core/block_source.h"
#include "xls/style_table.h"

namespace tabulox {

// Adds the part's number formats and cell formats to `styles`, which
// InitStyleData has prepared. Raises ExtractionError for a record cut short
// or shorter than its fields.
void LoadXlsbStyles(const BlockSource& source, StyleTable& styles);

}  // namespace tabulox
