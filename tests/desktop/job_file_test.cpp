#include "job_file.h"

#include <gtest/gtest.h>

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
  ASSERT_EQ(back->size(), 3u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ((*back)[i].state, rows[i].state);
    EXPECT_EQ((*back)[i].subItems, rows[i].subItems);
  }
  EXPECT_EQ(ReadAll(path), EncodeJobFile(rows));
}

TEST(JobFileTest, MissingFileOrForeignMarkerLeavesListAlone) {
  TempConfig config;
  EXPECT_FALSE(LoadJobFile(config.Path(QStringLiteral("none.job"))));
  const QString path = config.Path(QStringLiteral("bad.job"));
  WriteAll(path, QByteArray("XYZ\0\0", 5));
  EXPECT_FALSE(LoadJobFile(path));
  WriteAll(path, QByteArray("LF"));
  EXPECT_FALSE(LoadJobFile(path));
}

TEST(JobFileTest, TruncatedFileKeepsTheRowsReadWhole) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.job"));
  const QByteArray full = EncodeJobFile({MakeRow(1, QStringLiteral("/a.xls")), MakeRow(2, QStringLiteral("/b.xls"))});
  const QByteArray oneRow = EncodeJobFile({MakeRow(1, QStringLiteral("/a.xls"))});
  // Every cut inside the second row yields the first row only.
  for (qsizetype cut = oneRow.size(); cut < full.size(); ++cut) {
    WriteAll(path, full.left(cut));
    const auto rows = LoadJobFile(path);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 1u) << cut;
    EXPECT_EQ((*rows)[0].subItems[1], QStringLiteral("/a.xls"));
  }
  // A row count far beyond the data and lengths past the end never read out of bounds.
  WriteAll(path, QByteArray("LFW\xFF\xFF\x06\x00\x00\x00\x00\x00\xFF\xFF", 13));
  const auto rows = LoadJobFile(path);
  ASSERT_TRUE(rows);
  EXPECT_TRUE(rows->empty());
}

TEST(JobFileTest, OldFormReadsEightBitStringsCutAtNul) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("old.job"));
  QByteArray bytes("LVF\x01\x00" "\x02\x00" "\x01\x00\x00\x00" "\x00\x00", 13);
  bytes += QByteArray("\x05\x00" "a.xls", 7);
  bytes += QByteArray("\x07\x00" "/d/a\0zz", 9);
  WriteAll(path, bytes);
  const auto rows = LoadJobFile(path);
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ((*rows)[0].state, 1);
  EXPECT_EQ((*rows)[0].subItems, QStringList({QStringLiteral("a.xls"), QStringLiteral("/d/a")}));
}

TEST(JobFileTest, WriterCutsWhatSixteenBitsCannotHold) {
  JobRow row;
  row.subItems = {QString(40000, u'x')};
  const QByteArray bytes = EncodeJobFile({row});
  EXPECT_EQ(static_cast<unsigned char>(bytes[13]) | (static_cast<unsigned char>(bytes[14]) << 8), 0xFFFE);
  std::vector<JobRow> many(kMaxJobRows + 2);
  const QByteArray big = EncodeJobFile(many);
  EXPECT_EQ(big.mid(3, 2), QByteArray("\xFF\xFF", 2));
}

}  // namespace
}  // namespace tabulox
