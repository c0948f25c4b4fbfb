// The console program's flags and its usage text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tabulox/tabulox.h"

namespace tabulox::cli {

struct RunSettings {
  bool overwrite = false;        // "-o"
  std::string forcedSourceType;  // "-T", upper case
  std::int32_t codePage = 0;     // "-c"; 0 when none was given
  // The long options: the layout ("--as-shown", "--csv"), the sheets
  // ("--sheet"), hidden content ("--skip-hidden") and one destination per
  // sheet ("--each-sheet"). The password goes into `options` when the
  // conversion starts (see passwordFile).
  ConversionOptions options;
  bool eachSheet = false;
  // "--password-file": the file whose first line is the password of an
  // encrypted source; empty when none was given.
  std::string passwordFile;
  // Any long option was given: messages then go to standard error when the
  // text goes to standard output.
  bool longOptions = false;
};

// Checks one argument and applies it to the settings; false for an argument
// that is not a valid flag (the settings are then left as they were). Flags
// are "-o", "-c", "-T" and "-S" as they have always been read, and the long
// options "--name" or "--name=value".
bool ParseFlag(std::string_view argument, RunSettings& settings);

// "--help", which prints the usage text and succeeds.
bool IsHelpRequest(std::string_view argument);

// The usage text, every line ending in CR LF; `programPath` is argument 0.
std::string UsageText(std::string_view programPath);

}  // namespace tabulox::cli
