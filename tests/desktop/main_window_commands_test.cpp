// Commands 11 (Options), 22 (Add Dir, also a dropped folder) and 96/91 wiring
// of the real main window, driven on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "desktop/activity_log.h"
#include "desktop/add_folder_dialog.h"
#include "desktop/main_window.h"
#include "desktop/options_dialog.h"
#include "desktop/scan_cancel_dialog.h"
#include "desktop/settings_file.h"
#include "modal_answer.h"
#include "temp_config.h"
#include "wait_until.h"

namespace tabulox {
namespace {

using testing::AnswerNextModal;
using testing::TempConfig;
using testing::WaitUntil;
using testing::WriteAll;

class MainWindowCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetFolder = WithTrailingSlash(config_.Path(QStringLiteral("out")));
    for (const char* name : {"tree/a.xls", "tree/b.XLSX", "tree/c.txt", "tree/.hidden.xls", "tree/sub/d.xls",
                             "tree/book.xls/e.txt"}) {
      const QString path = config_.Path(QString::fromLatin1(name));
      QDir().mkpath(QFileInfo(path).path());
      WriteAll(path, "x");
    }
    form_ = std::make_unique<MainWindow>();
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    GlobalSettings() = DefaultSettings();
  }

  // Runs Add Dir on `dirs`, answering its dialog with OK; returns the
  // message of the scan's end.
  QString AddDir(const QString& dirs, bool recursive) {
    AnswerNextModal([this, dirs, recursive](QWidget* modal) {
      EXPECT_EQ(modal, form_->addDirDialog);
      form_->addDirDialog->folderEdit->setText(dirs);
      form_->addDirDialog->setRecursive(recursive);
      form_->addDirDialog->okButton->click();
    });
    form_->addDirButton->click();
    return WaitForScan();
  }
  // Waits for the scan to end; returns the message panel's text as the scan
  // left it (a selection count may replace it 50 ms later).
  QString WaitForScan() {
    QString message;
    const QMetaObject::Connection connection =
        QObject::connect(form_.get(), &MainWindow::scanFinished, [this, &message] { message = Panel(2); });
    EXPECT_TRUE(WaitUntil([this] { return !form_->isScanning(); }));
    QObject::disconnect(connection);
    return message;
  }
  // The status bar's product, count and message panels.
  QString Panel(int i) const {
    const QLabel* panels[] = {form_->productPanel, form_->countPanel, form_->messagePanel};
    return panels[i]->text();
  }

  TempConfig config_;
  std::unique_ptr<MainWindow> form_;
};

TEST_F(MainWindowCommandsTest, AddDirWithoutRecursionAddsTopFolderWorkbooks) {
  EXPECT_EQ(AddDir(config_.Path("tree"), false), "Done Scanning, add 2 file(s).");
  EXPECT_EQ(form_->rowCount(), 2);
  EXPECT_EQ(Panel(1), "2 File(s)");
  EXPECT_FALSE(form_->cancelFindDialog->isVisible());
  EXPECT_EQ(GlobalSettings().addFolders, config_.Path("tree"));
}

TEST_F(MainWindowCommandsTest, ScanSummaryOutlastsTheSelectionOfItsRows) {
  EXPECT_EQ(AddDir(config_.Path("tree"), false), "Done Scanning, add 2 file(s).");
  QTest::qWait(150);  // three times the selection count's delay
  EXPECT_EQ(Panel(2), "Done Scanning, add 2 file(s).");
}

TEST_F(MainWindowCommandsTest, AddDirRecursiveThenAgainAddsNothingNew) {
  EXPECT_EQ(AddDir(config_.Path("tree"), true), "Done Scanning, add 3 file(s).");
  EXPECT_EQ(form_->rowCount(), 3);
  QStringList names;
  for (int row = 0; row < form_->rowCount(); ++row) names << form_->cellText(row, FileListModel::Column::kName);
  names.sort();
  EXPECT_EQ(names, (QStringList{"a.xls", "b.XLSX", "d.xls"}));

  EXPECT_EQ(AddDir(config_.Path("tree"), true), "Done Scanning, add 0 file(s).");
  EXPECT_EQ(form_->rowCount(), 3);
}

TEST_F(MainWindowCommandsTest, AddDirCancelledAddsNothing) {
  AnswerNextModal([this](QWidget*) { form_->addDirDialog->cancelButton->click(); });
  form_->addDirAction->trigger();
  EXPECT_EQ(form_->rowCount(), 0);
  EXPECT_EQ(Panel(2), "");
}

TEST_F(MainWindowCommandsTest, DroppedFolderOpensAddDirWithIt) {
  QString shown;
  AnswerNextModal([this, &shown](QWidget*) {
    shown = form_->addDirDialog->folderEdit->text();
    form_->addDirDialog->okButton->click();
  });
  form_->dropFiles({config_.Path("tree")});
  WaitForScan();
  EXPECT_EQ(shown, config_.Path("tree"));
  EXPECT_EQ(form_->rowCount(), 2);
}

// A log that cannot be written ends the scan where it stands, with the error
// shown and no count of added files.
TEST_F(MainWindowCommandsTest, UnwritableLogDuringScanEndsItWithTheError) {
  form_->addFile(config_.Path("tree/a.xls"));  // found again by the scan: refused and logged
  ASSERT_TRUE(EnsureConfigDir());
  ASSERT_TRUE(QDir().mkpath(LogFilePath()));  // a folder where the log should be
  QString error;
  AnswerNextModal([this, &error](QWidget*) {
    form_->addDirDialog->folderEdit->setText(config_.Path("tree"));
    form_->addDirDialog->okButton->click();
    AnswerNextModal([&error](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      error = box->text();
      box->accept();
    });
  });
  form_->addDirButton->click();
  EXPECT_FALSE(WaitForScan().startsWith("Done Scanning"));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(form_->cancelFindDialog->isVisible());
}

TEST_F(MainWindowCommandsTest, OptionsOkStoresAtOnce) {
  AnswerNextModal([this](QWidget* modal) {
    EXPECT_EQ(modal, form_->optionsDialog);
    form_->optionsDialog->codePageCombo->setEditText("65001");
    form_->optionsDialog->okButton->click();
  });
  form_->optionsButton->click();
  EXPECT_EQ(GlobalSettings().outputCodePage, 65001);
}

TEST_F(MainWindowCommandsTest, AddDirChoicesReachSettingsWhenWindowGoes) {
  form_->addDirDialog->invertSelectionButton->click();  // both types unticked
  form_->addDirDialog->setRecursive(true);
  form_.reset();
  EXPECT_FALSE(GlobalSettings().scannedTypes[FileTypeIndex(FileType::kXls)]);
  EXPECT_FALSE(GlobalSettings().scannedTypes[FileTypeIndex(FileType::kXlsx)]);
  EXPECT_TRUE(GlobalSettings().recurseFolders);
}

}  // namespace
}  // namespace tabulox
