#include "cli/sheet_destinations.h"

#include <algorithm>

namespace tabulox::cli {
namespace {

std::string Expand(std::string_view pattern, const std::string& number, const std::string& name) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 'n' || pattern[i + 1] == 's')) {
      out += pattern[i + 1] == 'n' ? number : name;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

bool HasSheetPlaceholder(std::string_view pattern) {
  return pattern.find("%n") != std::string_view::npos || pattern.find("%s") != std::string_view::npos;
}

std::string SafeSheetName(std::string_view name) {
  std::string safe(name);
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F) c = '_';
  }
  return safe;
}

std::vector<std::string> SheetDestinations(std::string_view pattern,
                                           const std::vector<SheetInfo>& sheets) {
  std::vector<std::string> destinations;
  for (const SheetInfo& sheet : sheets) {
    const std::string number = std::to_string(sheet.number);
    std::string name = SafeSheetName(sheet.name);
    std::string destination = Expand(pattern, number, name);
    while (std::find(destinations.begin(), destinations.end(), destination) != destinations.end()) {
      name += "_" + number;
      destination = Expand(pattern, number, name);
      // A pattern without "%s" cannot repeat a number: numbers differ.
    }
    destinations.push_back(std::move(destination));
  }
  return destinations;
}

}  // namespace tabulox::cli
