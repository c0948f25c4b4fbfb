#include "desktop/activity_log.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "desktop/log_time_stamp.h"
#include "desktop/settings_file.h"
#include "numfmt/regional_settings.h"
#include "temp_config.h"

namespace tabulox {
namespace {

using testing::ReadAll;
using testing::TempConfig;
using testing::WriteAll;

QByteArray Utf16Le(const QString& text) {
  QByteArray out;
  for (const QChar c : text) {
    out.append(static_cast<char>(c.unicode() & 0xFF));
    out.append(static_cast<char>(c.unicode() >> 8));
  }
  return out;
}

class ActivityLogTest : public ::testing::Test {
 protected:
  void SetUp() override { GlobalSettings() = DefaultSettings(); }
  void TearDown() override { GlobalSettings() = DefaultSettings(); }
  TempConfig config_;
};

TEST_F(ActivityLogTest, FirstLineCreatesFileWithMarkSecondAppends) {
  WriteLog(QStringLiteral("one"));
  QByteArray bytes = ReadAll(LogFilePath());
  ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
  EXPECT_TRUE(bytes.endsWith(Utf16Le(QStringLiteral("]: one\r\n"))));
  WriteLog(QStringLiteral("two"));
  bytes = ReadAll(LogFilePath());
  EXPECT_EQ(bytes.count("\xFF\xFE"), 1);
  const QString text = DecodeLogText(bytes);
  const QRegularExpression line(QStringLiteral("^\\[[^\\]]+\\]: one\n\\[[^\\]]+\\]: two\n$"));
  EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();
}

TEST_F(ActivityLogTest, NotLoggingNeitherCreatesNorChangesTheFile) {
  GlobalSettings().loggingOff = true;
  WriteLog(QStringLiteral("quiet"));
  EXPECT_FALSE(QFile::exists(LogFilePath()));
  GlobalSettings().loggingOff = false;
  WriteLog(QStringLiteral("loud"));
  const QByteArray before = ReadAll(LogFilePath());
  GlobalSettings().loggingOff = true;
  WriteLog(QStringLiteral("quiet"));
  EXPECT_EQ(ReadAll(LogFilePath()), before);
}

TEST_F(ActivityLogTest, MessageOutsideTheLocaleCodePageIsKept) {
  const QString message = QStringLiteral("Convert successfully (/d/Βιβλίο 书.xls)");
  WriteLog(message);
  EXPECT_TRUE(ReadAll(LogFilePath()).endsWith(Utf16Le(message + QStringLiteral("\r\n"))));
}

TEST_F(ActivityLogTest, FileWithoutMarkIsAppendedInUtf16) {
  EnsureConfigDir();
  WriteAll(LogFilePath(), "old\r\n");
  WriteLog(QStringLiteral("new"));
  const QByteArray bytes = ReadAll(LogFilePath());
  EXPECT_TRUE(bytes.startsWith("old\r\n["));
  EXPECT_TRUE(bytes.endsWith(Utf16Le(QStringLiteral("new\r\n"))));
}

TEST_F(ActivityLogTest, UnwritableLogRaises) {
  EnsureConfigDir();
  QDir().mkpath(LogFilePath());  // a folder where the file should be
  EXPECT_THROW(WriteLog(QStringLiteral("x")), LogWriteError);
}

TEST(LogTextTest, DecodesByMarkAndNormalisesLineBreaks) {
  EXPECT_EQ(DecodeLogText(QByteArray("\xFF\xFE", 2) + Utf16Le(QStringLiteral("a\r\nb\rc\nd"))),
            QStringLiteral("a\nb\nc\nd"));
  EXPECT_EQ(DecodeLogText(QByteArray("\xFE\xFF\x00\x41", 4)), QStringLiteral("A"));
  EXPECT_EQ(DecodeLogText(QByteArray("\xEF\xBB\xBF\xC3\xA9", 5)), QStringLiteral("é"));
  EXPECT_EQ(DecodeLogText(QByteArray("plain\r\n")), QStringLiteral("plain\n"));
}

TEST(LogTextTest, ExportReproducesTheLogBytes) {
  const QByteArray log = QByteArray("\xFF\xFE", 2) + Utf16Le(QStringLiteral("[x]: a\r\n[y]: b\r\n\r\n"));
  EXPECT_EQ(EncodeLogExport(DecodeLogText(log)), log);
}

// Pins the regional settings for one test and restores the defaults after.
class LogTimeStampTest : public ::testing::Test {
 protected:
  void TearDown() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_F(LogTimeStampTest, ShortDateBlankLongTime) {
  SetRegionalSettings(RegionalSettings{});  // m/d/yy and h:mm:ss AMPM
  EXPECT_EQ(LogTimeStamp(QDateTime(QDate(2026, 12, 9), QTime(7, 5, 3))), QStringLiteral("12/9/26 7:05:03 am"));
  EXPECT_EQ(LogTimeStamp(QDateTime(QDate(2026, 1, 2), QTime(23, 0, 9, 999))), QStringLiteral("1/2/26 11:00:09 pm"));
  EXPECT_EQ(LogTimeStamp(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 59, 999))), QStringLiteral("12/9/26 11:59:59 pm"));
  EXPECT_EQ(LogTimeStamp(QDateTime(QDate(2026, 12, 9), QTime(0, 0, 0))), QStringLiteral("12/9/26"));
}

TEST_F(LogTimeStampTest, FollowsRegionalPatternsAndSeparators) {
  RegionalSettings regional;
  regional.shortDatePattern = "dd/mm/yyyy";
  regional.dateSeparator = ".";
  regional.longTimePattern = "hh:mm:ss";
  SetRegionalSettings(regional);
  EXPECT_EQ(LogTimeStamp(QDateTime(QDate(2026, 3, 4), QTime(14, 7, 8))), QStringLiteral("04.03.2026 14:07:08"));
}

}  // namespace
}  // namespace tabulox
