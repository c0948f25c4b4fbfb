// The values of OpenDocument cells as their attributes write them: numbers,
// dates, durations and error texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tabulox {

// A decimal number as office:value writes it (an optional sign, digits, a
// point, an exponent); nothing for any other text.
std::optional<double> ParseOdsNumber(std::string_view text);

// A date or date and time as office:date-value writes it
// ("2024-01-15", "2024-01-15T10:30:00.5"), as a day serial counted from
// 1899-12-30 on the calendar (negative before it), the count of
// DateSystem::kOpenDocument; nothing for any other text.
std::optional<double> ParseOdsDate(std::string_view text);

// A duration as office:time-value writes it ("PT10H30M00S", "-P1DT2H",
// fractions of seconds) in days; nothing for any other text.
std::optional<double> ParseOdsDuration(std::string_view text);

// A repeat count as number-rows-repeated and number-columns-repeated write
// it: 1 for anything but a positive number, `limit` for a larger one.
std::uint32_t ParseOdsRepeat(std::string_view text, std::uint32_t limit);

// The error code ([MS-XLS] 2.5.10 BErr) of an error text ("#DIV/0!", "#N/A"
// ...); nothing for a text that names no such error.
std::optional<std::uint8_t> OdsErrorCode(std::string_view text);

// True for a text an error shows: one OdsErrorCode names, or the
// application's own "Err:" followed by its number.
bool IsOdsErrorText(std::string_view text);

}  // namespace tabulox
