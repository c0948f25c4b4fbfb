#include "xls/worksheet_file_name.h"

#include <cstdint>

namespace tabulox {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `s` (shortest
// form, no surrogates, at most U+10FFFF) and its code point; 0 when there is
// none.
std::size_t DecodeUtf8(std::string_view s, std::uint32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07u;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint < 0xE000))
    return 0;
  return length;
}

}  // namespace

std::u16string WorksheetNameFromPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  std::u16string units;
  while (!name.empty()) {
    std::uint32_t codePoint = 0;
    std::size_t length = DecodeUtf8(name, codePoint);
    if (length == 0) {
      codePoint = static_cast<unsigned char>(name[0]);
      length = 1;
    }
    if (codePoint >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(codePoint));
    }
    name.remove_prefix(length);
  }
  return units;
}

}  // namespace tabulox
