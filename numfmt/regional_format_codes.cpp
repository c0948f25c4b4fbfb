#include "numfmt/regional_format_codes.h"

namespace tabulox {
namespace {

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (ToLowerAscii(text[pos + i]) != word[i]) return false;
  return true;
}

// Characters a format code shows as themselves; other ASCII characters are
// escaped.
bool StandsForItself(char c) {
  return static_cast<unsigned char>(c) >= 0x80 || std::string_view("$-+/():!^&'~{}<>= ").find(c) != std::string_view::npos;
}

void AppendLiteral(std::string_view text, std::string& code) {
  for (const char c : text) {
    if (!StandsForItself(c)) code.push_back('\\');
    code.push_back(c);
  }
}

}  // namespace

std::string FormatCodeOfPattern(std::string_view pattern, const RegionalSettings& settings) {
  std::string code;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char lower = ToLowerAscii(c);
    if (c == '"' || c == '\'') {
      const std::size_t close = pattern.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
      AppendLiteral(pattern.substr(i + 1, end - i - 1), code);
      i = close == std::string_view::npos ? end : end + 1;
      continue;
    }
    if (c == '/' || c == ':') {
      AppendLiteral(c == '/' ? settings.dateSeparator : settings.timeSeparator, code);
      ++i;
      continue;
    }
    if (lower == 'a') {
      if (StartsWithNoCase(pattern, i, "ampm")) {
        code += "AM/PM";
        i += 4;
      } else if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p")) {
        const std::size_t length = StartsWithNoCase(pattern, i, "am/pm") ? 5 : 3;
        code.append(pattern.substr(i, length));
        i += length;
      } else if (StartsWithNoCase(pattern, i, "aaaa")) {
        code += "dddd";
        i += 4;
      } else if (StartsWithNoCase(pattern, i, "aaa")) {
        code += "ddd";
        i += 3;
      } else {
        AppendLiteral(pattern.substr(i, 1), code);
        ++i;
      }
      continue;
    }
    if (!((lower >= 'a' && lower <= 'z'))) {
      AppendLiteral(pattern.substr(i, 1), code);
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    i += run;
    switch (lower) {
      case 'y':
      case 'm':
      case 'h':
      case 's':
        code.append(run, lower);
        break;
      case 'd':
        if (run <= 4) code.append(run, 'd');
        break;
      case 'n':
        code.append(run, 'm');
        break;
      case 'e':
        code += run <= 2 ? "yy" : "yyyy";
        break;
      default:
        break;
    }
  }
  return code;
}

std::string RegionalShortDateCode() {
  const RegionalSettings& settings = CurrentRegionalSettings();
  return FormatCodeOfPattern(settings.shortDatePattern, settings);
}

std::string RegionalLongDateCode() {
  const RegionalSettings& settings = CurrentRegionalSettings();
  return FormatCodeOfPattern(settings.longDatePattern, settings);
}

std::string RegionalLongTimeCode() {
  const RegionalSettings& settings = CurrentRegionalSettings();
  return FormatCodeOfPattern(settings.longTimePattern, settings);
}

}  // namespace tabulox
