// The XF list of the .xls layouts made from the cell styles of an
// OpenDocument spreadsheet: one XF for each distinct style a cell names, its
// format slot holding the code of the style's data style.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

  // Gives every cell style read so far its XF; styles read later have
  // General (XF 0). Called before the cells are laid out, since the layouts
  // take the XF list as it stands when they begin.
  void Complete();

  // The XF of cells of the style `name` (empty: the default style); General
  // (XF 0) for a style Complete did not find, or once the format slots are
  // used up.
  std::uint16_t XfOf(std::string_view name) const;

 private:
  // Adds the XF of the style `name`.
  void Add(const std::string& name);

  const OdsStyles& styles_;
  StyleTable& table_;
  // Looked up by a view of the name, without making a string.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_map<std::string, std::uint16_t, NameHash, std::equal_to<>> xfOfStyle_;
  std::unordered_map<std::string, std::uint16_t> slotOfCode_;
  int nextSlot_;
  bool complete_ = false;
};

}  // namespace tabulox
