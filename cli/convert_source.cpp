#include "cli/convert_source.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

#include "cli/password_source.h"
#include "cli/sheet_destinations.h"
#include "destination/atomic_file.h"

namespace tabulox::cli {
namespace {

bool WriteTo(std::FILE* stream, const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, stream) == size;
}

// Where the message lines of a run go.
class Messages {
 public:
  explicit Messages(std::FILE* stream) : stream_(stream) {}
  void Line(const std::string& text) const {
    WriteTo(stream_, text.data(), text.size());
    WriteTo(stream_, "\r\n", 2);
  }

 private:
  std::FILE* stream_;
};

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The type from the file name's extension: the text from the last "." on,
// upper-cased, without the dot when it is longer than one character.
std::string TypeFromExtension(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ext.size() > 1) ext.erase(0, 1);
  return ext;
}

// The workbook type an extension or a -T value (in capitals) names: the
// templates and macro-enabled workbooks are read like the workbooks they are
// made from. The file's content may still pick another reader.
std::optional<WorkbookType> WorkbookTypeNamed(std::string_view type) {
  if (type == "XLS" || type == "XLT") return WorkbookType::kXls;
  if (type == "XLSX" || type == "XLSM" || type == "XLTX" || type == "XLTM") return WorkbookType::kXlsx;
  if (type == "XLSB") return WorkbookType::kXlsb;
  if (type == "ODS" || type == "OTS" || type == "FODS") return WorkbookType::kOds;
  return std::nullopt;
}

// "1 "Sales", 2 "Notes"": the sheets as a message lists them.
std::string SheetList(const std::vector<SheetInfo>& sheets) {
  std::string list;
  for (const SheetInfo& sheet : sheets) {
    if (!list.empty()) list += ", ";
    list += std::to_string(sheet.number) + " " + Quoted(sheet.name);
  }
  return list;
}

std::string ChoiceText(const SheetChoice& choice) {
  return choice.number > 0 ? std::to_string(choice.number) : Quoted(choice.name);
}

// One workbook and how it is converted: the settings' options with the
// password in them.
struct Conversion {
  const std::string& source;
  WorkbookType type;
  std::int32_t codePage;
  const RunSettings& settings;
  const ConversionOptions& options;
  Engine& engine;
  const Messages& messages;
};

std::int32_t ReportSheetNotFound(const Conversion& run) {
  ConversionOptions every;
  every.password = run.options.password;
  std::vector<SheetInfo> all;
  run.engine.ListSheets(run.source, run.type, every, all);
  std::string missing;
  for (const SheetChoice& choice : run.options.sheets) {
    ConversionOptions one = every;
    one.sheets = {choice};
    std::vector<SheetInfo> found;
    if (run.engine.ListSheets(run.source, run.type, one, found) == kSheetNotFound) {
      missing = ChoiceText(choice);
      break;
    }
  }
  run.messages.Line("Input file " + Quoted(run.source) + " has no sheet " + missing +
                    "; its sheets: " + SheetList(all));
  return kSheetNotFound;
}

std::int32_t ReportSeveralSheets(const Conversion& run) {
  ConversionOptions options = run.options;
  options.sheets.clear();
  std::vector<SheetInfo> sheets;
  run.engine.ListSheets(run.source, run.type, options, sheets);
  run.messages.Line("Input file " + Quoted(run.source) + " has more than one sheet with text (" +
                    SheetList(sheets) +
                    "): choose one with --sheet=NAME or --sheet=N, or write each with --each-sheet");
  return kSeveralSheets;
}

// Without a password the message is the one it has always been; with one it
// says that the password did not open the source. A method that is not read
// is named as the reason either way.
std::int32_t ReportEncrypted(const Conversion& run) {
  std::string reason;
  if (run.engine.LastEncryptionFailure() == EncryptionFailure::kMethod) {
    reason = " with a method that is not supported";
  } else if (run.options.password) {
    reason = " and the password did not open it";
  }
  run.messages.Line("Input file " + Quoted(run.source) + " is encrypted" + reason);
  return kSourceEncrypted;
}

std::int32_t ReportEngineFailure(ResultCode rc, const Conversion& run) {
  switch (rc) {
    case kSourceOpenFailed:
      run.messages.Line("Input file " + Quoted(run.source) + " open error");
      return kSourceOpenFailed;
    case kSourceEncrypted:
      return ReportEncrypted(run);
    case kSheetNotFound:
      return ReportSheetNotFound(run);
    case kSeveralSheets:
      return ReportSeveralSheets(run);
    default:
      run.messages.Line("Input file " + Quoted(run.source) + " format not correct");
      return kFormatNotCorrect;
  }
}

