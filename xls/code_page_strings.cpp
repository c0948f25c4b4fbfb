#include "xls/code_page_strings.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/byte_reader.h"
#include "core/code_pages.h"
#include "core/engine_text.h"

namespace tabulox {
namespace {

bool IsPlainAscii(std::uint8_t b) { return b >= 0x20 && b <= 0x7E && b != '+' && b != '~'; }

// CODEPAGE values that are not Windows code-page numbers: BIFF2 to BIFF4 write
// 32768 for Apple Roman and 32769 for Windows Latin 1; 367 is US-ASCII.
std::int32_t WindowsCodePage(std::uint16_t codePage) {
  switch (codePage) {
    case 367:
      return 20127;
    case 32768:
      return 10000;
    case 32769:
      return 1252;
    default:
      return codePage;
  }
}

iconv_t OpenConverter(std::uint16_t codePage) {
  const std::int32_t windows = WindowsCodePage(codePage);
  // 0 would name the locale's character set, which a file never means.
  const std::string name = windows == 0 ? std::string() : IconvNameForCodePage(windows);
  if (name.empty()) return reinterpret_cast<iconv_t>(-1);
  return iconv_open("UTF-16LE", name.c_str());
}

}  // namespace

CodePageStrings::CodePageStrings(std::uint16_t codePage)
    : utf16_(codePage == kCodePageUtf16Le),
      converter_(utf16_ ? reinterpret_cast<iconv_t>(-1) : OpenConverter(codePage)) {
  if (utf16_ || converter_ == reinterpret_cast<iconv_t>(-1)) return;
  std::vector<std::uint8_t> plain;
  for (std::uint8_t b = 0; b < 0x80; ++b) {
    if (IsPlainAscii(b)) plain.push_back(b);
  }
  std::u16string units;
  AppendUnits(plain, units);
  plainAsciiAsIs_ = std::equal(units.begin(), units.end(), plain.begin(), plain.end());
}

CodePageStrings::~CodePageStrings() {
  if (converter_ != reinterpret_cast<iconv_t>(-1)) iconv_close(static_cast<iconv_t>(converter_));
}

namespace {

// Appends the characters a converter holds back at the end of its input (one
// that might combine with what follows, in code pages such as 1255 and 1258)
// and brings it back to its initial state.
void AppendHeldBack(iconv_t cd, std::u16string& units) {
  char out[64];
  char* to = out;
  std::size_t outLeft = sizeof out;
  iconv(cd, nullptr, nullptr, &to, &outLeft);
  for (const char* p = out; p + 1 < to; p += 2)
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                          (static_cast<unsigned char>(p[1]) << 8)));
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

void CodePageStrings::AppendUnits(std::span<const std::uint8_t> bytes,
                                  std::u16string& units) const {
  if (utf16_) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return;
  }
  const auto cd = static_cast<iconv_t>(converter_);
  if (cd == reinterpret_cast<iconv_t>(-1) ||
      (plainAsciiAsIs_ && std::all_of(bytes.begin(), bytes.end(), IsPlainAscii))) {
    units.append(bytes.begin(), bytes.end());
    return;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  // Room for four UTF-16 units a byte; a code page that composes more is
  // converted in turns.
  std::vector<char> out(bytes.size() * 8 + 8);
  char* in = reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes.data()));
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* to = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &to, &outLeft);
    const int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
    for (const char* p = out.data(); p + 1 < to; p += 2)
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                            (static_cast<unsigned char>(p[1]) << 8)));
    if (error == 0 || error == E2BIG) continue;
    // A byte the code page does not define (EILSEQ), or the first byte of a
    // double-byte character cut off by the end (EINVAL): the byte as it is,
    // after the character the converter held back before it.
    AppendHeldBack(cd, units);
    units.push_back(static_cast<unsigned char>(*in));
    ++in;
    --inLeft;
  }
  AppendHeldBack(cd, units);
}

void CodePageStrings::AppendText(std::span<const std::uint8_t> bytes, std::string& text) const {
  std::u16string units;
  AppendUnits(bytes, units);
  for (const char16_t unit : units) AppendUtf16Unit(text, unit == 0 ? u' ' : unit);
}

std::optional<std::span<const std::uint8_t>> CountedChars(std::span<const std::uint8_t> bytes,
                                                          std::size_t lengthBytes,
                                                          std::size_t bytesPerCount) {
  if (bytes.size() < lengthBytes) return std::nullopt;
  const std::size_t count = lengthBytes == 1 ? bytes[0] : LoadU16le(bytes, 0);
  const std::span<const std::uint8_t> rest = bytes.subspan(lengthBytes);
  return rest.first(std::min(rest.size(), count * bytesPerCount));
}

}  // namespace tabulox
