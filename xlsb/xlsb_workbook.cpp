#include "xlsb/xlsb_workbook.h"

#include <algorithm>
#include <exception>

#include "core/byte_reader.h"
#include "core/extraction_error.h"
#include "ooxml/workbook_parts.h"
#include "xlsb/record_stream.h"
#include "xlsb/xlsb_records.h"
#include "zip/member_read.h"

namespace tabulox {
namespace {

// A BrtBundleSh record as read.
struct BundleSheet {
  std::string relationshipId;
  std::string name;
  bool hidden = false;
};

// hsState (0 visible, 1 hidden, 2 very hidden), iTabID, strRelID, strName.
BundleSheet ReadBundleSheet(std::span<const std::uint8_t> payload) {
  ByteReader in(payload);
  BundleSheet sheet;
  sheet.hidden = in.u32le() != 0;
  in.skip(4);
  xlsb::AppendWideString(in, sheet.relationshipId);
  xlsb::AppendWideString(in, sheet.name);
  return sheet;
}

}  // namespace

XlsbWorkbookParts FindXlsbWorkbookParts(ZipArchive& reader, XmlDocument& document) {
  XlsbWorkbookParts parts;
  WorkbookRelationships related;
  const bool read = ReadWorkbookRelationships(reader, document, related);
  document.Clear();
  if (!read) return parts;
  const std::string& workbook = related.workbook;
  parts.sharedStrings = related.sharedStrings;
  parts.styles = related.styles;
  std::vector<BundleSheet> listed;
  bool date1904 = false;
  const MemberRead sheets = ReadMember(reader, workbook, [&](const BlockSource& source) {
    XlsbRecordStream records(source);
    XlsbRecord record;
    while (records.Next(record)) {
      if (record.type == xlsb::kBundleSh) {
        listed.push_back(ReadBundleSheet(record.payload));
      } else if (record.type == xlsb::kWbProp) {
        ByteReader in(record.payload);
        date1904 = (in.u32le() & 1) != 0;
      }
    }
  });
  if (sheets.error) std::rethrow_exception(sheets.error);
  parts.date1904 = date1904;
  for (BundleSheet& sheet : listed) {
    const auto found = related.worksheetParts.find(sheet.relationshipId);
    if (found != related.worksheetParts.end())
      parts.worksheets.push_back({found->second, std::move(sheet.name), sheet.hidden});
  }
  return parts;
}

}  // namespace tabulox
