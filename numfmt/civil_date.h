// Gregorian dates of day serials: days counted from 1899-12-30, the base that
// both date systems are moved onto before rendering.
#pragma once

#include <cstdint>

namespace tabulox {

struct CivilDate {
  int year = 0;
  int month = 0;    // 1..12
  int day = 0;      // 1..31
  int weekday = 0;  // 0 Sunday .. 6 Saturday
};

// The proleptic Gregorian date of a day serial.
CivilDate CivilDateOfDay(std::int64_t daySerial);

}  // namespace tabulox
