#include "ooxml/package_relationships.h"

#include "xml/xml_lookup.h"
#include "xml/xml_text.h"

namespace tabulox {
namespace {

// The folder of a part name: everything up to its last "/", included.
std::string_view FolderOf(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
}

// Takes the relationships of the root element (Relationships) as they are read.
class RelationshipElements : public XmlChildSink {
 public:
  RelationshipElements(std::string_view sourcePart, const std::vector<std::string_view>& kinds,
                       std::vector<PackageRelationship>& out)
      : sourcePart_(sourcePart), kinds_(kinds), out_(out) {}

  bool HandsOverChildren(const XmlNode& item) override { return item.Parent() == nullptr; }

  void TakeChild(const XmlNode& element) override {
    if (!HasLocalName(element, "Relationship")) return;
    const XmlAttributes attributes = element.Attributes();
    if (EqualsNoCase(AttributeValue(attributes, "TargetMode"), "External")) return;
    const std::string_view type = AttributeValue(attributes, "Type");
    bool wanted = false;
    for (const std::string_view kind : kinds_) wanted |= IsRelationshipOfKind(type, kind);
    if (!wanted) return;
    out_.push_back({std::string(AttributeValue(attributes, "Id")), std::string(type),
                    ResolveTarget(sourcePart_, AttributeValue(attributes, "Target"))});
  }

 private:
  std::string_view sourcePart_;
  const std::vector<std::string_view>& kinds_;
  std::vector<PackageRelationship>& out_;
};

}  // namespace

std::string RelationshipsPartName(std::string_view part) {
  const std::string_view folder = FolderOf(part);
  return std::string(folder) + "_rels/" + std::string(part.substr(folder.size())) + ".rels";
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A target's segment with its percent-escapes ("%20") replaced by the bytes
// they stand for, as a URI is read; a "%" without two hexadecimal digits
// stays as written.
std::string PercentDecoded(std::string_view segment) {
  std::string decoded;
  for (std::size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '%' && i + 2 < segment.size() && HexValue(segment[i + 1]) >= 0 &&
        HexValue(segment[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(segment[i + 1]) * 16 + HexValue(segment[i + 2]));
      i += 2;
    } else {
      decoded += segment[i];
    }
  }
  return decoded;
}

}  // namespace

std::string ResolveTarget(std::string_view sourcePart, std::string_view target) {
  std::string path;
  if (target.empty() || (target[0] != '/' && target[0] != '\\')) path = FolderOf(sourcePart);
  std::size_t at = 0;
  while (at <= target.size()) {
    std::size_t end = target.find_first_of("/\\", at);
    if (end == std::string_view::npos) end = target.size();
    const std::string segment = PercentDecoded(target.substr(at, end - at));
    if (segment == "..") {
      // Drop the last folder of the path ("a/b/" becomes "a/").
      if (!path.empty()) path.pop_back();
      const std::size_t slash = path.rfind('/');
      path.resize(slash == std::string::npos ? 0 : slash + 1);
    } else if (!segment.empty() && segment != ".") {
      path += segment;
      if (end < target.size()) path += '/';
    }
    at = end + 1;
  }
  return path;
}

bool IsRelationshipOfKind(std::string_view type, std::string_view kind) {
  const std::size_t slash = type.rfind('/');
  return EqualsNoCase(slash == std::string_view::npos ? type : type.substr(slash + 1), kind);
}

void LoadRelationships(XmlDocument& document, const BlockSource& source,
                       std::string_view sourcePart, const std::vector<std::string_view>& kinds,
                       std::vector<PackageRelationship>& out) {
  RelationshipElements elements(sourcePart, kinds, out);
  document.LoadFromSource(source, elements);
}

}  // namespace tabulox
