// Long work off the window's thread: a conversion run of a million-cell
// workbook and a folder scan, each watched from the window's event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>

#include "core/code_pages.h"
#include "desktop/add_dir_search.h"
#include "desktop/add_folder_dialog.h"
#include "desktop/conversion_cancel_dialog.h"
#include "desktop/main_window.h"
#include "desktop/scan_cancel_dialog.h"
#include "desktop/settings_file.h"
#include "support/zip_writer.h"
#include "temp_config.h"
#include "wait_until.h"

namespace tabulox {
namespace {

using testing::ReadAll;
using testing::TempConfig;
using testing::WaitUntil;
using testing::WriteAll;

// An .xlsx of `rows` rows of ten whole-number cells; the cell in row r and
// column c (0 to 9) holds r * 10 + c.
std::string NumericWorkbook(int rows) {
  std::string sheet =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  for (int r = 1; r <= rows; ++r) {
    sheet += "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < 10; ++c) {
      sheet += "<c r=\"" + std::string(1, static_cast<char>('A' + c)) + std::to_string(r) + "\"><v>" +
               std::to_string(r * 10 + c) + "</v></c>";
    }
    sheet += "</row>";
  }
  sheet += "</sheetData></worksheet>";
  return testing::WriteZip({{"[Content_Types].xml", "<Types/>"},
                            {"_rels/.rels", "<Relationships/>"},
                            {"xl/workbook.xml", "<workbook/>"},
                            {"xl/worksheets/sheet1.xml", sheet}});
}

class BackgroundWorkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetFolder = WithTrailingSlash(config_.Path(QStringLiteral("out")));
    GlobalSettings().outputCodePage = kCodePageUtf8;
    form_ = std::make_unique<MainWindow>();
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    GlobalSettings() = DefaultSettings();
  }

  TempConfig config_;
  std::unique_ptr<MainWindow> form_;
};

// While the engine converts a million cells, the window's event loop goes on:
// a timer ticking every 10 ms never waits long. The bound is generous; a run
// on the window's thread blocks the loop for the whole workbook.
TEST_F(BackgroundWorkTest, EventLoopAnswersDuringMillionCellConversion) {
  constexpr int kRows = 100000;  // ten cells each
  constexpr qint64 kLongestTickGapMs = 100;
  const QString book = config_.Path(QStringLiteral("million.xlsx"));
  const std::string bytes = NumericWorkbook(kRows);
  WriteAll(book, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  form_->addFile(book);

  QElapsedTimer sinceTick;
  qint64 longestGap = 0;
  int ticks = 0;
  QTimer ticker;
  ticker.setInterval(10);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, sinceTick.restart());
    ++ticks;
  });
  QElapsedTimer runTime;
  runTime.start();
  sinceTick.start();
  ticker.start();
  form_->convertFiles(MainWindow::RunMode::kAll);
  ASSERT_TRUE(WaitUntil([this] { return !form_->isConverting(); }, 120000));
  longestGap = std::max(longestGap, sinceTick.elapsed());
  ticker.stop();

  ASSERT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted) << form_->cellText(0, FileListModel::Column::kMessage).toStdString();
  const QByteArray text = ReadAll(form_->cellText(0, FileListModel::Column::kTarget));
  EXPECT_TRUE(text.endsWith("\t1000009\r\n"));
  EXPECT_EQ(text.count('\n'), kRows + 1);  // the sheet's heading line, then its rows
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "timings of a build with the address sanitizer are not the program's";
#endif
  // Too quick a conversion could not show a blocked loop.
  if (runTime.elapsed() <= 2 * kLongestTickGapMs) GTEST_SKIP() << "conversion took only " << runTime.elapsed() << " ms";
  EXPECT_LT(longestGap, kLongestTickGapMs) << ticks << " ticks in " << runTime.elapsed() << " ms";
}

// A folder scan runs off the window's thread: while it is held inside the
// first folder, the window shows the folder it entered and takes a click on
// the progress dialog's button, which ends the scan before the second folder.
TEST_F(BackgroundWorkTest, FolderScanLeavesWindowAnsweringAndItsCancelWorks) {
  for (const char* name : {"one/a.xls", "one/b.xls", "one/c.xls", "two/d.xls"}) {
    const QString path = config_.Path(QString::fromLatin1(name));
    QDir().mkpath(QFileInfo(path).path());
    WriteAll(path, "x");
  }
  auto* search = form_->findChild<AddDirSearch*>();
  ASSERT_NE(search, nullptr);
  std::atomic<int> found = 0;
  QSemaphore firstMayGoOn;
  // Runs on the scan's thread, after the window's own (queued) connection.
  QObject::connect(
      search, &AddDirSearch::fileFound, search,
      [&] {
        if (++found == 1) firstMayGoOn.tryAcquire(1, 30000);
      },
      Qt::DirectConnection);

  QTimer::singleShot(0, form_.get(), [this] {
    form_->addDirDialog->folderEdit->setText(config_.Path(QStringLiteral("one")) + u';' +
                                      config_.Path(QStringLiteral("two")));
    form_->addDirDialog->setRecursive(false);
    form_->addDirDialog->okButton->click();
  });
  form_->addDirAction->trigger();
  ASSERT_TRUE(WaitUntil([&] { return found == 1; }));
  EXPECT_TRUE(form_->isScanning());
  EXPECT_TRUE(form_->cancelFindDialog->isVisible());
  EXPECT_TRUE(WaitUntil([this] { return form_->cancelFindDialog->folderBar->currentMessage().endsWith(QStringLiteral("one/")); }));
  EXPECT_TRUE(WaitUntil([this] { return form_->rowCount() == 1; }));
  QString endMessage;
  QObject::connect(form_.get(), &MainWindow::scanFinished, [&] { endMessage = form_->messagePanel->text(); });
  QTest::mouseClick(form_->cancelFindDialog->cancelButton, Qt::LeftButton);
  firstMayGoOn.release();
  ASSERT_TRUE(WaitUntil([this] { return !form_->isScanning(); }));

  EXPECT_EQ(found, 1);
  EXPECT_EQ(form_->rowCount(), 1);
  EXPECT_FALSE(form_->cancelFindDialog->isVisible());
  EXPECT_EQ(endMessage, QStringLiteral("Done Scanning, add 1 file(s)."));
  EXPECT_EQ(form_->countPanel->text(), QStringLiteral("1 File(s)"));
}

}  // namespace
}  // namespace tabulox