std::int32_t ReportExists(const std::string& destination, const Messages& messages) {
  messages.Line("Output file " + Quoted(destination) + " already exists, convert canceled");
  return kOutcomeDestinationExists;
}

// Writes the text of a finished conversion to its destination, with the
// message line of the outcome.
std::int32_t WriteText(const Conversion& run, const std::string& destination,
                       std::string_view text) {
  if (destination == "*") {
    // A full device, a closed output or a broken pipe shows at a write or at the flush.
    if (WriteTo(stdout, text.data(), text.size()) && std::fflush(stdout) == 0) return 0;
    run.messages.Line("Output file " + Quoted(destination) + " write error");
    return kDestinationWriteFailed;
  }
  const ExistingDestination existing =
      run.settings.overwrite ? ExistingDestination::kReplace : ExistingDestination::kKeep;
  switch (WriteFileAtomically(destination, text, existing)) {
    case AtomicWriteResult::kExists:
      return ReportExists(destination, run.messages);
    case AtomicWriteResult::kCreateFailed:
      run.messages.Line("Output file " + Quoted(destination) + " create error");
      return kDestinationCreateFailed;
    case AtomicWriteResult::kWriteFailed:
      run.messages.Line("Output file " + Quoted(destination) + " write error");
      return kDestinationWriteFailed;
    case AtomicWriteResult::kOk:
      break;
  }
  run.messages.Line("\"" + run.source + "\" --> \"" + destination + "\" OK");
  return 0;
}

std::int32_t ConvertInto(const Conversion& run, const ConversionOptions& options,
                         const std::string& destination, OutputBlock& block) {
  const ResultCode rc = run.engine.ConvertFile(run.source, run.type, run.codePage, options, block);
  if (rc < 0) return ReportEngineFailure(rc, run);
  return WriteText(run, destination, std::string_view(block.data(), static_cast<std::size_t>(rc)));
}

// "--each-sheet": every sheet the options write into a destination of its
// own. Nothing is written when a destination exists and may not be replaced.
std::int32_t ConvertEachSheet(const Conversion& run, const std::string& pattern,
                              OutputBlock& block) {
  std::vector<SheetInfo> sheets;
  const ResultCode listed = run.engine.ListSheets(run.source, run.type, run.options, sheets);
  if (listed < 0) return ReportEngineFailure(listed, run);
  const std::vector<std::string> destinations = SheetDestinations(pattern, sheets);
  if (!run.settings.overwrite) {
    for (const std::string& destination : destinations) {
      if (DestinationExists(destination)) return ReportExists(destination, run.messages);
    }
  }
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    ConversionOptions options = run.options;
    options.sheets = {SheetChoice{"", sheets[i].number}};
    const std::int32_t outcome = ConvertInto(run, options, destinations[i], block);
    if (outcome != 0) return outcome;
  }
  return 0;
}

}  // namespace

std::int32_t ConvertSource(const std::string& source, const std::string& destination,
                           const RunSettings& settings, Engine& engine, OutputBlock& block) {
  const Messages messages(settings.longOptions && destination == "*" ? stderr : stdout);
  if (!FileExists(source)) {
    messages.Line("Input file " + Quoted(source) + " not exists");
    return kSourceMissing;
  }
  if (!settings.eachSheet && destination != "*" && !settings.overwrite &&
      DestinationExists(destination)) {
    return ReportExists(destination, messages);
  }
  const std::string type =
      settings.forcedSourceType.empty() ? TypeFromExtension(source) : settings.forcedSourceType;
  const std::int32_t codePage = settings.codePage != 0 ? settings.codePage : Engine::LocaleCodePage();
  const std::optional<WorkbookType> workbookType = WorkbookTypeNamed(type);
  if (!workbookType) {
    messages.Line("Input file " + Quoted(source) + " type not support");
    return kTypeNotSupported;
  }
  ConversionOptions options = settings.options;
  if (!settings.passwordFile.empty()) {
    options.password = ReadPasswordFile(settings.passwordFile);
    if (!options.password) {
      messages.Line("Password file " + Quoted(settings.passwordFile) + " cannot be read");
      return kOutcomeUsage;
    }
  } else {
    options.password = PasswordFromEnvironment();
  }
  const Conversion run{source, *workbookType, codePage, settings, options, engine, messages};
  if (settings.eachSheet) return ConvertEachSheet(run, destination, block);
  return ConvertInto(run, options, destination, block);
}

}  // namespace tabulox::cli
