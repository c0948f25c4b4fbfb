// Engine text is UTF-8 made by encoding each UTF-16 code unit on its own: a
// character outside the Basic Multilingual Plane is two three-byte sequences,
// one per surrogate. Every reader that turns stored UTF-16 or 8-bit characters
// into engine text appends through these helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tabulox {

// Most bytes one code unit takes in engine text.
inline constexpr std::size_t kMaxEngineBytesPerUnit = 3;

// Writes one UTF-16 code unit as one, two or three UTF-8 bytes at `dst`;
// returns the position past them.
inline char* WriteUtf16Unit(char* dst, std::uint16_t unit) {
  if (unit < 0x80) {
    *dst++ = static_cast<char>(unit);
  } else if (unit < 0x800) {
    *dst++ = static_cast<char>(0xC0 | (unit >> 6));
    *dst++ = static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    *dst++ = static_cast<char>(0xE0 | (unit >> 12));
    *dst++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *dst++ = static_cast<char>(0x80 | (unit & 0x3F));
  }
  return dst;
}

// Appends one UTF-16 code unit as one, two or three UTF-8 bytes.
inline void AppendUtf16Unit(std::string& text, std::uint16_t unit) {
  if (unit < 0x80) {
    text.push_back(static_cast<char>(unit));
  } else if (unit < 0x800) {
    const char bytes[2] = {static_cast<char>(0xC0 | (unit >> 6)),
                           static_cast<char>(0x80 | (unit & 0x3F))};
    text.append(bytes, 2);
  } else {
    const char bytes[3] = {static_cast<char>(0xE0 | (unit >> 12)),
                           static_cast<char>(0x80 | ((unit >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (unit & 0x3F))};
    text.append(bytes, 3);
  }
}

// Appends one Unicode code point (at most 0x10FFFF) as engine text: a code
// point above 0xFFFF as its two surrogates, each on its own.
inline void AppendCodePoint(std::string& text, std::uint32_t codePoint) {
  if (codePoint < 0x10000) {
    AppendUtf16Unit(text, static_cast<std::uint16_t>(codePoint));
    return;
  }
  const std::uint32_t offset = codePoint - 0x10000;
  AppendUtf16Unit(text, static_cast<std::uint16_t>(0xD800 | (offset >> 10)));
  AppendUtf16Unit(text, static_cast<std::uint16_t>(0xDC00 | (offset & 0x3FF)));
}

}  // namespace tabulox
