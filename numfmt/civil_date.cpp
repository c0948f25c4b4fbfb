#include "numfmt/civil_date.h"

#include <chrono>

namespace tabulox {

CivilDate CivilDateOfDay(std::int64_t daySerial) {
  constexpr std::chrono::sys_days kSerialBase{std::chrono::year{1899} / 12 / 30};
  const std::chrono::sys_days date = kSerialBase + std::chrono::days{daySerial};
  const std::chrono::year_month_day ymd{date};
  CivilDate civil;
  civil.year = static_cast<int>(ymd.year());
  civil.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  civil.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  civil.weekday = static_cast<int>(std::chrono::weekday{date}.c_encoding());
  return civil;
}

}  // namespace tabulox
