// Separators, names and patterns that number and date rendering take from the
// user's locale. Loaded once at program start and read-only afterwards. Every
// text is UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabulox {

// One era of the locale's alternative calendar (an imperial or a republican era,
// say). Days are day serials: days counted from 1899-12-30.
struct CalendarEra {
  std::int32_t firstDay = 0;
  std::int32_t lastDay = 0;  // included
  std::int32_t startYear = 0;  // Gregorian year that holds firstDay
  std::int32_t firstYear = 1;  // era year of startYear
  bool countsDown = false;     // era years fall as Gregorian years rise
  std::string name;
};

// How the one-letter era token shortens an era name.
enum class EraNameShortForm : std::uint8_t {
  kWhole,
  kFirstCharacter,        // Japanese calendars
  kLastTwoOfFourCharacters,  // Traditional Chinese calendars
};

struct RegionalSettings {
  std::string decimalSeparator = ".";
  std::string thousandsSeparator = ",";
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  // The local currency's symbol, for a currency format that names none.
  std::string currencySymbol = "$";
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
  // The alternative calendar; empty when the locale has none, and then era
  // names are empty and era years are Gregorian years.
  std::vector<CalendarEra> eras;
  EraNameShortForm eraShortForm = EraNameShortForm::kWhole;
};

// True for the names of the C and POSIX locales and of their variants such as
// C.UTF-8 (and for an empty name): they give no regional conventions of their
// own, so every item keeps its default.
bool IsNeutralLocaleName(std::string_view name);

// The settings in force. Until LoadRegionalSettings runs they are the defaults.
const RegionalSettings& CurrentRegionalSettings();

// Reads the settings from the process locale (the LC_NUMERIC and LC_TIME
// categories as setlocale last set them); every item the locale does not give,
// and every item of the C/POSIX locale, keeps its default. Does not change the
// process locale. Call once at program start.
void LoadRegionalSettings();

// The settings of the named locale (categories LC_NUMERIC and LC_TIME both
// taken from it). False, leaving `settings` untouched, when the locale is not
// available.
bool ReadRegionalSettings(const char* localeName, RegionalSettings& settings);

// Replaces the settings in force; for tests, which pin the defaults or a locale.
void SetRegionalSettings(const RegionalSettings& settings);

}  // namespace tabulox
