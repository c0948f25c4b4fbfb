#include "ooxml/workbook_styles.h"

#include "numfmt/built_in_formats.h"

#include <string>

#include "ooxml/cell_ref.h"
#include "xml/xml_lookup.h"

namespace tabulox {
namespace {

// The id an attribute gives, or `fallback` when it is missing or not a
// number.
int IdOr(const XmlAttributes& attributes, std::string_view name, int fallback) {
  std::int32_t id = 0;
  return TryReadDecimal(AttributeValue(attributes, name), id) ? id : fallback;
}

// Takes the numFmt and xf elements as the styles part is read.
class StyleElements : public XmlChildSink {
 public:
  explicit StyleElements(WorkbookStyles& styles) : styles_(styles) {}

  bool HandsOverChildren(const XmlNode& item) override {
    if (item.Parent() == nullptr) return false;
    if (numFmts_ == nullptr && HasLocalName(item, "numFmts")) numFmts_ = &item;
    if (cellXfs_ == nullptr && HasLocalName(item, "cellXfs")) cellXfs_ = &item;
    return true;
  }

  void TakeChild(const XmlNode& child) override {
    const XmlAttributes attributes = child.Attributes();
    if (child.Parent() == numFmts_ && HasLocalName(child, "numFmt")) {
      const int id = IdOr(attributes, "numFmtId", -1);
      if (id >= 0 && attributes.IndexOfName("formatCode") >= 0)
        styles_.SetFormatCode(id, AttributeValue(attributes, "formatCode"));
    } else if (child.Parent() == cellXfs_ && HasLocalName(child, "xf")) {
      styles_.AddCellFormat(IdOr(attributes, "numFmtId", 0));
    }
  }

 private:
  WorkbookStyles& styles_;
  const XmlNode* numFmts_ = nullptr;
  const XmlNode* cellXfs_ = nullptr;
};

}  // namespace

void WorkbookStyles::Clear() {
  formats_.Clear();
  cellFormatIds_.clear();
}

void WorkbookStyles::SetFormatCode(int id, std::string_view code) {
  // The short date ids show in the regional form whatever code is stored.
  if (!IsRegionalFormatId(id)) formats_.SetCode(id, std::string(code));
}

void WorkbookStyles::AddCellFormat(int formatId) { cellFormatIds_.push_back(formatId); }

const ShownFormat& WorkbookStyles::CellFormat(std::int64_t xf) const {
  if (xf < 0 || static_cast<std::uint64_t>(xf) >= cellFormatIds_.size()) return general_;
  return formats_.Format(cellFormatIds_[static_cast<std::size_t>(xf)]);
}

void LoadWorkbookStylesFromSource(XmlDocument& document, const BlockSource& source,
                                  WorkbookStyles& styles) {
  StyleElements elements(styles);
  document.LoadFromSource(source, elements);
}

}  // namespace tabulox
