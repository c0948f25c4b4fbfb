#include "ooxml/workbook_parts.h"

#include <algorithm>
#include <unordered_map>

#include "ooxml/package_relationships.h"
#include "xml/xml_lookup.h"
#include "xml/xml_text.h"
#include "zip/member_read.h"

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

// A sheet element of the sheets list: its relationship id, name and state.
struct SheetElement {
  std::string id;
  std::string name;
  bool hidden = false;
};

// True for a true value of an XML boolean attribute ("1", "true").
bool IsTrueValue(std::string_view value) {
  const std::string_view written = ValueAsWritten(value);
  return written == "1" || EqualsNoCase(written, "true");
}

// Takes the sheet elements of the sheets list (workbook > sheets > sheet,
// "x:sheets" and "x:sheet" too) as they are read, those of the first sheets
// element. The workbook's other children stay in the tree.
class SheetElements : public XmlChildSink {
 public:
  explicit SheetElements(std::vector<SheetElement>& sheets) : sheets_(sheets) {}

  bool HandsOverChildren(const XmlNode& item) override {
    if (item.Parent() == nullptr || !HasLocalName(item, "sheets")) return false;
    if (sheetsElement_ == nullptr) sheetsElement_ = &item;
    return true;
  }

  void TakeChild(const XmlNode& sheet) override {
    if (sheet.Parent() != sheetsElement_ || !HasLocalName(sheet, "sheet")) return;
    const XmlAttributes attributes = sheet.Attributes();
    const std::string_view state = AttributeValue(attributes, "state");
    sheets_.push_back({std::string(SheetRelationshipId(sheet)),
                       std::string(AttributeValue(attributes, "name")),
                       EqualsNoCase(state, "hidden") || EqualsNoCase(state, "veryHidden")});
  }

 private:
  std::vector<SheetElement>& sheets_;
  const XmlNode* sheetsElement_ = nullptr;
};

// Compares numbers written in decimal without leading zeros.
bool NumberBelow(const std::string& a, const std::string& b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

bool ReadWorkbookRelationships(ZipArchive& reader, XmlDocument& document,
                               WorkbookRelationships& relationships) {
  std::vector<PackageRelationship> package;
  if (!ReadRelationships(reader, document, "", {"officeDocument"}, package) || package.empty())
    return false;
  relationships.workbook = package.front().part;
  std::vector<PackageRelationship> related;
  if (!ReadRelationships(reader, document, relationships.workbook,
                         {"worksheet", "sharedStrings", "styles"}, related))
    return false;
  for (PackageRelationship& relationship : related) {
    if (IsRelationshipOfKind(relationship.type, "worksheet")) {
      relationships.worksheetParts.emplace(std::move(relationship.id), std::move(relationship.part));
    } else if (relationships.sharedStrings.empty() &&
               IsRelationshipOfKind(relationship.type, "sharedStrings")) {
      relationships.sharedStrings = std::move(relationship.part);
    } else if (relationships.styles.empty() && IsRelationshipOfKind(relationship.type, "styles")) {
      relationships.styles = std::move(relationship.part);
    }
  }
  return true;
}

WorkbookParts FindWorkbookParts(ZipArchive& reader, XmlDocument& document) {
  WorkbookParts parts;
  try {
    WorkbookRelationships related;
    if (!ReadWorkbookRelationships(reader, document, related)) return parts;
    const std::string& workbook = related.workbook;
    parts.sharedStrings = related.sharedStrings;
    parts.styles = related.styles;

    std::vector<SheetElement> listed;
    bool date1904 = false;
    SheetElements sheets(listed);
    const MemberRead read = ReadMember(reader, workbook, [&](const BlockSource& source) {
      document.LoadFromSource(source, sheets);
      if (const XmlNode* properties = FindChild(document.Root(), "workbookPr"))
        date1904 = IsTrueValue(properties->Attributes().Attribute("date1904"));
    });
    if (read.extracted == 0 || read.error) return parts;
    parts.date1904 = date1904;
    for (SheetElement& sheet : listed) {
      const auto found = related.worksheetParts.find(sheet.id);
      if (found != related.worksheetParts.end())
        parts.worksheets.push_back({found->second, std::move(sheet.name), sheet.hidden});
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
