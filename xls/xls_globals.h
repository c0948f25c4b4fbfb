// The workbook globals substream, [MS-XLS] 2.1.7.20.1: the record loop from
// position 0 of the workbook stream up to the first EOF record. It lists the
// worksheets, hands the SST to the shared string table and FORMAT, XF and
// DATEMODE to the style table; each worksheet's cells are read on their own,
// so that a conversion holds the cells of one worksheet at a time.
#pragma once

#include <string>

#include "core/byte_reader.h"
#include "core/result_code.h"
#include "xls/workbook_data.h"

namespace tabulox {

// Reads the BIFF8 globals from position 0 of the workbook stream into `book`,
// whose style table is initialised: each worksheet's BOUNDSHEET goes into
// book.sheets. Returns 0, or kSourceEncrypted when a
// FILEPASS record is met. The caller has told the version from the stream's
// BOF (ReadStreamStart) and hands the streams of BIFF2 to BIFF7, whose
// records this loop does not read, to ReadEarlierGlobals instead. A record cut off by the end of the stream ends the
// loop like an EOF record; a record whose fields run past the end of the
// stream (beyond its own payload) is passed over.
// Raises ExtractionError when the shared string table is malformed.
ResultCode ReadGlobals(ByteReader& stream, WorkbookData& book);

// A worksheet substream is read from its offset to its EOF record, so a stream
// whose BOUNDSHEET offsets point back into the globals or into other sheets
// makes the same bytes be read again for each such sheet. This counts the
// bytes read for worksheets against a few passes over the stream.
class WorksheetReadBudget {
 public:
  explicit WorksheetReadBudget(std::size_t streamSize);
  // Raises ExtractionError once more bytes were read than the passes allow.
  void Spend(std::size_t bytes);

 private:
  std::size_t bytesLeft_;
};

// Reads the cells of a worksheet listed by ReadGlobals from its offset.
// Raises ExtractionError when the budget is spent.
// `format` tells how its records are laid out (see ReadWorksheet).
void ReadWorksheetCells(ByteReader& stream, WorksheetData& sheet, WorksheetReadBudget& budget,
                        const CellRecordFormat& format = {});

}  // namespace tabulox
