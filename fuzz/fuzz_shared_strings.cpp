// The shared-string parser: the input is a run of BIFF records, and every SST
// record in it is parsed with the CONTINUE records that follow it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "core/byte_reader.h"
#include "core/extraction_error.h"
#include "xls/biff_records.h"
#include "xls/shared_strings.h"
#include "xls/workbook_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabulox;
  ByteReader stream(std::span<const std::uint8_t>(data, size));
  const auto book = std::make_unique<WorkbookData>();
  RecordHeader header;
  try {
    while (ReadRecordHeader(stream, header)) {
      if (header.type == kRecordSst) ReadSharedStrings(stream, header, *book);
      stream.seek(header.payloadEnd());
    }
  } catch (const ExtractionError&) {
  }
  std::size_t total = 0;
  const XlsSharedStrings& table = book->sharedStrings;
  for (std::size_t i = 0; i < table.size(); ++i) total += table[i].size();
  // Each stored character yields at most three bytes of engine text.
  if (total > 3 * size) __builtin_trap();
  return 0;
}
