// The tables of an OpenDocument spreadsheet document (content.xml of a
// package, or a flat document) read in one pass over its tokens: tables,
// columns, rows and cells handed on as they are read, the style elements
// handed to a reader of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/block_source.h"
#include "ods/repeat_budget.h"
#include "xml/xml_text.h"

namespace tabulox {

// The sheet's bounds: repeats beyond them are cut back to them.
inline constexpr std::uint32_t kOdsRows = 1u << 20;
inline constexpr std::uint32_t kOdsColumns = 1u << 14;

enum class OdsValueType : std::uint8_t {
  kNone,
  kFloat,
  kPercentage,
  kCurrency,
  kDate,
  kTime,
  kBoolean,
  kString,
};

// One table:table-cell or table:covered-table-cell as read.
struct OdsCell {
  OdsValueType type = OdsValueType::kNone;
  // Numbers, dates as day serials, times as days, booleans as 1 or 0.
  double value = 0;
  bool hasValue = false;  // the value attribute of the type reads as one
  bool formula = false;
  bool error = false;      // an error result (calcext:value-type="error")
  bool covered = false;    // hidden by a merged cell
  bool hasText = false;    // at least one paragraph
  // The paragraphs, joined by LF (or office:string-value where given).
  std::string text;
  std::string styleName;
  std::uint32_t repeat = 1;
};

// The attribute lines of one tag, with values looked up by qualified name.
class OdsTag {
 public:
  OdsTag(std::string_view localName, const std::vector<XmlAttributeLine>& lines, std::string& scratch)
      : localName_(localName), lines_(lines), scratch_(scratch) {}

  std::string_view LocalName() const { return localName_; }
  // The decoded value of the attribute named `name` ("table:name"); empty
  // when there is none. Valid until the next call.
  std::string_view Attribute(std::string_view name) const;
  bool HasAttribute(std::string_view name) const;

 private:
  std::string_view localName_;
  const std::vector<XmlAttributeLine>& lines_;
  std::string& scratch_;
};

// Takes the elements of office:styles and office:automatic-styles.
class OdsStyleSink {
 public:
  virtual void StartElement(const OdsTag& tag) = 0;
  virtual void EndElement() = 0;
  virtual void Text(std::string_view text) = 0;

 protected:
  ~OdsStyleSink() = default;
};

// Takes the tables as they are read.
class OdsContentSink {
 public:
  virtual void BeginTable(std::string_view name, std::string_view styleName) = 0;
  // `repeat` columns (cut back to the sheet's width); hidden for the
  // visibility "collapse" and "filter"; the style of their cells that name
  // none.
  virtual void Columns(std::uint32_t /*repeat*/, bool /*hidden*/, std::string_view /*cellStyle*/) {}
  virtual void BeginRow(std::uint32_t /*repeat*/, bool /*hidden*/) {}
  virtual void Cell(const OdsCell& /*cell*/) {}
  virtual void EndRow() {}
  virtual void EndTable() = 0;
  // False: the cells of rows are passed over and not read.
  virtual bool WantsCells() const { return true; }

 protected:
  ~OdsContentSink() = default;
};

// Reads the document from `source`, handing tables to `sink` and style
// elements to `styles` (when given). Tables inside cells are cell content
// and not read. Raises ExtractionError when text:s counts go beyond `budget`,
// and passes on what the sinks raise.
void WalkOdsContent(const BlockSource& source, OdsContentSink& sink, OdsStyleSink* styles,
                    RepeatBudget& budget);

}  // namespace tabulox
