// Separators, names and patterns that number and date rendering take from the
// user's locale. Loaded once at program start and read-only afterwards.
#pragma once

#include <array>
#include <string>

namespace tabulox {

struct RegionalSettings {
  std::string decimalSeparator = ".";
  std::string thousandsSeparator = ",";
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  std::string shortDatePattern = "m/d/yy";
  std::string longDatePattern = "mmmm d, yyyy";
  std::string amDesignator = "am";
  std::string pmDesignator = "pm";
  std::string shortTimePattern = "h:mm AMPM";
  std::string longTimePattern = "h:mm:ss AMPM";
  std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> longMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Sunday first.
  std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> longDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// The settings in force. Until LoadRegionalSettings runs they are the defaults.
const RegionalSettings& CurrentRegionalSettings();

// Reads the settings from the process locale (LC_NUMERIC, LC_TIME); every item
// the locale does not give keeps its default. Call once at program start.
void LoadRegionalSettings();

// Replaces the settings in force; for tests, which pin the defaults or a locale.
void SetRegionalSettings(const RegionalSettings& settings);

}  // namespace tabulox
