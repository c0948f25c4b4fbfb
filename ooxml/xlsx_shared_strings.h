// The shared-string table of an .xlsx conversion (ECMA-376 Part 1 §18.4) and
// the text of a string item, shared (si) or inline (is).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_document.h"

namespace tabulox {

// An ordered list of UTF-8 texts, kept in one pool; index 0 is the first.
class SharedStringTable {
 public:
  void Clear();
  // Room for about `textBytes` bytes of string text, taken before the first
  // Add so that the table is not copied as it grows.
  void Reserve(std::uint64_t textBytes);
  void Add(std::string_view text);
  // Adds the text of a string item (AppendStringItemText).
  void AddItem(const XmlNode& item);
  std::size_t Count() const { return ends_.size(); }
  std::string_view operator[](std::size_t i) const;

 private:
  std::string pool_;
  std::vector<std::size_t> ends_;  // end of string i in pool_
};

// Appends the text of a string item: with runs (its first child is an "r"),
// the text of the "t" of each run in order, leaving out phonetic runs;
// otherwise the text of its first child ("t"). An item without children has
// an empty text. Names are compared without their namespace prefix. The
// escapes "_xHHHH_" of each text are replaced (xstring_escapes.h).
void AppendStringItemText(const XmlNode& item, std::string& out);

// Fills the table from a shared-strings part read block by block into
// `document`: one string per child of the sst element, in order, so that
// indexes stay aligned even for an empty item (<si/>); each item is added as
// soon as it is complete and not kept.
void LoadSharedStringsFromSource(XmlDocument& document, const BlockSource& source,
                                 SharedStringTable& table);

}  // namespace tabulox
