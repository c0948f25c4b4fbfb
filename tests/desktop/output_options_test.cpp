// The Output group's settings as the engine, the targets and the log take
// them, and a run that writes one file per sheet through the real engine.
#include "desktop/output_options.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "desktop/activity_log.h"
#include "desktop/main_window.h"
#include "desktop/settings_file.h"
#include "desktop/target_file.h"
#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "temp_config.h"
#include "wait_until.h"

namespace tabulox {
namespace {

using testing::ReadAll;
using testing::TempConfig;
using testing::WaitUntil;

TEST(OutputOptionsTest, TodayAsShownAndCommas) {
  ProgramSettings settings;
  settings.commaSeparated = true;  // no separator to choose in the layout of today
  ConversionOptions options = OutputConversionOptions(settings);
  EXPECT_EQ(options.layout, Layout::kDefault);
  EXPECT_EQ(TargetExtension(settings), QStringLiteral(".txt"));
  EXPECT_EQ(OutputLayoutName(settings), QStringLiteral("as today"));

  settings.layout = OutputLayout::kAsShown;
  options = OutputConversionOptions(settings);
  EXPECT_EQ(options.layout, Layout::kAsShown);
  EXPECT_EQ(options.separator, ',');
  EXPECT_EQ(TargetExtension(settings), QStringLiteral(".csv"));
  EXPECT_EQ(TargetFileName(QStringLiteral("/in/book.xlsx"), settings), settings.targetFolder + "book.csv");
  EXPECT_EQ(OutputLayoutName(settings), QStringLiteral("as shown, comma-separated"));

  settings.commaSeparated = false;
  options = OutputConversionOptions(settings);
  EXPECT_EQ(options.separator, '\t');
  EXPECT_EQ(TargetExtension(settings), QStringLiteral(".txt"));
  EXPECT_FALSE(options.skipHiddenSheets || options.skipHiddenRows || options.skipHiddenColumns);
  settings.leaveHiddenOut = true;
  options = OutputConversionOptions(settings);
  EXPECT_TRUE(options.skipHiddenSheets && options.skipHiddenRows && options.skipHiddenColumns);
}

TEST(OutputOptionsTest, SheetTargetsAreSafeAndDistinct) {
  const std::vector<SheetInfo> sheets = {{"Sales", false, 1}, {"a/b", false, 2}, {"a_b", false, 3},
                                         {std::string("x\ty"), false, 4}};
  EXPECT_EQ(SheetTargetNames(QStringLiteral("/out/book.v2.txt"), sheets),
            QStringList({"/out/book.v2 - Sales.txt", "/out/book.v2 - a_b.txt", "/out/book.v2 - a_b_3.txt",
                         "/out/book.v2 - x_y.txt"}));
  EXPECT_EQ(SheetTargetNames(QStringLiteral("/out.d/book"), {{"S", false, 1}}), QStringList({"/out.d/book - S"}));
}

// A workbook of two sheets, the second hidden.
QByteArray TwoSheetWorkbook() {
  testing::BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.Sst({u"a,b", u"plain"});
  const auto first = w.BoundSheet(u"Daten");
  const auto second = w.BoundSheet(u"Zwei", 0, 1);
  w.Eof();
  w.StartSheet(first);
  w.LabelSst(0, 0, 0, 0);
  w.Number(0, 1, 0, 7);
  w.Eof();
  w.StartSheet(second);
  w.LabelSst(0, 0, 0, 1);
  w.Eof();
  std::vector<std::uint8_t> stream(w.bytes().begin(), w.bytes().end());
  const std::vector<std::uint8_t> file = testing::WriteCompoundFile({{u"Workbook", stream}});
  return QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
}

class FilePerSheetRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetFolder = WithTrailingSlash(config_.Path(QStringLiteral("out")));
    GlobalSettings().outputCodePage = 65001;
    GlobalSettings().layout = OutputLayout::kAsShown;
    GlobalSettings().commaSeparated = true;
    GlobalSettings().filePerSheet = true;
    QDir().mkpath(GlobalSettings().targetFolder);
    source_ = config_.Path(QStringLiteral("book.xls"));
    testing::WriteAll(source_, TwoSheetWorkbook());
    form_ = std::make_unique<MainWindow>();
    form_->addFile(source_);
  }
  void TearDown() override {
    form_.reset();
    GlobalSettings() = DefaultSettings();
  }
  void Convert() {
    form_->convertFiles(MainWindow::RunMode::kAll);
    ASSERT_TRUE(WaitUntil([this] { return !form_->isConverting(); }));
  }
  QString Out(const char* name) const { return GlobalSettings().targetFolder + QString::fromUtf8(name); }

  TempConfig config_;
  QString source_;
  std::unique_ptr<MainWindow> form_;
};

TEST_F(FilePerSheetRunTest, EachSheetItsFileAndTheLogNamesTheLayout) {
  Convert();
  ASSERT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted)
      << form_->cellText(0, FileListModel::Column::kMessage).toStdString();
  EXPECT_EQ(ReadAll(Out("book - Daten.csv")), QByteArray("\xEF\xBB\xBF\"a,b\",7\r\n"));
  EXPECT_EQ(ReadAll(Out("book - Zwei.csv")), QByteArray("\xEF\xBB\xBFplain\r\n"));
  EXPECT_FALSE(QFileInfo::exists(Out("book.csv")));
  EXPECT_EQ(form_->cellText(0, FileListModel::Column::kTarget), Out("book - Daten.csv"));
  const QString log = DecodeLogText(ReadAll(LogFilePath()));
  EXPECT_TRUE(log.contains(QStringLiteral("Convert successfully (") + source_ +
                           QStringLiteral("), layout as shown, comma-separated")))
      << log.toStdString();
}

TEST_F(FilePerSheetRunTest, HiddenSheetLeftOutAndAnExistingTargetRenamed) {
  GlobalSettings().leaveHiddenOut = true;
  GlobalSettings().overwritePolicy = static_cast<std::uint8_t>(FileOverType::kAutoRename);
  testing::WriteAll(Out("book - Daten.csv"), "old");
  Convert();
  ASSERT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
  EXPECT_EQ(ReadAll(Out("book - Daten.csv")), QByteArray("old"));
  EXPECT_EQ(ReadAll(Out("book - Daten(1).csv")), QByteArray("\xEF\xBB\xBF\"a,b\",7\r\n"));
  EXPECT_FALSE(QFileInfo::exists(Out("book - Zwei.csv")));
}

TEST_F(FilePerSheetRunTest, EveryTargetCancelledFailsTheRow) {
  GlobalSettings().overwritePolicy = static_cast<std::uint8_t>(FileOverType::kCancel);
  testing::WriteAll(Out("book - Daten.csv"), "old");
  testing::WriteAll(Out("book - Zwei.csv"), "old");
  Convert();
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kFailed);
  EXPECT_EQ(form_->cellText(0, FileListModel::Column::kMessage),
            QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(ReadAll(Out("book - Zwei.csv")), QByteArray("old"));
}

}  // namespace
}  // namespace tabulox
