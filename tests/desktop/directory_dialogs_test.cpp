#include <gtest/gtest.h>

#include <QSemaphore>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

#include "desktop/add_dir_search.h"
#include "desktop/add_folder_dialog.h"
#include "desktop/directory_dialog.h"
#include "desktop/folder_scan.h"
#include "desktop/picker_folder.h"
#include "desktop/scan_cancel_dialog.h"
#include "message_box_closer.h"
#include "modal_answer.h"
#include "temp_dir.h"
#include "wait_until.h"

namespace tabulox {
namespace {

using testing::AnswerFolderPicker;
using testing::CloseNextMessageBox;
using testing::WaitUntil;
using testing::SeenMessageBox;

struct ButtonStates {
  bool add, replace, del;
  bool operator==(const ButtonStates&) const = default;
};

ButtonStates States(const DirectoryDialog& d) {
  return {d.addButton->isEnabled(), d.replaceButton->isEnabled(), d.deleteButton->isEnabled()};
}

TEST(DirectoryDialogTest, LoadListSelectsFirstEntry) {
  DirectoryDialog dialog("");
  dialog.loadList("/srv/a;/srv/b");
  EXPECT_EQ(dialog.entries(), (QStringList{"/srv/a", "/srv/b"}));
  EXPECT_EQ(dialog.folderList->currentRow(), 0);
  EXPECT_EQ(dialog.folderEdit->text(), "/srv/a");
  EXPECT_EQ(States(dialog), (ButtonStates{false, false, true}));
}

TEST(DirectoryDialogTest, LoadListWithoutEntriesKeepsEditText) {
  DirectoryDialog dialog("/srv/a");
  dialog.folderEdit->setText("/typed");
  dialog.loadList("");
  EXPECT_TRUE(dialog.entries().isEmpty());
  EXPECT_EQ(dialog.folderEdit->text(), "/typed");
  EXPECT_EQ(States(dialog), (ButtonStates{false, false, false}));
}

TEST(DirectoryDialogTest, LoadListSkipsEmptyPieces) {
  DirectoryDialog dialog(";/srv/a;;/srv/b;");
  EXPECT_EQ(dialog.entries(), (QStringList{"/srv/a", "/srv/b"}));
}

TEST(DirectoryDialogTest, AddEnabledOnlyForNewNonEmptyText) {
  DirectoryDialog dialog("/srv/a;/srv/b");
  dialog.folderEdit->setText("/SRV/B");  // already an entry, case ignored
  EXPECT_EQ(States(dialog), (ButtonStates{false, false, true}));
  dialog.folderEdit->setText("/srv/c");
  EXPECT_EQ(States(dialog), (ButtonStates{true, true, true}));
  dialog.folderEdit->setText("/srv/b/");  // compared whole
  EXPECT_EQ(States(dialog), (ButtonStates{true, true, true}));
  dialog.folderEdit->clear();
  EXPECT_EQ(States(dialog), (ButtonStates{false, false, true}));
}

TEST(DirectoryDialogTest, AddAppendsUnselectedAndReevaluates) {
  DirectoryDialog dialog("/srv/a");
  dialog.folderEdit->setText("/srv/c");
  dialog.addButton->click();
  EXPECT_EQ(dialog.entries(), (QStringList{"/srv/a", "/srv/c"}));
  EXPECT_FALSE(dialog.folderList->item(1)->isSelected());
  EXPECT_FALSE(dialog.addButton->isEnabled());  // now an entry
}

TEST(DirectoryDialogTest, ClickingAnEntryEditsIt) {
  DirectoryDialog dialog("/srv/a;/srv/b");
  dialog.folderList->setCurrentRow(1);
  EXPECT_EQ(dialog.folderEdit->text(), "/srv/b");
  dialog.folderList->clearSelection();
  EXPECT_EQ(dialog.folderEdit->text(), "");
}

TEST(DirectoryDialogTest, ReplaceChangesSelectedEntry) {
  DirectoryDialog dialog("/srv/a;/srv/b");
  dialog.folderList->setCurrentRow(1);
  dialog.folderEdit->setText("/srv/d");
  dialog.replaceButton->click();
  EXPECT_EQ(dialog.entries(), (QStringList{"/srv/a", "/srv/d"}));
  EXPECT_FALSE(dialog.replaceButton->isEnabled());
}

TEST(DirectoryDialogTest, DeleteRemovesSelectedAndEmptiesField) {
  DirectoryDialog dialog("/srv/a;/srv/b;/srv/c");
  dialog.folderList->setCurrentRow(1);
  dialog.deleteButton->click();
  EXPECT_EQ(dialog.entries(), (QStringList{"/srv/a", "/srv/c"}));
  EXPECT_EQ(dialog.folderEdit->text(), "");
  EXPECT_TRUE(dialog.folderList->selectedItems().isEmpty());
  EXPECT_TRUE(dialog.deleteButton->isEnabled());
  dialog.deleteButton->click();  // nothing selected: the list stays
  EXPECT_EQ(dialog.entries().size(), 2);
}

TEST(DirectoryDialogTest, EnterAddsATypedFolderBeforeClosing) {
  DirectoryDialog dialog("/srv/a");
  dialog.show();
  dialog.folderEdit->setFocus();
  dialog.folderEdit->setText("/srv/typed");
  QTest::keyClick(dialog.folderEdit, Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.entries(), (QStringList{"/srv/a", "/srv/typed"}));
  // A field that holds an entry adds nothing.
  dialog.show();
  dialog.folderList->setCurrentRow(0);
  dialog.okButton->click();
  EXPECT_EQ(dialog.entries(), (QStringList{"/srv/a", "/srv/typed"}));
}

TEST(DirectoryDialogTest, BrowseOpensAtTheEditedFolderElseTheOneChosenLast) {
  TempDir edited;
  TempDir chosen;
  DirectoryDialog dialog(QString::fromStdString(edited.Path()));
  QString shown;
  AnswerFolderPicker(QString::fromStdString(chosen.Path()), &shown);
  dialog.browseButton->click();
  EXPECT_EQ(shown, QString::fromStdString(edited.Path()));
  EXPECT_EQ(dialog.folderEdit->text(), QString::fromStdString(chosen.Path()));

  dialog.folderEdit->setText(QString::fromStdString(edited.Path() + "/missing"));
  AnswerFolderPicker(QString(), &shown);
  dialog.browseButton->click();
  EXPECT_EQ(shown, QString::fromStdString(chosen.Path()));
  EXPECT_EQ(dialog.folderEdit->text(), QString::fromStdString(edited.Path() + "/missing"));  // cancelled
}

class AddDirDialogTest : public ::testing::Test {
 protected:
  ProgramSettings settings_;
  DirectoryDialog directory_{settings_.addFolders};
};

TEST_F(AddDirDialogTest, TypeLinesShowPatternsAndStoredTicks) {
  settings_.scannedTypes[FileTypeIndex(FileType::kXls)] = false;
  settings_.recurseFolders = true;
  settings_.addFolders = "/srv/a;/srv/b";
  AddFolderDialog dialog(settings_, directory_);
  ASSERT_EQ(dialog.typeList->count(), static_cast<int>(kFileTypes.size()));
  EXPECT_EQ(dialog.typeList->item(0)->text(), "Excel 95, 97-2007 File(*.xls)");
  EXPECT_EQ(dialog.typeList->item(2)->text(), "Excel Open XML File(*.xlsx)");
  EXPECT_EQ(dialog.typeList->item(6)->text(), "Excel Binary File(*.xlsb)");
  EXPECT_FALSE(dialog.isTypeTicked(FileType::kXls));
  EXPECT_TRUE(dialog.isTypeTicked(FileType::kXlsx));
  EXPECT_TRUE(dialog.isTypeTicked(FileType::kXlt));
  EXPECT_TRUE(dialog.isRecursive());
  EXPECT_EQ(dialog.folderEdit->text(), "/srv/a;/srv/b");

  settings_.xlsExtraPatterns = "*.xlt;*.XLW";  // changed in between, e.g. by hand
  dialog.show();
  EXPECT_EQ(dialog.typeList->item(0)->text(), "Excel 95, 97-2007 File(*.xls;*.xlt;*.XLW)");
  EXPECT_FALSE(dialog.isTypeTicked(FileType::kXls));
}

TEST_F(AddDirDialogTest, SelectionButtons) {
  settings_.scannedTypes[FileTypeIndex(FileType::kXlsx)] = false;
  AddFolderDialog dialog(settings_, directory_);
  const auto ticked = [&dialog] {
    std::string ticks;
    for (bool tick : dialog.tickedTypes()) ticks += tick ? 'x' : '.';
    return ticks;
  };
  EXPECT_EQ(ticked(), "xx.xxxxxxx");
  dialog.invertSelectionButton->click();
  EXPECT_EQ(ticked(), "..x.......");
  dialog.selectAllButton->click();
  EXPECT_EQ(ticked(), "xxxxxxxxxx");
  dialog.selectNoneButton->click();
  EXPECT_EQ(ticked(), "..........");
}

TEST_F(AddDirDialogTest, OkWithoutTickedTypeStaysOpen) {
  AddFolderDialog dialog(settings_, directory_);
  dialog.show();
  dialog.selectNoneButton->click();
  dialog.folderEdit->setText("/srv/x");
  SeenMessageBox seen;
  CloseNextMessageBox(seen);
  dialog.okButton->click();
  EXPECT_EQ(seen.count, 1);
  EXPECT_EQ(seen.caption, "Error");
  EXPECT_EQ(seen.text, "Please select the type of file to be converted!");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(settings_.addFolders, "/srv/x");  // stored before the check

  dialog.selectAllButton->click();
  dialog.okButton->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(AddDirDialogTest, ChoicesReachSettingsWhenDestroyed) {
  {
    AddFolderDialog dialog(settings_, directory_);
    dialog.invertSelectionButton->click();
    dialog.setRecursive(true);
    EXPECT_TRUE(settings_.scannedTypes[FileTypeIndex(FileType::kXls)]);  // not before the end
  }
  for (bool tick : settings_.scannedTypes) EXPECT_FALSE(tick);
  EXPECT_TRUE(settings_.recurseFolders);
}

TEST_F(AddDirDialogTest, BrowseTakesDirectoryListJoined) {
  AddFolderDialog dialog(settings_, directory_);
  dialog.folderEdit->setText("/srv/a;/srv/b");
  QTimer::singleShot(0, [this] {
    EXPECT_EQ(directory_.entries(), (QStringList{"/srv/a", "/srv/b"}));
    directory_.folderEdit->setText("/srv/c");
    directory_.addButton->click();
    directory_.okButton->click();
  });
  dialog.browseButton->click();
  EXPECT_EQ(dialog.folderEdit->text(), "/srv/a;/srv/b;/srv/c");

  QTimer::singleShot(0, [this] {
    directory_.deleteButton->click();
    directory_.cancelButton->click();
  });
  dialog.browseButton->click();
  EXPECT_EQ(dialog.folderEdit->text(), "/srv/a;/srv/b;/srv/c");
}

TEST(BuildSearchExtsTest, TickedTypesWithExtraPatterns) {
  ProgramSettings settings;
  EXPECT_EQ(BuildSearchExts(settings, {true, false, true, false, false, false, false}), "*.xls|*.xlsx|");
  EXPECT_EQ(BuildSearchExts(settings, {true, true, true, true, true, true, true}),
            "*.xls|*.xlt|*.xlsx|*.xlsm|*.xltx|*.xltm|*.xlsb|");
  EXPECT_EQ(BuildSearchExts(settings, {false, false, false, false, false, false, true}), "*.xlsb|");
  EXPECT_EQ(BuildSearchExts(settings, {}), "");
  settings.xlsExtraPatterns = "*.xlw;*.XLW2";
  EXPECT_EQ(BuildSearchExts(settings, {true, false, true, false, false, false, false}), "*.xls|*.xlw|*.XLW2|*.xlsx|");
}

// The whole search of the Add Dir command, from the dialog's choices to the
// files found, run on the scan's own thread.
class AddDirSearchTest : public ::testing::Test {
 protected:
  AddDirSearchTest() {
    tree_.WriteFile("a.xls", "x");
    tree_.WriteFile("b.XLSX", "x");
    tree_.WriteFile("c.txt", "x");
    tree_.WriteFile(".hidden.xls", "x");
    tree_.WriteFile(".hiddendir/e.xls", "x");
    tree_.WriteFile("sub/d.xls", "x");
    tree_.WriteFile("book.xls/readme.txt", "x");
    QObject::connect(&scan_, &AddDirSearch::fileFound, [this](const QString& path) {
      found_.push_back(path.toStdString());
    });
    QObject::connect(&scan_, &AddDirSearch::folderEntered, [this](const QString& folder) {
      progress_.showFolder(folder);
      folders_.push_back(progress_.folderBar->currentMessage().toStdString());
    });
    QObject::connect(&scan_, &AddDirSearch::finished, [this] { ++finished_; });
  }
  std::vector<std::string> Run() {
    scan_.start(dialog_, settings_);
    EXPECT_TRUE(scan_.isRunning());
    EXPECT_TRUE(WaitUntil([this] { return !scan_.isRunning(); }));
    EXPECT_EQ(finished_, 1);
    std::sort(found_.begin(), found_.end());
    return found_;
  }

  TempDir tree_;
  ProgramSettings settings_;
  DirectoryDialog directory_{settings_.addFolders};
  AddFolderDialog dialog_{settings_, directory_};
  FileSearch search_;
  ScanCancelDialog progress_{search_};
  AddDirSearch scan_{search_};
  std::vector<std::string> found_;
  std::vector<std::string> folders_;
  int finished_ = 0;
};

TEST_F(AddDirSearchTest, RecursionOff) {
  settings_.addFolders = QString::fromStdString(tree_.Path());
  dialog_.setRecursive(false);
  const std::string root = tree_.Path() + "/";
  EXPECT_EQ(Run(), (std::vector<std::string>{root + "a.xls", root + "b.XLSX"}));
  EXPECT_EQ(folders_, std::vector<std::string>{root});
}

TEST_F(AddDirSearchTest, RecursionOn) {
  settings_.addFolders = QString::fromStdString(tree_.Path());
  dialog_.setRecursive(true);
  const std::string root = tree_.Path() + "/";
  EXPECT_EQ(Run(), (std::vector<std::string>{root + "a.xls", root + "b.XLSX", root + "sub/d.xls"}));
  EXPECT_EQ(folders_.size(), 3u);  // root, sub, book.xls
}

TEST_F(AddDirSearchTest, OnlyTickedType) {
  settings_.addFolders = QString::fromStdString(tree_.Path());
  dialog_.typeList->item(0)->setCheckState(Qt::Unchecked);
  dialog_.setRecursive(true);
  EXPECT_EQ(Run(), std::vector<std::string>{tree_.Path() + "/b.XLSX"});
}

// The scan is held inside the first folder until the progress dialog's
// button has been clicked on this thread.
TEST_F(AddDirSearchTest, CancelButtonDuringFirstFolderSkipsSecond) {
  TempDir second;
  second.WriteFile("z.xls", "x");
  settings_.addFolders = QString::fromStdString(tree_.Path() + ";" + second.Path());
  QSemaphore inFirstFolder;
  QSemaphore clicked;
  QObject::connect(
      &scan_, &AddDirSearch::fileFound, &scan_,
      [&] {
        inFirstFolder.release();
        clicked.tryAcquire(1, 30000);
      },
      Qt::DirectConnection);
  scan_.start(dialog_, settings_);
  ASSERT_TRUE(inFirstFolder.tryAcquire(1, 30000));
  progress_.cancelButton->click();
  clicked.release();
  EXPECT_TRUE(WaitUntil([this] { return !scan_.isRunning(); }));
  EXPECT_EQ(found_.size(), 1u);
  EXPECT_EQ(folders_, std::vector<std::string>{tree_.Path() + "/"});
}

// A stop() left from an earlier scan does not stop the next one.
TEST_F(AddDirSearchTest, StartClearsAnEarlierStop) {
  settings_.addFolders = QString::fromStdString(tree_.Path());
  search_.stop();
  EXPECT_EQ(Run().size(), 2u);
}

TEST_F(AddDirSearchTest, EscapeAndClosingStopTheSearch) {
  progress_.show();
  progress_.reject();
  EXPECT_TRUE(search_.userStopped());
  search_.clearStop();
  progress_.close();
  EXPECT_TRUE(search_.userStopped());
}

TEST_F(AddDirSearchTest, MissingAndEmptyPiecesSkipped) {
  settings_.addFolders = QString::fromStdString(";" + tree_.Path() + "/nothing;;" + tree_.Path() + ";");
  EXPECT_EQ(Run().size(), 2u);
}

}  // namespace
}  // namespace tabulox
