// The console program's flags and its usage text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tabulox::cli {

struct RunSettings {
  bool overwrite = false;        // "-o"
  std::string forcedSourceType;  // "-T", upper case
  std::int32_t codePage = 0;     // "-c"; 0 when none was given
};

// Checks one argument and applies it to the settings; false for an argument
// that is not a valid flag (the settings are then left as they were).
bool ParseFlag(std::string_view argument, RunSettings& settings);

// The usage text, every line ending in CR LF; `programPath` is argument 0.
std::string UsageText(std::string_view programPath);

}  // namespace tabulox::cli
