#include "xlsb/xlsb_workbook.h"

#include <algorithm>
#include <exception>

#include "core/byte_reader.h"
#include "core/extraction_error.h"
#include "ooxml/package_relationships.h"
#include "xlsb/record_stream.h"
#include "xlsb/xlsb_records.h"
#include "zip/member_read.h"

namespace tabulox {
namespace {

// The relationships of `part` ("" for the package's own) of the given kinds;
// false when its relationships part is missing or cannot be read.
bool ReadRelationships(ZipArchive& reader, XmlDocument& document, std::string_view part,
                       const std::vector<std::string_view>& kinds,
                       std::vector<PackageRelationship>& out) {
  const MemberRead read = ReadMember(reader, RelationshipsPartName(part), [&](const BlockSource& source) {
    LoadRelationships(document, source, part, kinds, out);
  });
  document.Clear();
  return read.extracted > 0 && !read.error;
}

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
  std::vector<PackageRelationship> package;
  if (!ReadRelationships(reader, document, "", {"officeDocument"}, package) || package.empty())
    return parts;
  const std::string workbook = package.front().part;
  std::vector<PackageRelationship> related;
  if (!ReadRelationships(reader, document, workbook, {"worksheet", "sharedStrings", "styles"},
                         related))
    return parts;
  for (const PackageRelationship& relationship : related) {
    if (parts.sharedStrings.empty() && IsRelationshipOfKind(relationship.type, "sharedStrings"))
      parts.sharedStrings = relationship.part;
    if (parts.styles.empty() && IsRelationshipOfKind(relationship.type, "styles"))
      parts.styles = relationship.part;
  }
  std::vector<BundleSheet> listed;
  bool date1904 = false;
  const MemberRead read = ReadMember(reader, workbook, [&](const BlockSource& source) {
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
  if (read.error) std::rethrow_exception(read.error);
  parts.date1904 = date1904;
  for (BundleSheet& sheet : listed) {
    const auto found = std::find_if(related.begin(), related.end(), [&](const PackageRelationship& r) {
      return r.id == sheet.relationshipId && IsRelationshipOfKind(r.type, "worksheet");
    });
    if (found != related.end())
      parts.worksheets.push_back({found->part, std::move(sheet.name), sheet.hidden});
  }
  return parts;
}

}  // namespace tabulox
