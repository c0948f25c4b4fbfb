// tbulxcmd: converts one workbook into a text file or standard output.
#include <cstdio>
#include <string>

#include "cli/convert_source.h"
#include "cli/parse_flag.h"
#include "cli/process_locale.h"
#include "cli/sheet_destinations.h"
#include "destination/atomic_file.h"
#include "tabulox/tabulox.h"

int main(int argc, char** argv) {
  tabulox::cli::AdoptEnvironmentLocale();
  tabulox::Engine engine;
  tabulox::RemoveTemporaryFilesOnSignals();

  using namespace tabulox::cli;
  RunSettings settings;
  tabulox::OutputBlock block;
  // "--help" alone, or among the flags (a source file may be named so).
  bool help = argc == 2 && IsHelpRequest(argv[1]);
  for (int i = 1; i < argc - 2; ++i) help |= IsHelpRequest(argv[i]);
  const int fileArgs = argc - 1;
  bool accepted = !help && fileArgs >= 2;
  for (int i = 1; accepted && i < argc - 2; ++i) accepted = ParseFlag(argv[i], settings);
  // One destination per sheet needs a place for the sheet in its name.
  if (accepted && settings.eachSheet) accepted = HasSheetPlaceholder(argv[argc - 1]);

  std::int32_t outcome;
  const bool toStdout = accepted && std::string(argv[argc - 1]) == "*";
  if (!accepted) {
    const std::string usage = UsageText(argc > 0 ? argv[0] : "tbulxcmd");
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    outcome = help ? 0 : kOutcomeUsage;
  } else {
    outcome = ConvertSource(argv[argc - 2], argv[argc - 1], settings, engine, block);
  }
  // The text written to standard output counts only once it is out.
  if (std::fclose(stdout) != 0 && toStdout && outcome == 0) outcome = tabulox::kDestinationWriteFailed;
  return static_cast<int>(outcome & 0xFF);
}
