// The date/time-pattern interpreter: renders a day serial (days since
// 1899-12-30, the fraction the time of day) through a pattern of date and time
// tokens, with names, separators and the locale's own patterns taken from the
// regional settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tabulox {

// The date system of a workbook: serials of the 1904 system count from
// 1904-01-01 and are moved onto the 1900 base before rendering.
enum class DateSystem : std::uint8_t { k1900, k1904 };

// Days from the 1900 base (1899-12-30) to the 1904 base (1904-01-01).
inline constexpr std::int32_t k1904DayShift = 1462;

// Longest date/time text, in bytes. A longer text is cut at the last UTF-8
// character boundary at or below this length.
inline constexpr std::size_t kMaxDateTimeTextLength = 256;

// Appends the serial rendered through the pattern `code` to `out`. A serial that
// is infinite, NaN or outside 0001-01-01 ... 9999-12-31 is written in General
// form instead.
void FormatDateTimePattern(std::string_view code, double serial, std::string& out,
                           DateSystem system = DateSystem::k1900);

}  // namespace tabulox
