// The workbook globals substream, [MS-XLS] 2.1.7.20.1: the record loop from
// position 0 of the workbook stream up to the first EOF record. It collects the
// worksheets, reads each one when its BOUNDSHEET record is met, hands the SST
// to the shared string table and FORMAT, XF and DATEMODE to the style table.
#pragma once

#include <string>

#include "byte_reader.h"
#include "result_code.h"
#include "workbook_data.h"

namespace tabulox {

// Reads the workbook stream from position 0 into `book`, whose style table is
// initialised. Returns 0, or kSourceEncrypted when a FILEPASS record is met. A
// record cut off by the end of the stream ends the loop like an EOF record; a
// record whose fields run past the end of the stream (beyond its own payload)
// is passed over.
// Raises ExtractionError when the shared string table is malformed or when the
// worksheets' offsets make the stream be read over and over.
ResultCode ReadWorkbookGlobals(ByteReader& stream, TWorkBookData& book);

// [MS-XLS] 2.4.28 BoundSheet8, read from the cursor just after its header.
TBoundSheet8 ReadBoundSheet(ByteReader& stream);

// [MS-XLS] 2.5.240 ShortXLUnicodeString, read from the cursor.
TShortXLUnicodeString ReadShortXLUnicodeString(ByteReader& stream);

// The name as engine text; 8-bit characters are the code units of the same value.
std::string SheetNameText(const TShortXLUnicodeString& name);

}  // namespace tabulox
