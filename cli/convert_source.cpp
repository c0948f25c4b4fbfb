#include "convert_source.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>

#include "atomic_file.h"

namespace tabulox::cli {
namespace {

bool WriteStdout(const char* data, std::size_t size) {
  return std::fwrite(data, 1, size, stdout) == size;
}

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

std::int32_t ReportEngineFailure(ResultCode rc, const std::string& source) {
  switch (rc) {
    case kConverterUnavailable:
      PrintLine("Convert dll file load error");
      return kConverterUnavailable;
    case kSourceOpenFailed:
      PrintLine("Input file " + Quoted(source) + " open error");
      return kSourceOpenFailed;
    case kSourceEncrypted:
      PrintLine("Input file " + Quoted(source) + " is encrypted");
      return kSourceEncrypted;
    default:
      PrintLine("Input file " + Quoted(source) + " format not correct");
      return kFormatNotCorrect;
  }
}

std::int32_t ReportExists(const std::string& destination) {
  PrintLine("Output file " + Quoted(destination) + " already exists, convert canceled");
  return kOutcomeDestinationExists;
}

}  // namespace

void PrintLine(const std::string& text) {
  WriteStdout(text.data(), text.size());
  WriteStdout("\r\n", 2);
}

std::int32_t ConvertSource(const std::string& source, const std::string& destination,
                           const RunSettings& settings, Engine& engine, OutputBlock& block) {
  if (!FileExists(source)) {
    PrintLine("Input file " + Quoted(source) + " not exists");
    return kSourceMissing;
  }
  const bool toStdout = destination == "*";
  if (!toStdout && !settings.overwrite && DestinationExists(destination)) return ReportExists(destination);
  const std::string type =
      settings.forcedSourceType.empty() ? TypeFromExtension(source) : settings.forcedSourceType;
  const std::int32_t codePage = settings.codePage != 0 ? settings.codePage : Engine::LocaleCodePage();
  if (type != "XLS" && type != "XLSX") {
    PrintLine("Input file " + Quoted(source) + " type not support");
    return kTypeNotSupported;
  }
  const WorkbookType workbookType = type == "XLS" ? WorkbookType::kXls : WorkbookType::kXlsx;
  const ResultCode rc = engine.ConvertFile(source, workbookType, codePage, block);
  if (rc < 0) return ReportEngineFailure(rc, source);

  const auto* bytes = reinterpret_cast<const char*>(block.data());
  const auto size = static_cast<std::size_t>(rc);
  if (toStdout) {
    // A full device, a closed output or a broken pipe shows at a write or at the flush.
    if (WriteStdout(bytes, size) && std::fflush(stdout) == 0) return 0;
    PrintLine("Output file " + Quoted(destination) + " write error");
    return kDestinationWriteFailed;
  }
  const ExistingDestination existing =
      settings.overwrite ? ExistingDestination::kReplace : ExistingDestination::kKeep;
  switch (WriteFileAtomically(destination, std::string_view(bytes, size), existing)) {
    case AtomicWriteResult::kExists:
      return ReportExists(destination);
    case AtomicWriteResult::kCreateFailed:
      PrintLine("Output file " + Quoted(destination) + " create error");
      return kDestinationCreateFailed;
    case AtomicWriteResult::kWriteFailed:
      PrintLine("Output file " + Quoted(destination) + " write error");
      return kDestinationWriteFailed;
    case AtomicWriteResult::kOk:
      break;
  }
  PrintLine("\"" + source + "\" --> \"" + destination + "\" OK");
  return 0;
}

}  // namespace tabulox::cli
