#include "xlsb/xlsb_shared_strings.h"

#include "core/byte_reader.h"
#include "xlsb/record_stream.h"
#include "xlsb/xlsb_records.h"

namespace tabulox {

void LoadXlsbSharedStrings(const BlockSource& source, XlsSharedStrings& strings) {
  XlsbRecordStream records(source);
  XlsbRecord record;
  while (records.Next(record)) {
    if (record.type != xlsb::kSstItem) continue;
    ByteReader in(record.payload);
    in.skip(1);  // fRichStr, fExtStr: what follows the text
    try {
      xlsb::AppendWideString(in, strings.pendingText());
    } catch (...) {
      strings.DropPending();
      throw;
    }
    strings.AddString();
  }
}

}  // namespace tabulox
