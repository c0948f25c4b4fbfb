// One conversion of the console program: checks, engine call, destination
// writing and the message line.
#pragma once

#include <cstdint>
#include <string>

#include "parse_flag.h"
#include "tabulox/tabulox.h"

namespace tabulox::cli {

// Outcomes that are not engine result codes.
inline constexpr std::int32_t kOutcomeDestinationExists = 1;
inline constexpr std::int32_t kOutcomeUsage = 2;

// Writes one message line (the text and CR LF) to standard output.
void PrintLine(const std::string& text);

// Converts `source` into `destination` ("*" for standard output) and returns
// the outcome code, which becomes the exit status.
std::int32_t ConvertSource(const std::string& source, const std::string& destination,
                           const RunSettings& settings, Engine& engine, OutputBlock& block);

}  // namespace tabulox::cli
