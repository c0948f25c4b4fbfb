// The log viewer's export through its file dialog and its buttons.
#include "desktop/log_viewer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>

#include "desktop/activity_log.h"
#include "desktop/picker_folder.h"
#include "desktop/settings_file.h"
#include "modal_answer.h"
#include "temp_config.h"

namespace tabulox {
namespace {

using testing::AnswerNextModal;
using testing::ReadAll;
using testing::TempConfig;

class LogViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    WriteLog(QStringLiteral("Conversion start..."));
    QDir().mkpath(config_.Path("last"));
    QDir().mkpath(config_.Path("export"));
    RememberPickerFolder(config_.Path("last"));
    viewer_.loadLog();
    viewer_.show();
  }
  void TearDown() override { GlobalSettings() = DefaultSettings(); }

  TempConfig config_;
  LogViewer viewer_;
};

TEST_F(LogViewerTest, ExportOpensInTheFolderUsedLastAndRemembersItsOwn) {
  QString shown;
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr || dialog != viewer_.exportDialog) {
      ADD_FAILURE() << "no export dialog";
      modal->close();
      return;
    }
    shown = dialog->directory().absolutePath();
    dialog->setDirectory(config_.Path("export"));
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("copy"));
    static_cast<QDialog*>(dialog)->accept();
  });
  viewer_.exportButton->click();
  EXPECT_EQ(shown, config_.Path("last"));
  EXPECT_EQ(ReadAll(config_.Path("export/copy.log")), ReadAll(LogFilePath()));  // ".log" added to the name
  EXPECT_EQ(PickerStartFolder(), config_.Path("export"));
  EXPECT_TRUE(viewer_.isVisible());  // the viewer stays open
}

TEST_F(LogViewerTest, ExportCancelledWritesNothing) {
  AnswerNextModal([](QWidget* modal) { modal->close(); });
  viewer_.exportButton->click();
  EXPECT_TRUE(QDir(config_.Path("export")).isEmpty());
  EXPECT_EQ(PickerStartFolder(), config_.Path("last"));
}

TEST_F(LogViewerTest, CloseButtonClosesWithoutTouchingTheLog) {
  viewer_.closeButton->click();
  EXPECT_FALSE(viewer_.isVisible());
  EXPECT_TRUE(QFile::exists(LogFilePath()));
}

}  // namespace
}  // namespace tabulox
