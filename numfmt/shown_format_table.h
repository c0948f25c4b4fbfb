// The number formats of one workbook for the as-shown layout: format id ->
// code, each code read into a ShownFormat once, when it is first used.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "numfmt/shown_format.h"

namespace tabulox {

// Not safe to use from two threads at once: Format fills the table as it goes.
class ShownFormatTable {
 public:
  // Back to the built-in codes only.
  void Clear();
  // A workbook's own code for an id; it takes the place of a built-in code.
  // (Readers keep the regional form of IsRegionalFormatId's ids by not
  // setting codes for them.)
  void SetCode(int id, std::string code);
  // The format of an id: the workbook's code, else the built-in code (read with
  // the regional settings in force at its first use), else General. The
  // reference stays valid until Clear or SetCode of the same id.
  const ShownFormat& Format(int id) const;

 private:
  struct Entry {
    std::string code;
    std::unique_ptr<const ShownFormat> format;  // read on first use
  };
  // Both maps hold the formats read so far, which Format fills in.
  mutable std::unordered_map<int, Entry> workbookCodes_;
  mutable std::unordered_map<int, std::unique_ptr<const ShownFormat>> builtInFormats_;
};

}  // namespace tabulox
