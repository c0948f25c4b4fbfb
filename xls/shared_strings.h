// The shared string table, [MS-XLS] 2.4.265 SST: the text of every string cell
// of a workbook, stored once in the SST record and the CONTINUE records after
// it. Formatting runs and phonetic blocks are read past and dropped.
#pragma once

#include "core/byte_reader.h"
#include "xls/biff_records.h"
#include "xls/workbook_data.h"

namespace tabulox {

// Reads the SST record whose header was just read from `stream`, with the
// CONTINUE records after it. Replaces the table of `book` and sets its two
// counts; leaves the cursor at the end of the SST payload, so that the CONTINUE
// records pass through the caller's loop as records it skips.
//
// A string count of 0 reads every string the records hold; a negative count
// gives an empty table.
//
// A string, run list or phonetic block that goes on beyond the last CONTINUE
// record, and a string count larger than the strings present, end the table
// there: it keeps the whole strings read before. A string header cut across a
// CONTINUE record goes on at the first byte of the next one.
void ReadSharedStrings(ByteReader& stream, const RecordHeader& header, WorkbookData& book);

}  // namespace tabulox
