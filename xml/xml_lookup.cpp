#include "xml/xml_lookup.h"

#include "xml/xml_text.h"

namespace tabulox {
namespace {

template <typename Equal>
const XmlNode* FindChildBy(const XmlNode& item, std::string_view name, Equal equal) {
  for (const XmlNode* child = item.FirstChild(); child; child = child->NextSibling()) {
    if (equal(child->Name(), name)) return child;
  }
  for (const XmlNode* child = item.FirstChild(); child; child = child->NextSibling()) {
    if (equal(LocalName(child->Name()), name)) return child;
  }
  return nullptr;
}

bool EqualsExactly(std::string_view a, std::string_view b) { return a == b; }

std::string_view WithQuotesRemoved(std::string_view value) {
  const std::size_t last = value.find_last_not_of(" \t");
  if (last != std::string_view::npos && last + 1 < value.size() &&
      (value[last] == '"' || value[last] == '\'')) {
    value = value.substr(0, value[last] == '"' ? last : last + 1);
  }
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::string_view LocalName(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool HasLocalName(const XmlNode& item, std::string_view name) {
  return EqualsNoCase(LocalName(item.Name()), name);
}

const XmlNode* FindChild(const XmlNode& item, std::string_view name) {
  return FindChildBy(item, name, EqualsNoCase);
}

const XmlNode* FindChildExactly(const XmlNode& item, std::string_view name) {
  return FindChildBy(item, name, EqualsExactly);
}

std::string_view ValueAsWritten(std::string_view value) {
  // Most values end in none of the bytes the rules look at.
  if (!value.empty() && value.back() != ' ' && value.back() != '\t' && value.back() != '\'')
    return value;
  return WithQuotesRemoved(value);
}

std::string_view AttributeValue(const XmlAttributes& attributes, std::string_view name) {
  return ValueAsWritten(attributes.Attribute(name));
}

}  // namespace tabulox
