// The styles of an OpenDocument spreadsheet that its text depends on: which
// tables are hidden (table:display="false"), and the format code of each cell
// style, through its data style and the styles it is derived from.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ods/ods_content_walk.h"
#include "ods/ods_number_style.h"

namespace tabulox {

class OdsStyles final : public OdsStyleSink {
 public:
  void StartElement(const OdsTag& tag) override;
  void EndElement() override;
  void Text(std::string_view text) override;

  // Whether tables of the style `name` are hidden.
  bool HidesTable(std::string_view name) const;
  // The format code of the cell style `name` (a cell without a style has the
  // style "Default"); empty for General.
  std::string CellFormatCode(std::string_view name) const;
  // The names of the cell styles read.
  std::vector<std::string> CellStyleNames() const;

 private:
  struct DataStyle {
    std::string code;
    // Each style:map: its condition and the style it applies.
    std::vector<std::pair<std::string, std::string>> maps;
  };
  struct CellStyle {
    std::string parent;
    std::string dataStyle;
  };

  std::string DataStyleCode(const std::string& name) const;

  std::size_t depth_ = 0;
  // What the open element of depth 1 is.
  enum class Open { kOther, kTableStyle, kCellStyle, kDataStyle };
  Open open_ = Open::kOther;
  std::string name_;
  OdsNumberStyleBuilder builder_;
  DataStyle dataStyle_;
  std::unordered_map<std::string, DataStyle> dataStyles_;
  std::unordered_map<std::string, CellStyle> cellStyles_;
  std::unordered_set<std::string> hiddenTableStyles_;
};

}  // namespace tabulox
