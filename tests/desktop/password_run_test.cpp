// A run that meets a workbook no password so far opens asks for one, on the
// real engine: the password is used for that workbook, or for the rest of
// the run when the box is ticked, and kept in no file.
#include <gtest/gtest.h>

#include <QApplication>

#include "desktop/activity_log.h"
#include "desktop/conversion_cancel_dialog.h"
#include "desktop/main_window.h"
#include "desktop/password_dialog.h"
#include "desktop/settings_file.h"
#include "modal_answer.h"
#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "support/workbook_encryption.h"
#include "temp_config.h"
#include "wait_until.h"

namespace tabulox {
namespace {

using testing::AnswerNextModal;
using testing::ReadAll;
using testing::TempConfig;
using testing::WaitUntil;

// A workbook of one sheet encrypted with RC4 and `password`.
QByteArray EncryptedWorkbook(std::u16string_view password) {
  testing::BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.Record(0x002F, testing::FilePassPayload(testing::BiffEncryption::kRc4, password));
  w.Sst({u"hidden text"});
  const auto sheet = w.BoundSheet(u"Vault");
  w.Eof();
  w.StartSheet(sheet);
  w.LabelSst(0, 0, 0, 0);
  w.Number(0, 1, 0, 7);
  w.Eof();
  std::vector<std::uint8_t> stream(w.bytes().begin(), w.bytes().end());
  testing::EncryptBiffStream(stream, testing::BiffEncryption::kRc4, password);
  const std::vector<std::uint8_t> file = testing::WriteCompoundFile({{u"Workbook", stream}});
  return QByteArray(reinterpret_cast<const char*>(file.data()), static_cast<qsizetype>(file.size()));
}

const QByteArray kVaultText = "\xEF\xBB\xBFVault\r\nhidden text\t7\r\n\r\n";

class PasswordRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetFolder = WithTrailingSlash(config_.Path(QStringLiteral("out")));
    GlobalSettings().outputCodePage = 65001;
    form_ = std::make_unique<MainWindow>();
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    GlobalSettings() = DefaultSettings();
  }
  void AddVault(const QString& name) {
    const QString path = config_.Path(name);
    testing::WriteAll(path, EncryptedWorkbook(u"secret"));
    form_->addFile(path);
  }
  // Answers the next password question with `password` (Skip when empty).
  void Answer(const QString& password, bool forRestOfRun, std::function<void()> then = {}) {
    AnswerNextModal([this, password, forRestOfRun, then](QWidget* modal) {
      auto* dialog = qobject_cast<PasswordDialog*>(modal);
      ASSERT_NE(dialog, nullptr);
      ++asked_;
      if (form_->cancelConvertDialog->isVisible()) ++progressShownWhileAsked_;
      if (then) then();
      if (password.isEmpty()) {
        dialog->skipButton->click();
        return;
      }
      dialog->passwordEdit->setText(password);
      dialog->restOfRunCheck->setChecked(forRestOfRun);
      dialog->okButton->click();
    });
  }
  void Convert() {
    form_->convertFiles(MainWindow::RunMode::kAll);
    EXPECT_TRUE(WaitUntil([this] { return !form_->isConverting(); }));
  }
  QString Cell(int row, FileListModel::Column column) const { return form_->cellText(row, column); }

  TempConfig config_;
  std::unique_ptr<MainWindow> form_;
  int asked_ = 0;
  int progressShownWhileAsked_ = 0;
};

TEST_F(PasswordRunTest, WrongThenRightPasswordOpensItAndServesTheRestOfTheRun) {
  AddVault(QStringLiteral("first.xls"));
  AddVault(QStringLiteral("second.xls"));
  Answer(QStringLiteral("wrong"), false, [this] { Answer(QStringLiteral("secret"), true); });
  Convert();
  EXPECT_EQ(asked_, 2);  // the second workbook opened with the password of the first
  EXPECT_EQ(progressShownWhileAsked_, 0);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(form_->stateOf(row), FileListModel::RowState::kConverted) << row;
    EXPECT_EQ(ReadAll(Cell(row, FileListModel::Column::kTarget)), kVaultText) << row;
  }

  // Nothing the program writes keeps the password.
  form_->saveJobFile(config_.Path(QStringLiteral("list.job")));
  WriteSettingsFile(config_.Path(QStringLiteral("settings.dat")), GlobalSettings());
  for (const QString& file : {LogFilePath(), config_.Path(QStringLiteral("list.job")),
                              config_.Path(QStringLiteral("settings.dat"))}) {
    const QByteArray bytes = ReadAll(file);
    EXPECT_FALSE(bytes.contains("secret")) << file.toStdString();
    EXPECT_FALSE(bytes.contains(QByteArray("s\0e\0c\0r\0e\0t", 12))) << file.toStdString();
  }

  // A new run asks again.
  form_->fileListModel->setState(0, FileListModel::RowState::kWaiting);
  Answer(QString(), false);
  Convert();
  EXPECT_EQ(asked_, 3);
}

TEST_F(PasswordRunTest, SkipFailsTheWorkbookAsEncryptedAndTheRunGoesOn) {
  AddVault(QStringLiteral("first.xls"));
  AddVault(QStringLiteral("second.xls"));
  Answer(QString(), false, [this] { Answer(QStringLiteral("secret"), false); });
  Convert();
  EXPECT_EQ(asked_, 2);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kFailed);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("Extracting text from source file not allowed"));
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kConverted);
}

}  // namespace
}  // namespace tabulox
