#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <locale.h>
#include <string>

#include "numfmt/date_time_pattern.h"
#include "numfmt/general_format.h"
#include "numfmt/locale_patterns.h"
#include "numfmt/number_pattern.h"
#include "numfmt/regional_settings.h"

namespace tabulox {
namespace {

struct DateFormatCase {
  const char* format;
  const char* pattern;
  const char* separator;  // nullptr: none found
};

void PrintTo(const DateFormatCase& c, std::ostream* os) { *os << "format [" << c.format << "]"; }

class DateFormatTranslation : public ::testing::TestWithParam<DateFormatCase> {};

TEST_P(DateFormatTranslation, GivesPatternAndSeparator) {
  const DateFormatCase& c = GetParam();
  const TranslatedDateFormat t = TranslateDateFormat(c.format);
  EXPECT_EQ(t.pattern, c.pattern);
  EXPECT_EQ(t.separatorFound, c.separator != nullptr);
  if (c.separator != nullptr) {
    EXPECT_EQ(t.separator, c.separator);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DateFormatTranslation,
    ::testing::Values(DateFormatCase{"%d.%m.%Y", "dd/mm/yyyy", "."},
                      DateFormatCase{"%m/%d/%y", "mm/dd/yy", "/"},
                      DateFormatCase{"%D", "mm/dd/yy", "/"},
                      DateFormatCase{"%F", "yyyy/mm/dd", "-"},
                      DateFormatCase{"%-d.%-m.%Y", "d/m/yyyy", "."},
                      DateFormatCase{"%e %B %Y", "d mmmm yyyy", nullptr},
                      DateFormatCase{"%a %d %b %Y", "ddd dd mmm yyyy", nullptr},
                      DateFormatCase{"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5",
                                     "yyyy\xE5\xB9\xB4mm\xE6\x9C\x88" "dd\xE6\x97\xA5", nullptr},
                      DateFormatCase{"%d/%m/%Ey", "dd/mm/eee", "/"},
                      DateFormatCase{"%EC%Ey", "ggeee", nullptr},
                      // Literal letters, separators and quotes are quoted.
                      DateFormatCase{"%d.%m. de %Y", "dd/mm/ \"d\"\"e\" yyyy", "."},
                      DateFormatCase{"%Y-%m-%d/'\"", "yyyy/mm/dd\"/\"\"'\"'\"'", "-"},
                      DateFormatCase{"%%%d", "%dd", nullptr},
                      DateFormatCase{"%Q%d", "dd", nullptr}));

struct TimeFormatCase {
  const char* format;
  const char* shortPattern;
  const char* longPattern;
  const char* separator;
};

void PrintTo(const TimeFormatCase& c, std::ostream* os) { *os << "format [" << c.format << "]"; }

class TimeFormatTranslation : public ::testing::TestWithParam<TimeFormatCase> {};

TEST_P(TimeFormatTranslation, BuildsTheTimePatterns) {
  const TimeFormatCase& c = GetParam();
  const TranslatedTimeFormat t = TranslateTimeFormat(c.format, "%I:%M:%S %p");
  EXPECT_TRUE(t.hourFound);
  EXPECT_EQ(t.shortPattern, c.shortPattern);
  EXPECT_EQ(t.longPattern, c.longPattern);
  EXPECT_EQ(t.separatorFound, c.separator != nullptr);
  if (c.separator != nullptr) {
    EXPECT_EQ(t.separator, c.separator);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TimeFormatTranslation,
    ::testing::Values(TimeFormatCase{"%H:%M:%S", "hh:mm", "hh:mm:ss", ":"},
                      TimeFormatCase{"%T", "hh:mm", "hh:mm:ss", ":"},
                      TimeFormatCase{"%r", "hh:mm AMPM", "hh:mm:ss AMPM", ":"},
                      TimeFormatCase{"%l:%M:%S %p", "h:mm AMPM", "h:mm:ss AMPM", ":"},
                      TimeFormatCase{"%p %I:%M:%S", "AMPM hh:mm", "AMPM hh:mm:ss", ":"},
                      TimeFormatCase{"%H.%M.%S", "hh:mm", "hh:mm:ss", "."},
                      TimeFormatCase{"%k:%M", "h:mm", "h:mm:ss", ":"},
                      TimeFormatCase{"%-H:%M", "h:mm", "h:mm:ss", ":"},
                      TimeFormatCase{"%H\xE6\x99\x82%M\xE5\x88\x86", "hh:mm", "hh:mm:ss", nullptr}));

TEST(TimeFormatTranslationLimits, NoHourGivesNoPatterns) {
  EXPECT_FALSE(TranslateTimeFormat("%M:%S", {}).hourFound);
  EXPECT_FALSE(TranslateTimeFormat("", {}).hourFound);
  // "%r" that names itself does not recurse without end.
  EXPECT_FALSE(TranslateTimeFormat("%r", "%r").hourFound);
}

TEST(EraSegments, ParsedWithDirectionAndBounds) {
  CalendarEra era;
  ASSERT_TRUE(ParseEraSegment("+:2:1990/01/01:2019/04/30:Heisei:%EC%Ey", era));
  EXPECT_EQ(era.name, "Heisei");
  EXPECT_EQ(era.firstDay, 32874);  // 1990-01-01
  EXPECT_EQ(era.lastDay, 43585);   // 2019-04-30
  EXPECT_EQ(era.startYear, 1990);
  EXPECT_EQ(era.firstYear, 2);
  EXPECT_FALSE(era.countsDown);

  // A "+" era whose end lies before its start counts backwards in time.
  ASSERT_TRUE(ParseEraSegment("+:1:1911/12/31:-*:Before:%EC%Ey", era));
  EXPECT_TRUE(era.countsDown);
  EXPECT_EQ(era.lastDay, 4383);  // 1911-12-31
  EXPECT_EQ(era.firstDay, INT32_MIN);

  for (const char* bad : {"", "+:1:2000/01/01:+*", "x:1:2000/01/01:+*:N:", "+:z:2000/01/01:+*:N:",
                          "+:1:2000/13/01:+*:N:", "+:1:+*:2000/01/01:N:", "+:1:2000-01-01:+*:N:"}) {
    EXPECT_FALSE(ParseEraSegment(bad, era)) << bad;
  }
}

TEST(RegionalSettingsLocale, NeutralLocaleGivesTheDefaults) {
  RegionalSettings settings;
  settings.decimalSeparator = "x";
  ASSERT_TRUE(ReadRegionalSettings("C", settings));
  const RegionalSettings defaults;
  EXPECT_EQ(settings.decimalSeparator, defaults.decimalSeparator);
  EXPECT_EQ(settings.thousandsSeparator, defaults.thousandsSeparator);
  EXPECT_EQ(settings.shortDatePattern, defaults.shortDatePattern);
  EXPECT_EQ(settings.shortTimePattern, defaults.shortTimePattern);
  EXPECT_EQ(settings.amDesignator, defaults.amDesignator);
  EXPECT_EQ(settings.currencySymbol, "$");
  EXPECT_EQ(settings.longMonthNames, defaults.longMonthNames);
  EXPECT_TRUE(settings.eras.empty());
  ASSERT_TRUE(ReadRegionalSettings("POSIX", settings));
  EXPECT_EQ(settings.shortDatePattern, defaults.shortDatePattern);
}

TEST(RegionalSettingsLocale, UnknownLocaleIsReported) {
  RegionalSettings settings;
  settings.decimalSeparator = "x";
  EXPECT_FALSE(ReadRegionalSettings("xx_NOWHERE.UTF-8", settings));
  EXPECT_EQ(settings.decimalSeparator, "x");
}

constexpr const char* kGerman = "de_DE.UTF-8";

TEST(RegionalSettingsLocale, GermanLocaleChangesSeparatorsAndNames) {
  RegionalSettings german;
  if (!ReadRegionalSettings(kGerman, german)) GTEST_SKIP() << kGerman << " is not installed";
  EXPECT_EQ(german.decimalSeparator, ",");
  EXPECT_EQ(german.thousandsSeparator, ".");
  EXPECT_EQ(german.dateSeparator, ".");
  EXPECT_EQ(german.timeSeparator, ":");
  EXPECT_EQ(german.shortDatePattern, "dd/mm/yyyy");
  EXPECT_EQ(german.shortTimePattern, "hh:mm");
  EXPECT_EQ(german.longTimePattern, "hh:mm:ss");
  EXPECT_EQ(german.longMonthNames[2], "M\xC3\xA4rz");
  EXPECT_EQ(german.shortDayNames[0], "So");
  EXPECT_EQ(german.longDayNames[1], "Montag");
  // The locale gives no AM/PM strings: the defaults stay.
  EXPECT_EQ(german.amDesignator, "am");
  EXPECT_EQ(german.currencySymbol, "\xE2\x82\xAC");  // its position mark ('+') left off

  SetRegionalSettings(german);
  std::string out;
  FormatNumberPattern("#,##0.00", 1234567.891, out);
  EXPECT_EQ(out, "1.234.567,89");
  EXPECT_EQ(FormatGeneral(-2.5), "-2,5");
  out.clear();
  FormatDateTimePattern("dddd, d. mmmm yyyy", 39508, out);
  EXPECT_EQ(out, "Samstag, 1. M\xC3\xA4rz 2008");
  out.clear();
  FormatDateTimePattern("c", 39448.75, out);
  EXPECT_EQ(out, "01.01.2008 18:00:00");
  out.clear();
  FormatDateTimePattern("m/d/yy h:mm", 39448.75, out);
  EXPECT_EQ(out, "1.1.08 18:00");
  SetRegionalSettings(RegionalSettings{});
}

TEST(RegionalSettingsLocale, LoadReadsTheProcessLocaleAndLeavesItAlone) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, kGerman) == nullptr) GTEST_SKIP() << kGerman << " is not installed";
  LoadRegionalSettings();
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), kGerman);
  EXPECT_EQ(CurrentRegionalSettings().decimalSeparator, ",");
  EXPECT_EQ(CurrentRegionalSettings().longDayNames[0], "Sonntag");

  // With the process locale German, the pinned defaults still write "." as
  // their own digits do not depend on the C library's LC_NUMERIC.
  SetRegionalSettings(RegionalSettings{});
  EXPECT_EQ(FormatGeneral(1234.5), "1234.5");
  EXPECT_EQ(FormatGeneral(1.5e-7), "1.5E-7");
  std::string out;
  FormatNumberPattern("0.00%", 12.34L, out);
  EXPECT_EQ(out, "12.34%");

  std::setlocale(LC_ALL, "C");
  LoadRegionalSettings();
  EXPECT_EQ(CurrentRegionalSettings().decimalSeparator, ".");
  EXPECT_EQ(CurrentRegionalSettings().longDayNames[0], "Sunday");
  std::setlocale(LC_ALL, saved.c_str());
  SetRegionalSettings(RegionalSettings{});
}

