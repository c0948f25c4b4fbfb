#include "target_file.h"

#include <gtest/gtest.h>

#include <QDir>

#include "temp_config.h"

namespace tabulox {
namespace {

using testing::ReadAll;
using testing::TempConfig;
using testing::WriteAll;

struct NameCase {
  bool samedir;
  const char* source;
  const char* expected;
};

class TargetFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(TargetFileNameTest, ReplacesExtensionAndPicksFolder) {
  ProgramSettings settings;
  settings.samedir = GetParam().samedir;
  settings.targetdir = QStringLiteral("/out/");
  EXPECT_EQ(TargetFileName(QString::fromUtf8(GetParam().source), settings).toStdString(),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TargetFileNameTest,
    ::testing::Values(NameCase{false, "/d/book.xls", "/out/book.txt"},
                      NameCase{true, "/d/book.xls", "/d/book.txt"},
                      NameCase{false, "/d/a.b.xlsx", "/out/a.b.txt"},
                      NameCase{true, "/d/noext", "/d/noext.txt"},
                      NameCase{true, "/d.x/noext", "/d.x/noext.txt"},
                      NameCase{false, "/d/Βιβλίο.XLS", "/out/Βιβλίο.txt"}));

TEST(AutoRenameTargetTest, CountsUpToTheFirstFreeName) {
  TempConfig dir;
  const QString target = dir.Path(QStringLiteral("book.txt"));
  EXPECT_EQ(AutoRenameTarget(target), dir.Path(QStringLiteral("book(1).txt")));
  WriteAll(dir.Path(QStringLiteral("book(1).txt")), "x");
  EXPECT_EQ(AutoRenameTarget(target), dir.Path(QStringLiteral("book(2).txt")));
  QDir().mkpath(dir.Path(QStringLiteral("book(2).txt")));  // a folder takes the name too
  EXPECT_EQ(AutoRenameTarget(target), dir.Path(QStringLiteral("book(3).txt")));
  // and so does a link that points nowhere
  QFile::link(dir.Path(QStringLiteral("nowhere")), dir.Path(QStringLiteral("book(3).txt")));
  EXPECT_TRUE(TargetExists(dir.Path(QStringLiteral("book(3).txt"))));
  EXPECT_EQ(AutoRenameTarget(target), dir.Path(QStringLiteral("book(4).txt")));
}

TEST(ConvertMessageTest, EveryResultHasItsText) {
  EXPECT_EQ(ConvertMessageForResult(0), QStringLiteral("Convert successfully"));
  EXPECT_EQ(ConvertMessageForResult(-2), QStringLiteral("Source file does not exist"));
  EXPECT_EQ(ConvertMessageForResult(-3), QStringLiteral("File format not correct"));
  EXPECT_EQ(ConvertMessageForResult(-4), QStringLiteral("Source file open error"));
  EXPECT_EQ(ConvertMessageForResult(-5), QStringLiteral("File format not correct"));
  EXPECT_EQ(ConvertMessageForResult(-6), QStringLiteral("Target file create error"));
  EXPECT_EQ(ConvertMessageForResult(-7), QStringLiteral("Target file write error"));
  EXPECT_EQ(ConvertMessageForResult(-11), QStringLiteral("Extracting text from source file not allowed"));
  EXPECT_EQ(ConvertMessageForResult(-15), QStringLiteral("File format not correct"));
}

TEST(WriteTargetFileTest, CreatesMissingFoldersAndReplacesOldFile) {
  TempConfig dir;
  const QString target = dir.Path(QStringLiteral("a/b/c/book.txt"));
  EXPECT_EQ(WriteTargetFile(target, "first"), TargetWriteResult::Ok);
  EXPECT_EQ(WriteTargetFile(target, std::string_view("\xEF\xBB\xBFx\0y", 6)), TargetWriteResult::Ok);
  EXPECT_EQ(ReadAll(target), QByteArray("\xEF\xBB\xBFx\0y", 6));
  EXPECT_EQ(WriteTargetFile(dir.Path(QStringLiteral("empty.txt")), ""), TargetWriteResult::Ok);
  EXPECT_TRUE(QFile::exists(dir.Path(QStringLiteral("empty.txt"))));
  EXPECT_EQ(QDir(dir.Path(QStringLiteral("a/b/c"))).entryList(QDir::Files), QStringList{QStringLiteral("book.txt")});
}

TEST(WriteTargetFileTest, ATargetThatAppearedIsKeptUnlessOverwriteWasChosen) {
  TempConfig dir;
  const QString target = dir.Path(QStringLiteral("book.txt"));
  WriteAll(target, "theirs");
  EXPECT_EQ(WriteTargetFile(target, "ours", false), TargetWriteResult::CreateFailed);
  EXPECT_EQ(ReadAll(target), QByteArray("theirs"));
  EXPECT_EQ(QDir(dir.Path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("book.txt")});
  EXPECT_EQ(WriteTargetFile(target, "ours", true), TargetWriteResult::Ok);
  EXPECT_EQ(ReadAll(target), QByteArray("ours"));
}

TEST(WriteTargetFileTest, UncreatableTargetReportsCreateFailure) {
  TempConfig dir;
  WriteAll(dir.Path(QStringLiteral("file")), "x");
  EXPECT_EQ(WriteTargetFile(dir.Path(QStringLiteral("file/sub/book.txt")), "t"), TargetWriteResult::CreateFailed);
  QDir().mkpath(dir.Path(QStringLiteral("folder.txt")));
  EXPECT_EQ(WriteTargetFile(dir.Path(QStringLiteral("folder.txt")), "t"), TargetWriteResult::CreateFailed);
}

}  // namespace
}  // namespace tabulox
