#include "crypt/password_text.h"

namespace tabulox {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The length of the sequence a lead byte starts, 0 for a byte that cannot
// start one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Decodes the sequence at `at` into `codePoint`; false when it is cut off, a
// continuation byte is wrong, or it is an overlong form, a surrogate or beyond
// U+10FFFF.
bool DecodeSequence(std::string_view text, std::size_t at, std::size_t length,
                    char32_t& codePoint) {
  if (at + length > text.size()) return false;
  const auto lead = static_cast<unsigned char>(text[at]);
  if (length == 1) {
    codePoint = lead;
    return true;
  }
  constexpr unsigned char kLeadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
  char32_t value = lead & kLeadBits[length];
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return false;
  codePoint = value;
  return true;
}

void AppendUnits(std::u16string& units, char32_t codePoint) {
  if (codePoint < 0x10000) {
    units.push_back(static_cast<char16_t>(codePoint));
    return;
  }
  const char32_t offset = codePoint - 0x10000;
  units.push_back(static_cast<char16_t>(0xD800 | (offset >> 10)));
  units.push_back(static_cast<char16_t>(0xDC00 | (offset & 0x3FF)));
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view utf8) {
  std::u16string units;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
    char32_t codePoint = 0;
    if (length != 0 && DecodeSequence(utf8, at, length, codePoint)) {
      AppendUnits(units, codePoint);
      at += length;
    } else {
      AppendUnits(units, kReplacement);
      ++at;
    }
  }
  return units;
}

std::vector<std::u16string> CandidatePasswords(const std::optional<std::string>& given) {
  std::vector<std::u16string> passwords{Utf16FromUtf8(kDefaultPassword)};
  if (given && *given != kDefaultPassword) passwords.push_back(Utf16FromUtf8(*given));
  return passwords;
}

std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view password) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 * password.size());
  for (const char16_t unit : password) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

}  // namespace tabulox
