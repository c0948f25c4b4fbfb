#include "cell_ref.h"

#include <cstdint>
#include <limits>

#include "extraction_error.h"

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

CellRef ParseCellRef(std::string_view ref) {
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
      return {};  // not a letter: no column, whatever follows
    }
    column = column * 26 + letter;
    if (column > kMaxColumn) return {};
  }
  if (i == 0 || i == ref.size()) return {};
  // The row: digits only (the first one is), within 32 bits.
  std::uint64_t row = 0;
  for (; i < ref.size(); ++i) {
    const unsigned digit = DigitValue(ref[i]);
    if (digit > 9) throw ExtractionError("not a decimal number");
    row = row * 10 + digit;
    if (row > kMaxRow) throw ExtractionError("not a decimal number");
  }
  return {static_cast<std::int32_t>(row), static_cast<std::int32_t>(column)};
}

}  // namespace tabulox
