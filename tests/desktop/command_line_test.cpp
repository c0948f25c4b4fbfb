// Files and folders handed over on the command line, and where the file
// picker opens.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QUrl>
#include <memory>

#include "desktop/add_folder_dialog.h"
#include "desktop/command_line.h"
#include "desktop/main_window.h"
#include "desktop/picker_folder.h"
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

class StartPathsTest : public ::testing::Test {
 protected:
  StartPathsTest() {
    QDir().mkpath(config_.Path("work/sub"));
    WriteAll(config_.Path("work/book.xls"), "x");
  }
  QString Work(const QString& name) const { return config_.Path("work/" + name); }

  TempConfig config_;
};

TEST_F(StartPathsTest, NamesBecomeAbsoluteAndSortedByKind) {
  const StartPaths paths = SortStartPaths(
      {"book.xls", "sub", Work("sub/"), "sub/../other.xlsx", QUrl::fromLocalFile(Work("book.xls")).toString(),
       "gone.xls", "", "-dash.xls"},
      Work(""));
  EXPECT_EQ(paths.files, (QStringList{Work("book.xls"), Work("other.xlsx"), Work("book.xls"), Work("gone.xls"),
                                      Work("-dash.xls")}));
  EXPECT_EQ(paths.folders, (QStringList{Work("sub"), Work("sub")}));
}

TEST_F(StartPathsTest, ArgumentsAfterTheProgramNameAreThePaths) {
  const QString saved = QDir::currentPath();
  QDir::setCurrent(Work(""));
  const StartPaths paths = ParseCommandLine({"Tabulox", "book.xls", "--", "-dash.xls", "sub"});
  QDir::setCurrent(saved);
  EXPECT_EQ(paths.files, (QStringList{Work("book.xls"), Work("-dash.xls")}));
  EXPECT_EQ(paths.folders, QStringList{Work("sub")});
  EXPECT_TRUE(ParseCommandLine({"Tabulox"}).files.isEmpty());
}

class StartWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetFolder = WithTrailingSlash(config_.Path("out"));
    QDir().mkpath(config_.Path("src/tree/sub"));
    for (const char* name : {"src/a.xls", "src/b.xlsx", "src/tree/c.xls", "src/tree/sub/d.xlsx"}) {
      WriteAll(config_.Path(name), "x");
    }
  }
  void TearDown() override {
    window_.reset();
    GlobalSettings() = DefaultSettings();
  }
  void NewWindow() {
    window_.reset();
    window_ = std::make_unique<MainWindow>();
    window_->show();
  }
  QStringList Sources() const {
    QStringList sources;
    for (int row = 0; row < window_->rowCount(); ++row) sources << window_->cellText(row, FileListModel::Column::kSource);
    return sources;
  }

  TempConfig config_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(StartWindowTest, FilesJoinTheSavedListAndFoldersOpenAddDirectory) {
  NewWindow();
  window_->addFile(config_.Path("src/a.xls"));
  NewWindow();  // the list saved and loaded again, as at a restart

  QString shownFolders;
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<AddFolderDialog*>(modal);
    if (dialog == nullptr) {
      ADD_FAILURE() << "no Add directory dialog";
      modal->close();
      return;
    }
    shownFolders = dialog->folderEdit->text();
    dialog->setRecursive(false);
    dialog->okButton->click();
  });
  window_->addStartPaths({config_.Path("src/b.xlsx"), config_.Path("src/a.xls")},
                         {config_.Path("src/tree"), config_.Path("src/tree/sub")});
  ASSERT_TRUE(WaitUntil([this] { return !window_->isScanning(); }));

  EXPECT_EQ(shownFolders, config_.Path("src/tree") + ';' + config_.Path("src/tree/sub"));
  EXPECT_EQ(Sources(), (QStringList{config_.Path("src/a.xls"), config_.Path("src/b.xlsx"),
                                    config_.Path("src/tree/c.xls"), config_.Path("src/tree/sub/d.xlsx")}));
  EXPECT_EQ(window_->countPanel->text(), "4 File(s)");
}

TEST_F(StartWindowTest, FilesAloneOpenNoDialog) {
  NewWindow();
  window_->addStartPaths({config_.Path("src/a.xls"), config_.Path("src/notes.txt")}, {});
  EXPECT_EQ(Sources(), QStringList{config_.Path("src/a.xls")});
  EXPECT_EQ(window_->messagePanel->text(), "File [" + config_.Path("src/notes.txt") + "] type not support!");
  EXPECT_EQ(window_->countPanel->text(), "1 File(s)");
  EXPECT_FALSE(window_->addDirDialog->isVisible());
}

// The documents folder comes from the XDG user directories file, which the
// temporary configuration folder holds.
class PickerFolderTest : public StartWindowTest {
 protected:
  void SetUp() override {
    StartWindowTest::SetUp();
    QDir().mkpath(config_.Path("documents"));
    WriteAll(config_.Path("user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"" + config_.Path("documents").toUtf8() + "\"\n");
  }
  // The folder the file picker shows when it opens; the picker is cancelled,
  // or accepted with `choose` when given.
  QString OpenFilePicker(const QString& choose = QString()) {
    QString shown;
    AnswerNextModal([&](QWidget* modal) {
      auto* picker = qobject_cast<QFileDialog*>(modal);
      if (picker == nullptr) {
        ADD_FAILURE() << "no file picker";
        modal->close();
        return;
      }
      shown = picker->directory().absolutePath();
      if (choose.isEmpty()) {
        picker->reject();
        return;
      }
      // As a user does it: the file's folder, its name typed, then Open.
      picker->setDirectory(QFileInfo(choose).path());
      auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (name == nullptr) {
        ADD_FAILURE() << "no file name field";
        picker->reject();
        return;
      }
      name->setText(QFileInfo(choose).fileName());
      static_cast<QDialog*>(picker)->accept();
    });
    window_->addFileAction->trigger();
    return shown;
  }
};

TEST_F(PickerFolderTest, FilePickerStartsInDocumentsThenInTheFolderUsedLast) {
  {
    const QString gone = config_.Path("gone");
    QDir().mkpath(gone);
    RememberPickerFolder(gone);  // whatever an earlier test left, now missing
    QDir(gone).removeRecursively();
  }
  NewWindow();
  EXPECT_EQ(OpenFilePicker(), config_.Path("documents"));
  EXPECT_EQ(OpenFilePicker(config_.Path("src/tree/c.xls")), config_.Path("documents"));
  EXPECT_EQ(window_->rowCount(), 1);
  EXPECT_EQ(OpenFilePicker(), config_.Path("src/tree"));
  EXPECT_EQ(PickerStartFolder(config_.Path("src")), config_.Path("src"));  // an existing preferred folder wins
  EXPECT_EQ(PickerStartFolder(config_.Path("nowhere")), config_.Path("src/tree"));
}

}  // namespace
}  // namespace tabulox
