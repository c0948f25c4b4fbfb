#include "parse_flag.h"

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

constexpr std::string_view kThreeLetterTypes = "DOC HLP HTM PDF PPT RTF XLS";
constexpr std::string_view kFourLetterTypes = "DOCX PPTX XLSX";

}  // namespace

bool ParseFlag(std::string_view argument, RunSettings& settings) {
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
    const bool valid = (argument.size() == 5 && kThreeLetterTypes.find(letters) != std::string_view::npos) ||
                       (argument.size() == 6 && kFourLetterTypes.find(letters) != std::string_view::npos);
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
  text += "Read KV-Tabulox help to get more details about command usage.\r\n";
  return text;
}

}  // namespace tabulox::cli
