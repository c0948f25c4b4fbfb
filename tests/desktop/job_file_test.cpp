#include "desktop/job_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <random>

#include "desktop/damaged_file.h"
#include "file_size_limit.h"

#include "temp_config.h"

namespace tabulox {
namespace {

using testing::ReadAll;
using testing::TempConfig;
using testing::WriteAll;

JobRow MakeRow(int state, const QString& source, const QString& message = {}) {
  JobRow row;
  row.state = state;
  row.subItems = {source.mid(source.lastIndexOf(u'/') + 1), source, QStringLiteral("1234"),
                  QStringLiteral("XLS"), QStringLiteral("/out/x.txt"), message};
  return row;
}

TEST(JobFileTest, EmptyListIsFiveBytes) {
  EXPECT_EQ(EncodeJobFile({}), QByteArray("LFW\0\0", 5));
}

TEST(JobFileTest, RowLayoutIsLengthPrefixedUtf16) {
  JobRow row;
  row.state = 2;
  row.subItems = {QStringLiteral("é")};
  const QByteArray expected("LFW\x01\x00" "\x01\x00" "\x02\x00\x00\x00" "\x00\x00" "\x02\x00\xE9\x00", 17);
  EXPECT_EQ(EncodeJobFile({row}), expected);
}

TEST(JobFileTest, RoundTripKeepsStatesTextsAndOrder) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.job"));
  const std::vector<JobRow> rows = {MakeRow(0, QStringLiteral("/d/a.xls")),
                                    MakeRow(1, QStringLiteral("/d/Βιβλίο.xls"), QStringLiteral("Convert successfully")),
                                    MakeRow(2, QStringLiteral("/d/书.xlsx"), QStringLiteral("File format not correct"))};
  ASSERT_TRUE(SaveJobFile(path, rows));
  const auto back = LoadJobFile(path);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->damaged);
  ASSERT_EQ(back->rows.size(), 3u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(back->rows[i].state, rows[i].state);
    EXPECT_EQ(back->rows[i].subItems, rows[i].subItems);
  }
  EXPECT_EQ(ReadAll(path), EncodeJobFile(rows));
}

TEST(JobFileTest, MissingFileIsNoListAndForeignOrShortFilesAreDamaged) {
  TempConfig config;
  EXPECT_FALSE(LoadJobFile(config.Path(QStringLiteral("none.job"))));
  const QString path = config.Path(QStringLiteral("bad.job"));
  for (const QByteArray& bytes : {QByteArray("XYZ\0\0", 5), QByteArray("LF"), QByteArray(), QByteArray("LFW\x01", 4)}) {
    WriteAll(path, bytes);
    const auto contents = LoadJobFile(path);
    ASSERT_TRUE(contents) << bytes.toHex().toStdString();
    EXPECT_TRUE(contents->damaged) << bytes.toHex().toStdString();
    EXPECT_TRUE(contents->rows.empty());
    EXPECT_EQ(contents->unreadRows(), -1);
  }
}

TEST(JobFileTest, TruncatedFileKeepsTheRowsReadWholeAndCountsTheRest) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.job"));
  const QByteArray full = EncodeJobFile({MakeRow(1, QStringLiteral("/a.xls")), MakeRow(2, QStringLiteral("/b.xls"))});
  const QByteArray oneRow = EncodeJobFile({MakeRow(1, QStringLiteral("/a.xls"))});
  // Every cut inside the second row yields the first row only, and one unread row.
  for (qsizetype cut = oneRow.size(); cut < full.size(); ++cut) {
    WriteAll(path, full.left(cut));
    const auto contents = LoadJobFile(path);
    ASSERT_TRUE(contents);
    EXPECT_TRUE(contents->damaged) << cut;
    ASSERT_EQ(contents->rows.size(), 1u) << cut;
    EXPECT_EQ(contents->rows[0].subItems[1], QStringLiteral("/a.xls"));
    EXPECT_EQ(contents->savedRows, 2);
    EXPECT_EQ(contents->unreadRows(), 1);
  }
  // Bytes after the last row: every row read, the file damaged all the same.
  WriteAll(path, full + "junk");
  auto contents = LoadJobFile(path);
  ASSERT_TRUE(contents);
  EXPECT_TRUE(contents->damaged);
  EXPECT_EQ(contents->rows.size(), 2u);
  EXPECT_EQ(contents->unreadRows(), 0);
  // A row count far beyond the data and lengths past the end never read out of bounds.
  WriteAll(path, QByteArray("LFW\xFF\xFF\x06\x00\x00\x00\x00\x00\xFF\xFF", 13));
  contents = LoadJobFile(path);
  ASSERT_TRUE(contents);
  EXPECT_TRUE(contents->rows.empty());
  EXPECT_EQ(contents->unreadRows(), 0xFFFF);
  // An odd byte length cannot be UTF-16.
  WriteAll(path, QByteArray("LFW\x01\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00x", 15));
  contents = LoadJobFile(path);
  ASSERT_TRUE(contents);
  EXPECT_TRUE(contents->damaged);
  EXPECT_TRUE(contents->rows.empty());
}

TEST(JobFileTest, RandomBytesAreDamageAndNeverARow) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.job"));
  std::mt19937 random(29);
  for (int trial = 0; trial < 50; ++trial) {
    QByteArray bytes(static_cast<qsizetype>(random() % 4096), Qt::Uninitialized);
    for (char& byte : bytes) byte = static_cast<char>(random());
    if (trial % 2 == 1) bytes.replace(0, 3, "LFW");  // a good marker before the noise
    WriteAll(path, bytes);
    const auto contents = LoadJobFile(path);
    ASSERT_TRUE(contents);
    // Noise that reads as whole rows to its last byte is as good as impossible.
    EXPECT_TRUE(contents->damaged) << trial;
  }
}

