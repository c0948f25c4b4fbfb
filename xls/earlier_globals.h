// The globals of a workbook stream of a version before BIFF8: its code page,
// its FORMAT, XF and DATEMODE records and its sheets, read into the same
// WorkbookData as BIFF8's, so that its cells go through the same layout and
// style table.
//
//   BIFF5, BIFF7  a globals substream as in BIFF8, whose BOUNDSHEET records
//                 hold 8-bit names with a one-byte length; no shared strings.
//   BIFF2-BIFF4   a worksheet file: one substream that holds the style
//                 records and the cells of its one sheet.
//   BIFF4         a workbook (BOF type 0x0100): its globals name the sheets
//                 in BOUNDSHEET records that hold only the name; the sheets
//                 follow the globals, each a substream after a SHEETHDR record,
//                 with FORMAT and XF records of its own.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/byte_reader.h"
#include "core/result_code.h"
#include "xls/biff_version.h"
#include "xls/workbook_data.h"

namespace tabulox {

// Reads the globals of the stream whose start is `start` (any version but
// BIFF8) from position 0 into `book`, whose style table is initialised: the
// code page (its CODEPAGE record, else 1252) into book.records, the style
// records into book.styles, the worksheets into book.sheets. A worksheet
// file's one sheet is named `worksheetName`. A stream of another substream
// type (a chart or macro sheet of its own) lists no sheets. Returns 0, or
// kSourceEncrypted when a FILEPASS record comes first. Records cut off by the
// end of the stream end the reading; records too short for their fields are
// passed over.
ResultCode ReadEarlierGlobals(ByteReader& stream, const StreamStart& start,
                              std::u16string_view worksheetName, WorkbookData& book);

// For a workbook whose sheets hold their own style records (book.stylesPerSheet):
// empties the style table and reads the FORMAT, XF and DATEMODE records of the
// sheet substream at `offset` into it. Returns 0 or kSourceEncrypted.
ResultCode ReadSheetStyles(ByteReader& stream, std::size_t offset, WorkbookData& book);

}  // namespace tabulox
