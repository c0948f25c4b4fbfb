// The destinations of "--each-sheet": one per sheet, from a pattern holding
// "%n" (the sheet's number) or "%s" (its name).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tabulox/tabulox.h"

namespace tabulox::cli {

// True when the pattern holds "%n" or "%s".
bool HasSheetPlaceholder(std::string_view pattern);

// The sheet's name as it may stand in a file name: "/", control characters
// and NUL become "_".
std::string SafeSheetName(std::string_view name);

// The destination of each sheet, in the order given: "%n" replaced by the
// sheet's number and "%s" by its safe name; every other character stands as
// it is. Two sheets whose destinations would be the same get distinct ones:
// the later one's safe name is followed by "_" and its number (again while
// the result is taken), so no file of a run overwrites another.
std::vector<std::string> SheetDestinations(std::string_view pattern,
                                           const std::vector<SheetInfo>& sheets);

}  // namespace tabulox::cli
