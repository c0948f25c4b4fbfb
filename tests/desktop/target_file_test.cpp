#include "desktop/target_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "desktop/conversion_worker.h"
#include "support/output_block_copy.h"
#include "temp_config.h"
#include "wait_until.h"

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
  settings.targetBesideSource = GetParam().samedir;
  settings.targetFolder = QStringLiteral("/out/");
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
  EXPECT_EQ(WriteTargetFile(target, "first"), AtomicWriteResult::kOk);
  EXPECT_EQ(WriteTargetFile(target, std::string_view("\xEF\xBB\xBFx\0y", 6)), AtomicWriteResult::kOk);
  EXPECT_EQ(ReadAll(target), QByteArray("\xEF\xBB\xBFx\0y", 6));
  EXPECT_EQ(WriteTargetFile(dir.Path(QStringLiteral("empty.txt")), ""), AtomicWriteResult::kOk);
  EXPECT_TRUE(QFile::exists(dir.Path(QStringLiteral("empty.txt"))));
  EXPECT_EQ(QDir(dir.Path(QStringLiteral("a/b/c"))).entryList(QDir::Files), QStringList{QStringLiteral("book.txt")});
}

TEST(WriteTargetFileTest, ATargetThatAppearedIsKeptUnlessOverwriteWasChosen) {
  TempConfig dir;
  const QString target = dir.Path(QStringLiteral("book.txt"));
  WriteAll(target, "theirs");
  EXPECT_EQ(WriteTargetFile(target, "ours", false), AtomicWriteResult::kExists);
  EXPECT_EQ(ReadAll(target), QByteArray("theirs"));
  EXPECT_EQ(QDir(dir.Path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("book.txt")});
  EXPECT_EQ(WriteTargetFile(target, "ours", true), AtomicWriteResult::kOk);
  EXPECT_EQ(ReadAll(target), QByteArray("ours"));
}

TEST(WriteTargetFileTest, UncreatableTargetReportsCreateFailure) {
  TempConfig dir;
  WriteAll(dir.Path(QStringLiteral("file")), "x");
  EXPECT_EQ(WriteTargetFile(dir.Path(QStringLiteral("file/sub/book.txt")), "t"), AtomicWriteResult::kCreateFailed);
  QDir().mkpath(dir.Path(QStringLiteral("folder.txt")));
  EXPECT_EQ(WriteTargetFile(dir.Path(QStringLiteral("folder.txt")), "t"), AtomicWriteResult::kCreateFailed);
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

// An empty text is a conversion like any other: the worker leaves a target
// of 0 bytes (replacing one that was there) and reports success only then.
TEST(ConversionWorkerTest, AnEmptyTextLeavesAnEmptyTarget) {
  TempConfig dir;
  const QString source = dir.Path(QStringLiteral("book.xls"));
  WriteAll(source, "workbook");
  ConversionWorker worker;
  const ConvertFunction empty = [](const QString&, OutputBlock& block, std::int32_t) {
    return CopyToOutputBlock("", block);
  };
  worker.setConverters(empty, empty);
  QList<std::pair<int, int>> outcomes;
  QObject::connect(&worker, &ConversionWorker::converted,
                   [&](int row, int result) { outcomes.append({row, result}); });
  const QString fresh = dir.Path(QStringLiteral("fresh.txt"));
  const QString replaced = dir.Path(QStringLiteral("replaced.txt"));
  WriteAll(replaced, "old text");
  worker.convert(ConversionJob{0, source, fresh, false, WorkbookType::kXls, 65001, {}, {}});
  worker.convert(ConversionJob{1, source, replaced, true, WorkbookType::kXls, 65001, {}, {}});
  ASSERT_TRUE(testing::WaitUntil([&] { return outcomes.size() == 2; }));
  EXPECT_EQ(outcomes, (QList<std::pair<int, int>>{{0, 0}, {1, 0}}));
  for (const QString& target : {fresh, replaced}) {
    EXPECT_TRUE(QFileInfo::exists(target)) << target.toStdString();
    EXPECT_EQ(QFileInfo(target).size(), 0) << target.toStdString();
  }
}

}  // namespace
}  // namespace tabulox
