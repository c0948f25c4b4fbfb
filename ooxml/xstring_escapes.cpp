#include "ooxml/xstring_escapes.h"

#include <cstdint>

#include "core/engine_text.h"

namespace tabulox {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of the escape "_xHHHH_" at `pos`, or -1 when none is there.
int EscapedUnit(std::string_view text, std::size_t pos) {
  constexpr std::size_t kEscapeLength = 7;
  if (text.size() - pos < kEscapeLength || text[pos + 1] != 'x' || text[pos + 6] != '_') return -1;
  int unit = 0;
  for (std::size_t i = pos + 2; i < pos + 6; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

}  // namespace

void AppendUnescapedXstring(std::string_view text, std::string& out) {
  std::size_t copied = 0;
  std::size_t pos = text.find('_');
  while (pos != std::string_view::npos) {
    const int unit = EscapedUnit(text, pos);
    if (unit < 0) {
      pos = text.find('_', pos + 1);
      continue;
    }
    out.append(text, copied, pos - copied);
    // A zero character would end the text for many readers of the output: it
    // is written as a space, as the .xls reader writes one.
    AppendUtf16Unit(out, unit == 0 ? u' ' : static_cast<std::uint16_t>(unit));
    copied = pos + 7;
    pos = text.find('_', copied);
  }
  out.append(text, copied);
}

}  // namespace tabulox
