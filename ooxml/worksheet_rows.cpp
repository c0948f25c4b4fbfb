#include "ooxml/worksheet_rows.h"

#include "xml/xml_lookup.h"
#include "xml/xml_text.h"

namespace tabulox {

const XmlNode* SheetData(const XmlNode& worksheet) { return FindChild(worksheet, "sheetData"); }

bool WorksheetRows::HandsOverChildren(const XmlNode& item) {
  if (item.Parent() == nullptr) return false;
  // The choice among the siblings read so far, which are in the tree.
  if (HasLocalName(item, "sheetData") && SheetData(*item.Parent()) == &item) {
    if (laidOut_ != nullptr) walk_.Restart();
    laidOut_ = &item;
    laidOutPlain_ = EqualsNoCase(item.Name(), "sheetData");
    heldError_ = nullptr;
  }
  return true;
}

void WorksheetRows::TakeChild(const XmlNode& child) {
  if (child.Parent() != laidOut_) {
    if (HasLocalName(*child.Parent(), "cols")) walk_.Column(child);
    return;
  }
  if (heldError_) return;
  try {
    walk_.Row(child);
  } catch (...) {
    if (laidOutPlain_) throw;
    heldError_ = std::current_exception();
  }
}

void WorksheetRows::Finish(const XmlNode& worksheet) {
  if (SheetData(worksheet) != laidOut_) {
    walk_.Restart();
  } else if (heldError_) {
    std::rethrow_exception(heldError_);
  }
}

}  // namespace tabulox
