// The XF list of the .xls layouts made from the cell styles of an
// OpenDocument spreadsheet: one XF for each distinct style a cell names, its
// format slot holding the code of the style's data style.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ods/ods_styles.h"
#include "xls/style_table.h"

namespace tabulox {

class OdsCellFormats {
 public:
  // Starts the style table afresh, its XF 0 General.
  OdsCellFormats(const OdsStyles& styles, StyleTable& table);

  // The XF of cells of the style `name` (empty: the default style), added at
  // its first use; General (XF 0) once the format slots are used up.
  std::uint16_t XfOf(std::string_view name);

 private:
  const OdsStyles& styles_;
  StyleTable& table_;
  std::unordered_map<std::string, std::uint16_t> xfOfStyle_;
  std::unordered_map<std::string, std::uint16_t> slotOfCode_;
  int nextSlot_;
};

}  // namespace tabulox
