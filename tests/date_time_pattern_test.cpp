#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "numfmt/date_time_pattern.h"
#include "numfmt/locale_patterns.h"
#include "numfmt/regional_settings.h"

namespace tabulox {
namespace {

constexpr double kMinute = 1.0 / 1440;
constexpr double kMillisecond = 1.0 / 86'400'000;

std::string DateTime(std::string_view code, double serial,
                     DateSystem system = DateSystem::k1900) {
  std::string out;
  FormatDateTimePattern(code, serial, out, system);
  return out;
}

struct DateCase {
  const char* code;
  double serial;
  const char* expected;
};

void PrintTo(const DateCase& c, std::ostream* os) {
  *os << "code [" << c.code << "] serial " << c.serial;
}

class DateTimePattern : public ::testing::TestWithParam<DateCase> {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_P(DateTimePattern, Renders) {
  const DateCase& c = GetParam();
  EXPECT_EQ(DateTime(c.code, c.serial), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    BuiltInCodes, DateTimePattern,
    ::testing::Values(DateCase{"mm-dd-yy", 39448, "01-01-08"},
                      DateCase{"d-mmm-yy", 39448, "1-Jan-08"},
                      DateCase{"d-mmm", 39448, "1-Jan"},
                      DateCase{"mmm-yy", 39448, "Jan-08"},
                      DateCase{"m/d/yy h:mm", 39448.75, "1/1/08 18:00"},
                      DateCase{"h:mm AM/PM", 0.75, "6:00 PM"},
                      DateCase{"h:mm:ss AM/PM", 0.75, "6:00:00 PM"},
                      DateCase{"h:mm", 0.75, "18:00"},
                      DateCase{"h:mm:ss", 0.75 + 5 * kMinute, "18:05:00"},
                      // "mm" with no "h" before it is the month.
                      DateCase{"mm:ss", 39448.5, "01:00"},
                      DateCase{":mm:ss", 0.5, ":12:00"},
                      DateCase{"mm:ss.0", 39448.5, "01:00.0"}));

INSTANTIATE_TEST_SUITE_P(
    DateTokens, DateTimePattern,
    ::testing::Values(DateCase{"yyyy-mm-dd", 0, "1899-12-30"},
                      DateCase{"yyyy-mm-dd", 1, "1899-12-31"},
                      DateCase{"yyyy-mm-dd", 60, "1900-02-28"},
                      DateCase{"yyyy-mm-dd", 61, "1900-03-01"},
                      DateCase{"y|yy|yyy|yyyyy", 39448, "08|08|2008|2008"},
                      DateCase{"m|mm|mmm|mmmm|mmmmm", 39448, "1|01|Jan|January|January"},
                      DateCase{"d|dd|ddd|dddd", 39448, "1|01|Tue|Tuesday"},
                      DateCase{"aaa aaaa AAAA", 39448, "Tue Tuesday Tuesday"},
                      DateCase{"YYYY-MM-DD", 39448, "2008-01-01"},
                      DateCase{"Mm", 39448, "11"},  // two tokens of count 1
                      DateCase{"ddddd", 39448, "1/1/08"},
                      DateCase{"dddddd", 39448, "January 1, 2008"},
                      DateCase{"dddddddd", 39448, "January 1, 2008"},
                      DateCase{"c", 39448, "1/1/08"},
                      DateCase{"c", 39448.75, "1/1/08 6:00:00 pm"},
                      DateCase{"C", 39448 + kMillisecond * 400, "1/1/08"},
                      DateCase{"e|ee|eee", 39448, "8|08|2008"},
                      DateCase{"g|gg", 39448, "|"},
                      DateCase{"\"mm\" 'yy' d", 39448, "mm yy 1"},
                      DateCase{"d \"unterminated", 39448, "1 unterminated"},
                      DateCase{"x b q", 39448, "x b q"},
                      DateCase{"d \xC3\xA4 d", 39448, "1 \xC3\xA4 1"},
                      DateCase{"yyyy-mm-dd", 2958465, "9999-12-31"},
                      DateCase{"yyyy-mm-dd", -693593, "0001-01-01"},
                      DateCase{"yyyy", -693593, "0001"}));

INSTANTIATE_TEST_SUITE_P(
    TimeTokens, DateTimePattern,
    ::testing::Values(
        DateCase{"hh:mm", 0.5 + 5 * kMinute, "12:05"},
        DateCase{"h x mm", 39448.5 + 5 * kMinute, "12 x 01"},  // a letter between: month
        DateCase{"h 'x' mm", 39448.5 + 5 * kMinute, "12 x 05"},  // quoted letters do not count
        DateCase{"h:m", 0.5 + 5 * kMinute, "12:5"},
        DateCase{"hmm", 0.5 + 5 * kMinute, "1205"},
        DateCase{"h:mm:mm", 39448.5 + 5 * kMinute, "12:05:01"},  // minutes count as "n"
        DateCase{"n|nn|nnn", 0.5 + 5 * kMinute, "5|05|05"},
        DateCase{"h|hh|hhh", 0.25, "6|06|06"},
        DateCase{"s|ss|sss", 7.0 / 86400, "7|07|07"},
        DateCase{"z|zz|zzz|zzzz", 7 * kMillisecond, "7|07|007|007"},
        // Seconds are truncated after rounding to the millisecond.
        DateCase{"h:mm:ss", 0.5 + 600 * kMillisecond, "12:00:00"},
        DateCase{"h:mm:ss.zzz", 0.5 + 999.6 * kMillisecond, "12:00:01.000"},
        // Within half a millisecond of midnight: the next day.
        DateCase{"yyyy-mm-dd hh:mm:ss", 39448 - 0.4 * kMillisecond, "2008-01-01 00:00:00"},
        DateCase{"yyyy-mm-dd hh:mm:ss", 39448 - 0.6 * kMillisecond, "2007-12-31 23:59:59"},
        // A negative serial: day offset toward zero, time of day from the magnitude.
        DateCase{"yyyy-mm-dd hh:mm", -0.25, "1899-12-30 06:00"},
        DateCase{"yyyy-mm-dd hh:mm", -1.25, "1899-12-29 06:00"}));

INSTANTIATE_TEST_SUITE_P(
    TwelveHourClock, DateTimePattern,
    ::testing::Values(DateCase{"h AM/PM", 0, "12 AM"},
                      DateCase{"h AM/PM", 0.5, "12 PM"},
                      DateCase{"hh am/pm", 13.0 / 24, "01 pm"},
                      DateCase{"h A/P", 13.0 / 24, "1 P"},
                      DateCase{"h a/p", 1.0 / 24, "1 a"},
                      DateCase{"h AMPM", 13.0 / 24, "1 pm"},
                      DateCase{"h ampm", 1.0 / 24, "1 am"},
                      DateCase{"h", 13.0 / 24, "13"},
                      DateCase{"h h AM/PM", 13.0 / 24, "13 1 PM"},  // an "h" ends the look
                      DateCase{"AM/PM h", 13.0 / 24, "PM 1"},       // mark written before
                      DateCase{"h 'a/p'", 13.0 / 24, "13 a/p"},     // quoted "a" does not count
                      DateCase{"h \"h\" AM/PM", 13.0 / 24, "13 h PM"},
                      DateCase{"h:mm Am/pM", 13.0 / 24, "1:00 pM"},
                      DateCase{"h a", 13.0 / 24, "13 a"},
                      DateCase{"h aa", 13.0 / 24, "13 aa"},
                      // The letters of a mark are consumed, and the "m" after
                      // it still follows the "h": minutes, not the month.
                      DateCase{"hAM/PMmm", 13.0 / 24 + 5 * kMinute, "1PM05"},
                      DateCase{"h AM/PM mm", 0.75, "6 PM 00"},
                      DateCase{"h a/p mm", 0.75 + 5 * kMinute, "6 p 05"},
                      DateCase{"h AMPM mm", 0.75 + 5 * kMinute, "6 pm 05"},
                      // A day name's "a" is a letter of its own: month.
                      DateCase{"h aaa mm", 39448.75, "18 Tue 01"},
                      DateCase{"t", 0.75, "6:00 pm"},
                      DateCase{"tt", 0.75, "6:00:00 pm"},
                      DateCase{"tt", 0.25, "6:00:00 am"}));

class DateTimeSettings : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
  void TearDown() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_F(DateTimeSettings, SeparatorsComeFromTheSettings) {
  RegionalSettings settings;
  settings.dateSeparator = ".";
  settings.timeSeparator.clear();
  SetRegionalSettings(settings);
  EXPECT_EQ(DateTime("d/m/yyyy h:mm", 39448.75), "1.1.2008 1800");
}

// Patterns of numbers, separators and short texts are written from a buffer
// of their own; an era name (which writes nothing without an alternative
// calendar) sends the same pattern through the general writer, and both must
// agree, with short, long and empty separators.
TEST_F(DateTimeSettings, NumericPatternsWriteWhatTheGeneralWriterWrites) {
  const char* const patterns[] = {"yyyy-mm-dd", "d/m/yy", "dd/mm/yyyy hh:mm:ss", "m/d/y h:m:s",
                                  "yyyymmdd", "hh\"h\"mm", "yy.m.d", "h:mm", "\"Day \"d",
                                  "yyy hhh:mmm:sss"};
  RegionalSettings wide;
  wide.dateSeparator = "\xE2\x80\x94\xE2\x80\x94";  // two em dashes
  wide.timeSeparator.clear();
  for (const RegionalSettings& settings : {RegionalSettings{}, wide}) {
    SetRegionalSettings(settings);
    for (const char* pattern : patterns) {
      const DateTimeTokens numeric(pattern);
      const DateTimeTokens general(std::string(pattern) + "g");
      for (double serial = -700'000.3; serial < 2'958'466; serial += 4'321.123) {
        std::string fromNumeric;
        std::string fromGeneral;
        numeric.Append(serial, DateSystem::k1900, fromNumeric);
        general.Append(serial, DateSystem::k1900, fromGeneral);
        ASSERT_EQ(fromNumeric, fromGeneral) << pattern << " " << serial;
      }
    }
  }
}

TEST_F(DateTimeSettings, ExpansionStopsAtTheSecondLevel) {
  RegionalSettings settings;
  settings.shortDatePattern = "[ddddd|tt|c|d]";
  settings.longTimePattern = "hh:mm:ss";
  SetRegionalSettings(settings);
  EXPECT_EQ(DateTime("ddddd", 39448.75), "[|||1]");
  // Each expanded pattern has its own previous letter and 12-hour state.
  settings.shortDatePattern = "mm";
  settings.shortTimePattern = "h AMPM";
  SetRegionalSettings(settings);
  EXPECT_EQ(DateTime("h:ddddd", 39448.75), "18:01");
  EXPECT_EQ(DateTime("hh t", 39448.75), "18 6 pm");
}

TEST_F(DateTimeSettings, NamesAndDesignatorsAreUtf8) {
  RegionalSettings settings;
  settings.longMonthNames[2] = "M\xC3\xA4rz";
  settings.amDesignator = "\xE5\x8D\x88\xE5\x89\x8D";
  SetRegionalSettings(settings);
  EXPECT_EQ(DateTime("d. mmmm yyyy", 39508), "1. M\xC3\xA4rz 2008");
  EXPECT_EQ(DateTime("AMPM h", 39508.25), "\xE5\x8D\x88\xE5\x89\x8D 6");
}

TEST_F(DateTimeSettings, AlternativeCalendarEras) {
  RegionalSettings settings;
  for (const char* segment : {"+:2:1990/01/01:2019/04/30:\xE5\xB9\xB3\xE6\x88\x90:%EC%Ey",
                              "+:1:1989/01/08:1989/12/31:\xE5\xB9\xB3\xE6\x88\x90:%EC",
                              "+:1:-543/01/01:1900/01/01:B.E.:%EC %Ey"}) {
    CalendarEra era;
    ASSERT_TRUE(ParseEraSegment(segment, era)) << segment;
    settings.eras.push_back(era);
  }
  settings.eraShortForm = EraNameShortForm::kFirstCharacter;
  SetRegionalSettings(settings);
  EXPECT_EQ(DateTime("g|gg|e|ee|eee", 39448), "\xE5\xB9\xB3|\xE5\xB9\xB3\xE6\x88\x90|20|20|20");
  EXPECT_EQ(DateTime("gg e", 32516), "\xE5\xB9\xB3\xE6\x88\x90 1");  // 1989-01-08
  EXPECT_EQ(DateTime("gg eee", 1), "B.E. 2442");                      // 1899: no year 0
  EXPECT_EQ(DateTime("[gg][e]", 32515), "[][]");                      // in no era
}

TEST_F(DateTimeSettings, EraNamesShortenedForTraditionalChinese) {
  RegionalSettings settings;
  CalendarEra era;
  ASSERT_TRUE(ParseEraSegment("+:1:1912/01/01:+*:\xE4\xB8\xAD\xE8\x8F\xAF\xE6\xB0\x91\xE5\x9C\x8B:%EC", era));
  settings.eras.push_back(era);
  settings.eraShortForm = EraNameShortForm::kLastTwoOfFourCharacters;
  SetRegionalSettings(settings);
  EXPECT_EQ(DateTime("g eee", 39448), "\xE6\xB0\x91\xE5\x9C\x8B 97");
  EXPECT_EQ(DateTime("gg", 39448), "\xE4\xB8\xAD\xE8\x8F\xAF\xE6\xB0\x91\xE5\x9C\x8B");
}

TEST_F(DateTimeSettings, TextIsCutAt256Bytes) {
  EXPECT_EQ(DateTime(std::string(300, 'x'), 1), std::string(256, 'x'));
  EXPECT_EQ(DateTime(std::string(256, 'x'), 1), std::string(256, 'x'));
  // A cut never splits a UTF-8 character.
  const std::string text = std::string(255, 'x') + "\xC3\xA4" + "yyy";
  EXPECT_EQ(DateTime(text, 1), std::string(255, 'x'));
  const std::string threeBytes = std::string(254, 'x') + "\xE2\x82\xAC";
  EXPECT_EQ(DateTime(threeBytes + "x", 1), std::string(254, 'x'));
  EXPECT_EQ(DateTime(std::string(253, 'x') + "\xE2\x82\xAC" + "x", 1),
            std::string(253, 'x') + "\xE2\x82\xAC");
  // Expansions count toward the limit too, and huge expansions stop early.
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "dddddd ";
  EXPECT_EQ(DateTime(many, 39448).size(), 256u);
}

// Tokens read once carry nothing from one serial to the next, and take
// separators, names and regional patterns from the settings in force when they
// render, not when they were read.
TEST_F(DateTimeSettings, TokensReadOnceRenderEachSerialOnItsOwn) {
  const DateTimeTokens tokens("dddd d/mm/yyyy h:mm AM/PM \"at\" ddddd");
  std::string out;
  tokens.Append(39448.75, DateSystem::k1900, out);
  out += '|';
  tokens.Append(39449.25, DateSystem::k1900, out);
  out += '|';
  tokens.Append(1e300, DateSystem::k1900, out);
  EXPECT_EQ(out,
            "Tuesday 1/01/2008 6:00 PM at 1/1/08|Wednesday 2/01/2008 6:00 AM at 1/2/08|1E300");

  RegionalSettings settings;
  settings.dateSeparator = ".";
  settings.longDayNames[2] = "Dienstag";
  settings.shortDatePattern = "dd/mm/yyyy";
  SetRegionalSettings(settings);
  out.clear();
  tokens.Append(39448.75, DateSystem::k1900, out);
  EXPECT_EQ(out, "Dienstag 1.01.2008 6:00 PM at 01.01.2008");
  out.clear();
  tokens.Append(39448.75 - k1904DayShift, DateSystem::k1904, out);
  EXPECT_EQ(out, "Dienstag 1.01.2008 6:00 PM at 01.01.2008");
}

TEST_F(DateTimeSettings, WorkbooksInThe1904SystemCountFrom1904) {
  EXPECT_EQ(DateTime("yyyy-mm-dd", 37986, DateSystem::k1904), "2008-01-01");
  EXPECT_EQ(DateTime("yyyy-mm-dd", 37986, DateSystem::k1900), "2003-12-31");
  EXPECT_EQ(DateTime("yyyy-mm-dd hh:mm", 0, DateSystem::k1904), "1904-01-01 00:00");
  EXPECT_EQ(DateTime("yyyy-mm-dd hh:mm", 0.75, DateSystem::k1904), "1904-01-01 18:00");
  EXPECT_EQ(DateTime("h:mm:ss", 0.5 + 600 * kMillisecond, DateSystem::k1904), "12:00:00");
}

TEST_F(DateTimeSettings, SerialsOutsideTheCalendarAreGeneral) {
  EXPECT_EQ(DateTime("yyyy-mm-dd", -693594), "-693594");
  EXPECT_EQ(DateTime("yyyy-mm-dd", 2958466), "2958466");
  EXPECT_EQ(DateTime("yyyy-mm-dd", 2958465.9999999), "9999-12-31");
  EXPECT_EQ(DateTime("yyyy-mm-dd", 1e300), "1E300");
  EXPECT_EQ(DateTime("yyyy-mm-dd", -1e300), "-1E300");
  EXPECT_EQ(DateTime("yyyy-mm-dd", std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(DateTime("yyyy-mm-dd", std::nan("")), "NAN");
  // The cell's own value is written, not the shifted serial.
  EXPECT_EQ(DateTime("yyyy", 2958466 - k1904DayShift, DateSystem::k1904), "2957004");
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

std::string Padded(int value, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, value);
  return buf;
}

// Numbers below 100 in one- and two-digit fields take a shortcut; every value
// of every field must read as the printed number.
TEST(DateTimeNumbers, OneAndTwoDigitFieldsOfEveryValue) {
  SetRegionalSettings(RegionalSettings{});
  const DateTimeTokens clock("h hh n nn s ss");
  for (int second = 0; second < 86'400; second += 7) {
    const int h = second / 3600;
    const int n = second / 60 % 60;
    const int s = second % 60;
    std::string out;
    clock.Append(40000 + second / 86'400.0, DateSystem::k1900, out);
    ASSERT_EQ(out, Padded(h, 1) + " " + Padded(h, 2) + " " + Padded(n, 1) + " " + Padded(n, 2) +
                       " " + Padded(s, 1) + " " + Padded(s, 2))
        << second;
  }
  const DateTimeTokens calendar("d dd m mm yy yyyy");
  for (int day = 1; day < 2'958'465; day += 97) {
    const std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::year{1899} / 12 / 30} +
                                          std::chrono::days{day}};
    const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
    const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
    const int y = static_cast<int>(ymd.year());
    std::string out;
    calendar.Append(day, DateSystem::k1900, out);
    ASSERT_EQ(out, Padded(d, 1) + " " + Padded(d, 2) + " " + Padded(m, 1) + " " + Padded(m, 2) +
                       " " + Padded(y % 100, 2) + " " + Padded(y, 4))
        << day;
  }
}

}  // namespace
}  // namespace tabulox
