// Finding elements and attribute values in an item tree as the writers of
// workbook parts put them: element names with or without a namespace prefix
// ("x:row" for "row"), and attribute values in the forms the lenient reader
// keeps of some well-formed spellings.
#pragma once

#include <string_view>

#include "xml/xml_document.h"

namespace tabulox {

// The name without its namespace prefix: what follows the last ":".
std::string_view LocalName(std::string_view name);

// True when the item's local name equals `name` ignoring ASCII case.
bool HasLocalName(const XmlNode& item, std::string_view name);

// The first child named `name` ignoring ASCII case; when there is none, the
// first child whose local name is `name` ignoring ASCII case; else null.
const XmlNode* FindChild(const XmlNode& item, std::string_view name);

// The same with letter case compared: the first child named exactly `name`,
// else the first whose local name is exactly `name`, else null.
const XmlNode* FindChildExactly(const XmlNode& item, std::string_view name);

// An attribute value as written. The lenient XML reader keeps the quotes of a
// value in single quotes, and when blanks stand between the last value and
// the end of the tag (<dimension ref="A1:B2" />, as many writers put it) it
// keeps that value's closing quote and the blanks. Both forms are well-formed
// XML, so the quotes and blanks are removed here.
std::string_view ValueAsWritten(std::string_view value);

// ValueAsWritten of the value of the first attribute line named `name`
// (ignoring ASCII case); empty when there is none.
std::string_view AttributeValue(const XmlAttributes& attributes, std::string_view name);

}  // namespace tabulox
