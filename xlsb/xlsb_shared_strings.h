// The shared-strings part of a binary workbook: one BrtSSTItem record
// ([MS-XLSB] 2.4.727) per string, a RichStr whose formatting runs and
// phonetic text are passed over.
#pragma once

#include "core/block_source.h"
#include "xls/workbook_data.h"

namespace tabulox {

// Appends the strings of the part read from `source` to `strings`, in order.
// Raises ExtractionError for a record cut short or a string longer than its
// record.
void LoadXlsbSharedStrings(const BlockSource& source, XlsSharedStrings& strings);

}  // namespace tabulox
