#include "ooxml/cell_ref.h"

#include <cstdint>
#include <limits>

#include "core/extraction_error.h"

namespace tabulox {

namespace {

// The value of a decimal digit, or a value above 9 for any other byte.
unsigned DigitValue(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

constexpr std::uint64_t kMaxRow = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMaxColumn = std::numeric_limits<std::int32_t>::max();

}  // namespace

bool TryReadDecimal(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  // Accumulate the magnitude; the negative range is one larger.
  const std::uint64_t limit = negative ? kMaxRow + 1 : kMaxRow;
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const unsigned digit = DigitValue(text[i]);
    if (digit > 9) return false;
    magnitude = magnitude * 10 + digit;
    if (magnitude > limit) return false;
  }
  value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                   : static_cast<std::int32_t>(magnitude);
  return true;
}

std::int32_t ReadDecimal(std::string_view text) {
  std::int32_t value = 0;
  if (!TryReadDecimal(text, value)) throw ExtractionError("not a decimal number");
  return value;
}

namespace {

// The column of the letters before the first digit of the reference, and in
// `firstDigit` where that digit stands; 0 when the reference has no letters,
// no digit, a byte before its first digit that is no letter, or a column
// beyond the 32-bit range.
std::int32_t ReadColumnLetters(std::string_view ref, std::size_t& firstDigit) {
  std::size_t i = 0;
  std::int64_t column = 0;
  for (; i < ref.size(); ++i) {
    const char c = ref[i];
    int letter;
    if (c >= 'A' && c <= 'Z') {
      letter = c - 'A' + 1;
    } else if (c >= 'a' && c <= 'z') {
      letter = c - 'a' + 1;
    } else if (DigitValue(c) <= 9) {
      break;
    } else {
      return 0;  // not a letter: no column, whatever follows
    }
    column = column * 26 + letter;
    if (column > kMaxColumn) return 0;
  }
  if (i == 0 || i == ref.size()) return 0;
  firstDigit = i;
  return static_cast<std::int32_t>(column);
}

// The row digits of a reference: digits only (the first one is), within 32 bits.
std::int32_t ReadRowDigits(std::string_view digits) {
  std::uint64_t row = 0;
  for (const char c : digits) {
    const unsigned digit = DigitValue(c);
    if (digit > 9) throw ExtractionError("not a decimal number");
    row = row * 10 + digit;
    if (row > kMaxRow) throw ExtractionError("not a decimal number");
  }
  return static_cast<std::int32_t>(row);
}

}  // namespace

CellRef ParseCellRef(std::string_view ref) {
  std::size_t firstDigit = 0;
  const std::int32_t column = ReadColumnLetters(ref, firstDigit);
  if (column == 0) return {};
  return {ReadRowDigits(ref.substr(firstDigit)), column};
}

std::int32_t ParseCellColumn(std::string_view ref, std::string_view knownRow) {
  std::size_t firstDigit = 0;
  const std::int32_t column = ReadColumnLetters(ref, firstDigit);
  if (column == 0) return 0;
  const std::string_view digits = ref.substr(firstDigit);
  if (digits != knownRow) ReadRowDigits(digits);
  return column;
}

}  // namespace tabulox
