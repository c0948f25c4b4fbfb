#include "workbook_parts.h"

#include <algorithm>

#include "member_read.h"
#include "package_relationships.h"
#include "xml_lookup.h"
#include "xml_text.h"

namespace tabulox {
namespace {

// The relationships of `part` ("" for the package's own) of the given kinds;
// false when its relationships part is missing, fails its check or cannot
// be read.
bool ReadRelationships(ZipArchive& reader, XmlDocument& document, std::string_view part,
                       const std::vector<std::string_view>& kinds,
                       std::vector<PackageRelationship>& out) {
  const MemberRead read = ReadMember(reader, RelationshipsPartName(part), [&](const BlockSource& source) {
    LoadRelationships(document, source, part, kinds, out);
  });
  return read.extracted > 0 && !read.error;
}

// The relationship id of a sheet element: its "r:id", or else the first
// attribute of another prefix with the local name "id".
std::string_view SheetRelationshipId(const XmlNode& sheet) {
  const XmlAttributes attributes = sheet.Attributes();
  if (attributes.IndexOfName("r:id") >= 0) return AttributeValue(attributes, "r:id");
  for (int i = 0; i < attributes.Count(); ++i) {
    const XmlAttribute& line = attributes[i];
    if (line.HasValue() && line.name.find(':') != std::string_view::npos &&
        EqualsNoCase(LocalName(line.name), "id"))
      return ValueAsWritten(line.value);
  }
  return {};
}

// Takes the relationship ids of the sheets list (workbook > sheets > sheet,
// "x:sheets" and "x:sheet" too) as its elements are read: those of the first
// sheets element.
class SheetElements : public XmlChildSink {
 public:
  explicit SheetElements(std::vector<std::string>& ids) : ids_(ids) {}

  bool HandsOverChildren(const XmlNode& item) override {
    if (item.Parent() == nullptr || !HasLocalName(item, "sheets")) return false;
    if (sheets_ == nullptr) sheets_ = &item;
    return true;
  }

  void TakeChild(const XmlNode& sheet) override {
    if (sheet.Parent() == sheets_ && HasLocalName(sheet, "sheet"))
      ids_.emplace_back(SheetRelationshipId(sheet));
  }

 private:
  std::vector<std::string>& ids_;
  const XmlNode* sheets_ = nullptr;
};

// Compares numbers written in decimal without leading zeros.
bool NumberBelow(const std::string& a, const std::string& b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

WorkbookParts FindWorkbookParts(ZipArchive& reader, XmlDocument& document) {
  WorkbookParts parts;
  try {
    std::vector<PackageRelationship> package;
    if (!ReadRelationships(reader, document, "", {"officeDocument"}, package) || package.empty())
      return parts;
    const std::string workbook = package.front().part;

    std::vector<PackageRelationship> related;
    if (!ReadRelationships(reader, document, workbook, {"worksheet", "sharedStrings"}, related))
      return parts;
    for (const PackageRelationship& relationship : related) {
      if (IsRelationshipOfKind(relationship.type, "sharedStrings")) {
        parts.sharedStrings = relationship.part;
        break;
      }
    }

    std::vector<std::string> ids;
    SheetElements sheets(ids);
    const MemberRead read = ReadMember(reader, workbook, [&](const BlockSource& source) {
      document.LoadFromSource(source, sheets);
    });
    if (read.extracted == 0 || read.error) return parts;
    for (const std::string& id : ids) {
      const auto found = std::find_if(related.begin(), related.end(), [&](const PackageRelationship& r) {
        return r.id == id && IsRelationshipOfKind(r.type, "worksheet");
      });
      if (found != related.end()) parts.worksheets.push_back(found->part);
    }
  } catch (...) {
    // An archive that cannot be read here fails where its worksheets are read.
    return {};
  }
  return parts;
}

std::string_view NumberedWorksheet(std::string_view part) {
  constexpr std::string_view kFolder = "xl/worksheets/sheet";
  constexpr std::string_view kExtension = ".xml";
  if (part.size() <= kFolder.size() + kExtension.size()) return {};
  for (std::size_t i = 0; i < kFolder.size(); ++i) {
    const char c = part[i] == '\\' ? '/' : part[i];
    if (!EqualsNoCase(std::string_view(&c, 1), kFolder.substr(i, 1))) return {};
  }
  if (!EqualsNoCase(part.substr(part.size() - kExtension.size()), kExtension)) return {};
  const std::string_view digits =
      part.substr(kFolder.size(), part.size() - kFolder.size() - kExtension.size());
  if (digits.size() > 1 && digits[0] == '0') return {};
  for (const char c : digits) {
    if (c < '0' || c > '9') return {};
  }
  return digits;
}

std::vector<std::string> NumberedWorksheets(const ZipArchive& reader) {
  std::vector<std::string> numbers;
  for (const ZipMember& member : reader.Members()) {
    const std::string name = member.FullName();
    const std::string_view number = NumberedWorksheet(name);
    if (!number.empty()) numbers.emplace_back(number);
  }
  std::sort(numbers.begin(), numbers.end(), NumberBelow);
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

}  // namespace tabulox
