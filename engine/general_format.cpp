#include "general_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "decimal_digits.h"
#include "regional_settings.h"

namespace tabulox {
namespace {

// Integers of smaller magnitude have at most 15 digits: their General form is
// the integer itself.
constexpr double kPlainIntegerLimit = 1e15;

void AppendInt(int value, std::string& out) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

}  // namespace

void AppendGeneral(double value, std::string& out) {
  if (std::fabs(value) < kPlainIntegerLimit) {
    const auto whole = static_cast<std::int64_t>(value);
    if (static_cast<double>(whole) == value) {  // -0.0 too, written "0"
      char buf[24];
      const auto r = std::to_chars(buf, buf + sizeof buf, whole);
      out.append(buf, static_cast<std::size_t>(r.ptr - buf));
      return;
    }
  }
  if (std::isinf(value)) {
    out += value > 0 ? "INF" : "-INF";
    return;
  }
  if (std::isnan(value)) {
    out += "NAN";
    return;
  }
  const DecimalDigits d = ToDecimalDigits(value, 15, kNoDecimalLimit);
  const std::string& decimal = CurrentRegionalSettings().decimalSeparator;
  if (d.negative && d.count > 0) out.push_back('-');
  const int x = d.exponent;
  if (x > 15 || x < -3) {
    out.push_back(d.digits[0]);
    if (d.count > 1) {
      out += decimal;
      out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
    }
    out.push_back('E');
    if (x - 1 < 0) out.push_back('-');
    AppendInt(std::abs(x - 1), out);
  } else if (x > 0) {
    if (d.count >= x) {
      out.append(d.digits, static_cast<std::size_t>(x));
      if (d.count > x) {
        out += decimal;
        out.append(d.digits + x, static_cast<std::size_t>(d.count - x));
      }
    } else {
      out.append(d.digits, static_cast<std::size_t>(d.count));
      out.append(static_cast<std::size_t>(x - d.count), '0');
    }
  } else {
    out.push_back('0');
    if (d.count > 0) {
      out += decimal;
      out.append(static_cast<std::size_t>(-x), '0');
      out.append(d.digits, static_cast<std::size_t>(d.count));
    }
  }
}

std::string FormatGeneral(double value) {
  std::string out;
  AppendGeneral(value, out);
  return out;
}

}  // namespace tabulox
