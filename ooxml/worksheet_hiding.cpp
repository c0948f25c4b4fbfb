#include "ooxml/worksheet_hiding.h"

#include <algorithm>
#include <cstdint>

#include "ooxml/cell_ref.h"
#include "xml/xml_lookup.h"
#include "xml/xml_text.h"

namespace tabulox {

bool IsHiddenElement(const XmlNode& element) {
  const std::string_view value = AttributeValue(element.Attributes(), "hidden");
  return value == "1" || EqualsNoCase(value, "true");
}

void HideColumnsOf(const XmlNode& col, HiddenLines& columns) {
  if (!IsHiddenElement(col)) return;
  const XmlAttributes attributes = col.Attributes();
  std::int32_t first = 0;
  std::int32_t last = 0;
  if (!TryReadDecimal(AttributeValue(attributes, "min"), first) || first < 1) return;
  if (!TryReadDecimal(AttributeValue(attributes, "max"), last) || last < 1) return;
  columns.Hide(static_cast<std::uint32_t>(first - 1),
               static_cast<std::uint32_t>(std::max(first, last) - 1));
}

}  // namespace tabulox
