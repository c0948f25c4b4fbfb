#include "grid/sheet_choice.h"

#include <algorithm>
#include <string_view>

#include "grid/grid_writer.h"

namespace tabulox {
namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

// The position of the sheet a choice names, or sheets.size() when none.
std::size_t FindChoice(const std::vector<SheetInfo>& sheets, const SheetChoice& choice) {
  if (choice.number > 0) {
    return static_cast<std::size_t>(choice.number) <= sheets.size()
               ? static_cast<std::size_t>(choice.number) - 1
               : sheets.size();
  }
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    if (sheets[i].name == choice.name) return i;
  }
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    if (EqualsIgnoringAsciiCase(sheets[i].name, choice.name)) return i;
  }
  return sheets.size();
}

}  // namespace

ResultCode ChooseSheets(const std::vector<SheetInfo>& sheets, const ConversionOptions& options,
                        std::vector<std::size_t>& chosen) {
  chosen.clear();
  if (options.sheets.empty()) {
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      if (!(options.skipHiddenSheets && sheets[i].hidden)) chosen.push_back(i);
    }
    return 0;
  }
  for (const SheetChoice& choice : options.sheets) {
    const std::size_t at = FindChoice(sheets, choice);
    if (at == sheets.size()) {
      chosen.clear();
      return kSheetNotFound;
    }
    if (std::find(chosen.begin(), chosen.end(), at) == chosen.end()) chosen.push_back(at);
  }
  return 0;
}

GridLayout GridLayoutFor(const ConversionOptions& options, std::size_t sheetsWritten) {
  GridLayout layout;
  const bool csv = options.layout == Layout::kCsv;
  layout.separator = options.separator != 0 ? options.separator : csv ? ',' : '\t';
  layout.headings = !csv && sheetsWritten > 1;
  layout.dropEmptySheets = csv;
  return layout;
}

ResultCode ShownOutcome(const ConversionOptions& options, int sheetsWithText) {
  return options.layout == Layout::kCsv && sheetsWithText > 1 ? kSeveralSheets : 0;
}

}  // namespace tabulox
