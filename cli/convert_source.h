// One conversion of the console program: checks, engine calls, destination
// writing and the message line.
#pragma once

#include <cstdint>
#include <string>

#include "cli/parse_flag.h"
#include "tabulox/tabulox.h"

namespace tabulox::cli {

// Outcomes that are not engine result codes.
inline constexpr std::int32_t kOutcomeDestinationExists = 1;
inline constexpr std::int32_t kOutcomeUsage = 2;

// Converts `source` into `destination` ("*" for standard output; with
// "--each-sheet" a pattern naming one destination per sheet) and returns the
// outcome code, which becomes the exit status. Message lines (text and CR LF)
// go to standard output, or to standard error when long options are given
// and the text goes to standard output.
std::int32_t ConvertSource(const std::string& source, const std::string& destination,
                           const RunSettings& settings, Engine& engine, OutputBlock& block);

}  // namespace tabulox::cli
