// Commands 11 (Options), 22 (Add Dir, also a dropped folder) and 96/91 wiring
// of the real main window, driven on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <functional>
#include <memory>

#include "add_folder_dialog.h"
#include "fm_main.h"
#include "options_dialog.h"
#include "scan_cancel_dialog.h"
#include "settings_file.h"
#include "temp_config.h"

namespace tabulox {
namespace {

using testing::TempConfig;
using testing::WriteAll;

// Runs `answer` on the next modal dialog once it is shown.
void AnswerNextModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      answer(modal);
    }
  });
  timer->start(5);
}

class MainWindowCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetdir = WithTrailingSlash(config_.Path(QStringLiteral("out")));
    for (const char* name : {"tree/a.xls", "tree/b.XLSX", "tree/c.txt", "tree/.hidden.xls", "tree/sub/d.xls",
                             "tree/book.xls/e.txt"}) {
      const QString path = config_.Path(QString::fromLatin1(name));
      QDir().mkpath(QFileInfo(path).path());
      WriteAll(path, "x");
    }
    form_ = std::make_unique<TFmMain>();
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    GlobalSettings() = DefaultSettings();
  }

  // Runs Add Dir on `dirs`, answering its dialog with OK.
  void AddDir(const QString& dirs, bool recursive) {
    AnswerNextModal([this, dirs, recursive](QWidget* modal) {
      EXPECT_EQ(modal, form_->FmAddDir);
      form_->FmAddDir->folderEdit->setText(dirs);
      form_->FmAddDir->recursiveCheck->setChecked(recursive);
      form_->FmAddDir->okButton->click();
    });
    form_->BtnAddDir->click();
  }
  QString Panel(int i) const { return form_->StatusPanels[static_cast<std::size_t>(i)]->text(); }

  TempConfig config_;
  std::unique_ptr<TFmMain> form_;
};

TEST_F(MainWindowCommandsTest, AddDirWithoutRecursionAddsTopFolderWorkbooks) {
  AddDir(config_.Path("tree"), false);
  EXPECT_EQ(form_->RowCount(), 2);
  EXPECT_EQ(Panel(2), "Done Scanning, add 2 file(s).");
  EXPECT_EQ(Panel(1), "2 File(s)");
  EXPECT_FALSE(form_->FmCancelFind->isVisible());
  EXPECT_EQ(GlobalSettings().adddir, config_.Path("tree"));
}

TEST_F(MainWindowCommandsTest, AddDirRecursiveThenAgainAddsNothingNew) {
  AddDir(config_.Path("tree"), true);
  EXPECT_EQ(form_->RowCount(), 3);
  EXPECT_EQ(Panel(2), "Done Scanning, add 3 file(s).");
  QStringList names;
  for (int row = 0; row < form_->RowCount(); ++row) names << form_->SubItemOf(row, TFmMain::SubName);
  names.sort();
  EXPECT_EQ(names, (QStringList{"a.xls", "b.XLSX", "d.xls"}));

  AddDir(config_.Path("tree"), true);
  EXPECT_EQ(form_->RowCount(), 3);
  EXPECT_EQ(Panel(2), "Done Scanning, add 0 file(s).");
}

TEST_F(MainWindowCommandsTest, AddDirCancelledAddsNothing) {
  AnswerNextModal([this](QWidget*) { form_->FmAddDir->cancelButton->click(); });
  form_->ExecuteCommand(TFmMain::CmdAddDir);
  EXPECT_EQ(form_->RowCount(), 0);
  EXPECT_EQ(Panel(2), "");
}

TEST_F(MainWindowCommandsTest, DroppedFolderOpensAddDirWithIt) {
  QString shown;
  AnswerNextModal([this, &shown](QWidget*) {
    shown = form_->FmAddDir->folderEdit->text();
    form_->FmAddDir->okButton->click();
  });
  form_->DropFiles({config_.Path("tree")});
  EXPECT_EQ(shown, config_.Path("tree"));
  EXPECT_EQ(form_->RowCount(), 2);
}

TEST_F(MainWindowCommandsTest, OptionsOkStoresAtOnce) {
  AnswerNextModal([this](QWidget* modal) {
    EXPECT_EQ(modal, form_->FmOption);
    form_->FmOption->codePageCombo->setEditText("65001");
    form_->FmOption->okButton->click();
  });
  form_->BtnOption->click();
  EXPECT_EQ(GlobalSettings().sourcecode, 65001);
}

TEST_F(MainWindowCommandsTest, AddDirChoicesReachSettingsWhenWindowGoes) {
  form_->FmAddDir->invertSelectionButton->click();  // both types unticked
  form_->FmAddDir->recursiveCheck->setChecked(true);
  form_.reset();
  EXPECT_FALSE(GlobalSettings().selext1);
  EXPECT_FALSE(GlobalSettings().selext2);
  EXPECT_TRUE(GlobalSettings().recursive);
}

}  // namespace
}  // namespace tabulox
