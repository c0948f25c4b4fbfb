// The hidden rows and columns of a worksheet part, collected while its
// elements are read when a conversion leaves them out.
#pragma once

#include "grid/hidden_lines.h"
#include "xml/xml_document.h"

namespace tabulox {

struct WorksheetHiding {
  bool skipRows = false;
  bool skipColumns = false;
  HiddenLines rows;     // 0-based
  HiddenLines columns;  // 0-based

  bool SkipsAny() const { return skipRows || skipColumns; }
  void Clear() {
    rows.Clear();
    columns.Clear();
  }
};

// True when an element's "hidden" attribute is "1" or "true" (ASCII case
// ignored).
bool IsHiddenElement(const XmlNode& element);

// Hides the columns min to max (from 1) of a cols > col element that is
// hidden; a col whose min or max is not a number from 1 on hides nothing, and
// one whose max is below its min hides its min alone.
void HideColumnsOf(const XmlNode& col, HiddenLines& columns);

}  // namespace tabulox