// A list longer than 16 bits can count, or with a text longer than 16 bits
// can measure, is saved whole in the long form and comes back whole.
TEST(JobFileTest, LongListsAndTextsRoundTripInTheLongForm) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.job"));
  constexpr int kRows = 70000;
  std::vector<JobRow> rows;
  rows.reserve(kRows);
  for (int i = 0; i < kRows; ++i) rows.push_back(MakeRow(i % 3, QStringLiteral("/d/%1.xls").arg(i)));
  ASSERT_TRUE(SaveJobFile(path, rows));
  EXPECT_EQ(ReadAll(path).left(7), QByteArray("LFX\x70\x11\x01\x00", 7));  // 70000 = 0x11170
  const auto back = LoadJobFile(path);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->damaged);
  ASSERT_EQ(back->rows.size(), static_cast<std::size_t>(kRows));
  EXPECT_EQ(back->rows.back().subItems[1], QStringLiteral("/d/69999.xls"));
  EXPECT_EQ(back->rows.back().state, (kRows - 1) % 3);

  JobRow longText = MakeRow(0, QStringLiteral("/d/a.xls"), QString(40000, u'x'));
  ASSERT_TRUE(SaveJobFile(path, {longText}));
  const auto text = LoadJobFile(path);
  ASSERT_TRUE(text);
  ASSERT_EQ(text->rows.size(), 1u);
  EXPECT_EQ(text->rows[0].subItems[5].size(), 40000);
}

TEST(JobFileTest, ShortFormWhileTheListFits) {
  std::vector<JobRow> rows(kMaxShortFormRows);
  EXPECT_EQ(EncodeJobFile(rows).left(5), QByteArray("LFW\xFF\xFF", 5));
  rows.emplace_back();
  EXPECT_EQ(EncodeJobFile(rows).left(3), QByteArray("LFX"));
  JobRow row;
  row.subItems = {QString(kMaxShortFormTextUnits, u'x')};
  EXPECT_EQ(EncodeJobFile({row}).left(3), QByteArray("LFW"));
  row.subItems[0] += u'x';
  EXPECT_EQ(EncodeJobFile({row}).left(3), QByteArray("LFX"));
}

// A write that fails part way (the file size limit stands in for a full
// disk) leaves the previous file as it was, and no temporary file.
TEST(JobFileTest, FailedSaveKeepsThePreviousFile) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.job"));
  ASSERT_TRUE(SaveJobFile(path, {MakeRow(1, QStringLiteral("/d/a.xls"))}));
  const QByteArray before = ReadAll(path);
  std::vector<JobRow> many(2000, MakeRow(0, QStringLiteral("/d/some/longer/path/b.xls")));
  {
    testing::FileSizeLimit limit(4096);
    EXPECT_FALSE(SaveJobFile(path, many));
  }
  EXPECT_EQ(ReadAll(path), before);
  EXPECT_EQ(QDir(config.Path(QString())).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(JobFileTest, DamageMessageCountsTheLostRowsAndNamesTheCopy) {
  JobFileContents contents;
  contents.damaged = true;
  contents.savedRows = 10;
  contents.rows.resize(7);
  EXPECT_EQ(DamagedJobFileMessage("/c/Tabulox.job", contents, "/c/Tabulox.job.damaged-x"),
            "The saved file list /c/Tabulox.job is damaged: 3 of 10 saved rows could not be read; the list "
            "shows the 7 read. The damaged file is kept as /c/Tabulox.job.damaged-x.");
  contents.savedRows = -1;
  contents.rows.clear();
  EXPECT_EQ(DamagedJobFileMessage("/c/Tabulox.job", contents, ""),
            "The saved file list /c/Tabulox.job is damaged: its rows could not be read. It could not be kept "
            "under another name, so the list is not saved over it.");
}

TEST(DamagedFileTest, KeptBesideUnderAFreeNameAndNeverOverAnother) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.job"));
  const QDateTime when(QDate(2026, 12, 11), QTime(2, 30, 5));
  WriteAll(path, "one");
  EXPECT_EQ(KeepDamagedFile(path, when), path + ".damaged-20261211-023005");
  WriteAll(path, "two");
  EXPECT_EQ(KeepDamagedFile(path, when), path + ".damaged-20261211-023005-2");
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_EQ(ReadAll(path + ".damaged-20261211-023005"), "one");
  EXPECT_EQ(ReadAll(path + ".damaged-20261211-023005-2"), "two");
  EXPECT_EQ(KeepDamagedFile(config.Path("missing"), when), QString());
}

TEST(JobFileTest, OldFormReadsEightBitStringsCutAtNul) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("old.job"));
  QByteArray bytes("LVF\x01\x00" "\x02\x00" "\x01\x00\x00\x00" "\x00\x00", 13);
  bytes += QByteArray("\x05\x00" "a.xls", 7);
  bytes += QByteArray("\x07\x00" "/d/a\0zz", 9);
  WriteAll(path, bytes);
  const auto contents = LoadJobFile(path);
  ASSERT_TRUE(contents);
  EXPECT_FALSE(contents->damaged);
  ASSERT_EQ(contents->rows.size(), 1u);
  EXPECT_EQ(contents->rows[0].state, 1);
  EXPECT_EQ(contents->rows[0].subItems, QStringList({QStringLiteral("a.xls"), QStringLiteral("/d/a")}));
}

}  // namespace
}  // namespace tabulox