// Where the system has locales with an alternative calendar, the era tokens
// agree with the C library's own era formatting (%EC, %Ey).
TEST(RegionalSettingsLocale, ErasAgreeWithTheCLibrary) {
  int checked = 0;
  for (const char* name : {"ja_JP.UTF-8", "th_TH.UTF-8", "zh_TW.UTF-8"}) {
    RegionalSettings settings;
    if (!ReadRegionalSettings(name, settings)) continue;
    locale_t locale = newlocale(LC_ALL_MASK, name, nullptr);
    ASSERT_NE(locale, nullptr);
    ASSERT_FALSE(settings.eras.empty()) << name;
    SetRegionalSettings(settings);
    for (double serial : {1.0, 4383.0, 4384.0, 32515.0, 32516.0, 39448.0, 43586.0, 46000.0}) {
      std::string ours;
      FormatDateTimePattern("gg|eee", serial, ours);
      std::string year;
      FormatDateTimePattern("yyyy|m|d", serial, year);
      std::tm tm{};
      tm.tm_year = std::stoi(year) - 1900;
      tm.tm_mon = std::stoi(year.substr(5)) - 1;
      tm.tm_mday = std::stoi(year.substr(year.rfind('|') + 1));
      char name_[64];
      char number[64];
      strftime_l(name_, sizeof name_, "%EC", &tm, locale);
      strftime_l(number, sizeof number, "%Ey", &tm, locale);
      std::string theirs = std::string(name_) + "|" + std::to_string(std::stoi(number));
      EXPECT_EQ(ours, theirs) << name << " serial " << serial;
    }
    freelocale(locale);
    ++checked;
  }
  SetRegionalSettings(RegionalSettings{});
  if (checked == 0) GTEST_SKIP() << "no locale with an alternative calendar is installed";
}

}  // namespace
}  // namespace tabulox
