#include "cell_ref.h"

#include <limits>

#include "extraction_error.h"

namespace tabulox {

bool TryReadDecimal(std::string_view text, std::int32_t& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  // Accumulate the magnitude; the negative range is one larger.
  const std::int64_t limit =
      negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
               : std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::int32_t ReadDecimal(std::string_view text) {
  std::int32_t value = 0;
  if (!TryReadDecimal(text, value)) throw ExtractionError("not a decimal number");
  return value;
}

CellRef ParseCellRef(std::string_view ref) {
  std::size_t firstDigit = 0;
  while (firstDigit < ref.size() && (ref[firstDigit] < '0' || ref[firstDigit] > '9')) ++firstDigit;
  if (firstDigit == ref.size() || firstDigit == 0) return {};
  std::int64_t column = 0;
  for (const char c : ref.substr(0, firstDigit)) {
    int digit;
    if (c >= 'A' && c <= 'Z') {
      digit = c - 'A' + 1;
    } else if (c >= 'a' && c <= 'z') {
      digit = c - 'a' + 1;
    } else {
      return {};
    }
    column = column * 26 + digit;
    if (column > std::numeric_limits<std::int32_t>::max()) return {};
  }
  return {ReadDecimal(ref.substr(firstDigit)), static_cast<std::int32_t>(column)};
}

}  // namespace tabulox
