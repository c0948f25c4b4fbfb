#include "cli/parse_flag.h"

#include <cctype>
#include <cstdint>
#include <optional>

namespace tabulox::cli {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string UpperCased(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Upper(c);
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// String-to-integer as the usual runtime conversion reads it: leading blanks,
// an optional sign, then decimal digits, or hexadecimal after "$" or "0x".
// Nothing may follow the digits. Hexadecimal takes the full 32 bits.
std::optional<std::int32_t> ToInt32(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = hex ? HexValue(text[i]) : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16u : 10u) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    const auto bits = static_cast<std::uint32_t>(value);
    const auto signedValue = static_cast<std::int32_t>(bits);
    return negative ? static_cast<std::int32_t>(0u - bits) : signedValue;
  }
  if (negative) {
    if (value > 0x80000000ull) return std::nullopt;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(value));
  }
  if (value > 0x7FFFFFFFull) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// "--skip-hidden" alone hides all three; "=sheets,rows,columns" any of them.
bool ParseSkipHidden(std::string_view value, bool hasValue, ConversionOptions& options) {
  if (!hasValue) {
    options.skipHiddenSheets = options.skipHiddenRows = options.skipHiddenColumns = true;
    return true;
  }
  ConversionOptions parsed = options;
  while (true) {
    const auto comma = value.find(',');
    const std::string_view item = value.substr(0, comma);
    if (item == "sheets") {
      parsed.skipHiddenSheets = true;
    } else if (item == "rows") {
      parsed.skipHiddenRows = true;
    } else if (item == "columns") {
      parsed.skipHiddenColumns = true;
    } else {
      return false;
    }
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  options = parsed;
  return true;
}

// A sheet by number when the value is all digits (from 1), else by name.
bool ParseSheet(std::string_view value, ConversionOptions& options) {
  if (value.empty()) return false;
  const bool digits = value.find_first_not_of("0123456789") == std::string_view::npos;
  if (!digits) {
    options.sheets.push_back({std::string(value), 0});
    return true;
  }
  const auto number = ToInt32(value);
  if (!number || *number < 1) return false;
  options.sheets.push_back({"", *number});
  return true;
}

bool ParseLongOption(std::string_view argument, RunSettings& settings) {
  const auto equals = argument.find('=');
  const std::string_view name = argument.substr(2, equals == std::string_view::npos ? argument.npos : equals - 2);
  const bool hasValue = equals != std::string_view::npos;
  const std::string_view value = hasValue ? argument.substr(equals + 1) : std::string_view();
  RunSettings parsed = settings;
  bool valid = false;
  if (name == "as-shown" && !hasValue) {
    if (parsed.options.layout != Layout::kCsv) parsed.options.layout = Layout::kAsShown;
    valid = true;
  } else if (name == "csv" && !hasValue) {
    parsed.options.layout = Layout::kCsv;
    valid = true;
  } else if (name == "each-sheet" && !hasValue) {
    parsed.eachSheet = true;
    valid = true;
  } else if (name == "sheet" && hasValue) {
    valid = ParseSheet(value, parsed.options);
  } else if (name == "skip-hidden") {
    valid = ParseSkipHidden(value, hasValue, parsed.options);
  } else if (name == "password-file" && !value.empty()) {
    parsed.passwordFile = std::string(value);
    valid = true;
  }
  if (!valid) return false;
  parsed.longOptions = true;
  settings = std::move(parsed);
  return true;
}

constexpr std::string_view kThreeLetterTypes = "DOC HLP HTM PDF PPT RTF XLS";
// Matched as substrings, as the program always has ("-TC H" is accepted);
// types added since are matched whole, so no earlier command line changes
// its meaning.
constexpr std::string_view kFourLetterTypes = "DOCX PPTX XLSX";
constexpr std::string_view kAddedFourLetterType = "XLSB";
constexpr std::string_view kAddedThreeLetterType = "ODS";

}  // namespace

bool IsHelpRequest(std::string_view argument) { return argument == "--help"; }

bool ParseFlag(std::string_view argument, RunSettings& settings) {
  if (argument.size() > 2 && argument.substr(0, 2) == "--") return ParseLongOption(argument, settings);
  if (argument.size() == 2) {
    if (argument[0] == '-' && Upper(argument[1]) == 'O') {
      settings.overwrite = true;
      return true;
    }
    return false;
  }
  if (argument.size() < 2 || argument[0] != '-') return false;
  const char letter = Upper(argument[1]);
  const std::string_view rest = argument.substr(2);
  if (letter == 'T') {
    const std::string letters = UpperCased(rest);
    const bool valid = (argument.size() == 5 && (kThreeLetterTypes.find(letters) != std::string_view::npos ||
                                                 letters == kAddedThreeLetterType)) ||
                       (argument.size() == 6 && (kFourLetterTypes.find(letters) != std::string_view::npos ||
                                                 letters == kAddedFourLetterType));
    if (valid) settings.forcedSourceType = letters;
    return valid;
  }
  if (letter == 'C') {
    const auto codePage = ToInt32(rest);
    if (codePage) settings.codePage = *codePage;
    return codePage.has_value();
  }
  if (letter == 'S') return std::isdigit(static_cast<unsigned char>(argument[2])) != 0;
  return false;
}

std::string UsageText(std::string_view programPath) {
  const auto slash = programPath.find_last_of('/');
  const std::string_view programName =
      slash == std::string_view::npos ? programPath : programPath.substr(slash + 1);
  std::string text;
  text += "KV-Tabulox Command Version 3.0\r\n";
  text += "\r\n";
  text += "Usage: ";
  text += programName;
  text += " [-o] [-c99999] <Source File> <Destination Text File>\r\n";
  text += "Flag \"-o\": If output file exists then overwrite it.\r\n";
  text += "Flag \"-c\": Specify the code page identifier for output text file. (Default is system's code page)\r\n";
  text += "If <Destination Text File> is \"*\", the text output NOT to a file but instead to standard output.\r\n";
  text += "\r\n";
  text += "Options:\r\n";
  text += "  --as-shown       Write each cell as the spreadsheet shows it, rows and columns in place,\r\n";
  text += "                   cells holding a TAB, a double quote or a line break quoted.\r\n";
  text += "  --csv            The same, separated by commas, for one sheet without heading.\r\n";
  text += "  --sheet=NAME|N   Only this sheet (N counts from 1, hidden sheets included); may be repeated.\r\n";
  text += "  --each-sheet     One destination per sheet: it must hold %n (the sheet's number)\r\n";
  text += "                   or %s (its name).\r\n";
  text += "  --skip-hidden[=sheets,rows,columns]\r\n";
  text += "                   Leave hidden sheets, rows and columns out (all three when bare).\r\n";
  text += "  --password-file=FILE\r\n";
  text += "                   The password of an encrypted source: the first line of FILE\r\n";
  text += "                   (else the environment variable TABULOX_PASSWORD).\r\n";
  text += "  --help           Print this text.\r\n";
  text += "\r\n";
  text += "Read KV-Tabulox help to get more details about command usage.\r\n";
  return text;
}

}  // namespace tabulox::cli
