#include <gtest/gtest.h>

#include "desktop/code_page_list.h"
#include "desktop/file_types.h"
#include "desktop/options_dialog.h"
#include "message_box_closer.h"
#include "modal_answer.h"
#include "temp_dir.h"

namespace tabulox {
namespace {

using testing::AnswerFolderPicker;
using testing::CloseNextMessageBox;
using testing::SeenMessageBox;

struct DisplayCase {
  std::int32_t codePage;
  const char* text;
};

class CodePageDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(CodePageDisplayTest, ShowsEntryOrBareNumber) {
  EXPECT_EQ(CodePageDisplayText(GetParam().codePage).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CodePageDisplayTest,
    ::testing::Values(DisplayCase{65001, "65001 Unicode (UTF-8)"}, DisplayCase{0, "0         Default"},
                      DisplayCase{1252, "1252   Latin 1: European Western"}, DisplayCase{874, "874     Thai"},
                      DisplayCase{20127, "20127"}, DisplayCase{437, "437"},
                      // A prefix of an entry's number is not that entry.
                      DisplayCase{125, "125"}, DisplayCase{-1, "-1"}));

struct ParseCase {
  const char* text;
  std::optional<std::int32_t> codePage;
};

class CodePageParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CodePageParseTest, EntryOrWholeNumber) {
  EXPECT_EQ(ParseCodePageText(QString::fromUtf8(GetParam().text)), GetParam().codePage) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CodePageParseTest,
    ::testing::Values(ParseCase{"437", 437}, ParseCase{"1200   Unicode (UTF-16, ISO 10646)", 1200},
                      ParseCase{"65001 UNICODE (utf-8)", 65001}, ParseCase{"0         Default", 0},
                      ParseCase{"20127", 20127}, ParseCase{"-3", -3}, ParseCase{"abc", std::nullopt},
                      ParseCase{"", std::nullopt}, ParseCase{"12.5", std::nullopt},
                      ParseCase{"1252   Latin", std::nullopt},  // not a whole entry
                      ParseCase{"99999999999", std::nullopt}));

TEST(CodePageEntriesTest, ListOrderAndTexts) {
  const QStringList& entries = CodePageEntries();
  ASSERT_EQ(entries.size(), 17);
  EXPECT_EQ(entries.first(), "0         Default");
  EXPECT_EQ(entries[3], "65001 Unicode (UTF-8)");
  EXPECT_EQ(entries.last(), "1361   Korean Johab");
  for (const QString& entry : entries) EXPECT_TRUE(ParseCodePageText(entry).has_value()) << entry.toStdString();
}

class OptionDialogTest : public ::testing::Test {
 protected:
  OptionDialogTest() {
    settings_.targetFolder = "/home/user/out/";
    settings_.outputCodePage = 65001;
    settings_.overwritePolicy = 2;
    settings_.xlsExtraPatterns = "*.xlw";
    settings_.xlsxExtraPatterns = "*.XLSX2";
  }
  void Open() { dialog_.show(); }

  ProgramSettings settings_;
  OptionsDialog dialog_{settings_, QString()};
};

TEST_F(OptionDialogTest, ShowingLoadsStoredValues) {
  Open();
  EXPECT_EQ(dialog_.targetFolderEdit->text(), "/home/user/out/");
  EXPECT_FALSE(dialog_.sameFolderCheck->isChecked());
  EXPECT_EQ(dialog_.overwritePolicyCombo->currentText(), "Prompt");
  EXPECT_EQ(dialog_.codePageCombo->currentText(), "65001 Unicode (UTF-8)");
  EXPECT_EQ(dialog_.codePageCombo->count(), 17);
  EXPECT_TRUE(dialog_.pages->isTabVisible(OptionsDialog::kPageGeneral));
  EXPECT_FALSE(dialog_.pages->isTabVisible(OptionsDialog::kPageFileExtension));
  EXPECT_EQ(dialog_.pages->count(), 2);
}

TEST_F(OptionDialogTest, CodePageNotInListShowsNumber) {
  settings_.outputCodePage = 20127;
  Open();
  EXPECT_EQ(dialog_.codePageCombo->currentText(), "20127");
}

TEST_F(OptionDialogTest, SameDirBoxDisablesTargetField) {
  settings_.targetBesideSource = true;
  Open();
  EXPECT_FALSE(dialog_.targetFolderEdit->isEnabled());
  EXPECT_FALSE(dialog_.browseButton->isEnabled());
  dialog_.sameFolderCheck->click();
  EXPECT_TRUE(dialog_.targetFolderEdit->isEnabled());
  EXPECT_TRUE(dialog_.browseButton->isEnabled());
  dialog_.sameFolderCheck->click();
  EXPECT_FALSE(dialog_.targetFolderEdit->isEnabled());
  EXPECT_FALSE(dialog_.browseButton->isEnabled());
}

TEST_F(OptionDialogTest, OkStoresFieldsAtOnce) {
  Open();
  dialog_.targetFolderEdit->setText("/data/text");
  dialog_.sameFolderCheck->click();
  dialog_.overwritePolicyCombo->setCurrentIndex(1);
  dialog_.codePageCombo->setEditText("437");
  dialog_.okButton->click();
  EXPECT_EQ(dialog_.result(), QDialog::Accepted);
  EXPECT_EQ(settings_.targetFolder, "/data/text/");
  EXPECT_TRUE(settings_.targetBesideSource);
  EXPECT_EQ(settings_.overwritePolicy, 1);
  EXPECT_EQ(settings_.outputCodePage, 437);
}

TEST_F(OptionDialogTest, OkWithChosenEntryStoresItsNumber) {
  Open();
  dialog_.codePageCombo->setCurrentIndex(2);  // "1200   Unicode (UTF-16, ISO 10646)"
  dialog_.onOk();
  EXPECT_EQ(settings_.outputCodePage, 1200);
}

TEST_F(OptionDialogTest, EmptyTargetFieldStoresLoneSeparator) {
  Open();
  dialog_.targetFolderEdit->clear();
  dialog_.onOk();
  EXPECT_EQ(settings_.targetFolder, "/");
}

TEST_F(OptionDialogTest, NonNumericCodePageKeepsDialogOpen) {
  Open();
  dialog_.targetFolderEdit->setText("/typed/before");
  dialog_.codePageCombo->setEditText("abc");
  SeenMessageBox seen;
  CloseNextMessageBox(seen);
  dialog_.onOk();
  EXPECT_EQ(seen.count, 1);
  EXPECT_EQ(seen.caption, "Error");
  EXPECT_EQ(seen.text, "Code page identifier must be numeric!");
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_NE(dialog_.result(), QDialog::Accepted);
  EXPECT_EQ(settings_.outputCodePage, 65001);
  EXPECT_EQ(settings_.targetFolder, "/typed/before/");  // stored before the check
}

TEST_F(OptionDialogTest, CancelRestoresStoredValues) {
  Open();
  dialog_.targetFolderEdit->setText("/elsewhere");
  dialog_.sameFolderCheck->click();
  dialog_.codePageCombo->setEditText("1250");
  dialog_.cancelButton->click();
  EXPECT_EQ(dialog_.result(), QDialog::Rejected);
  EXPECT_EQ(settings_.targetFolder, "/home/user/out/");
  EXPECT_FALSE(settings_.targetBesideSource);
  EXPECT_EQ(settings_.outputCodePage, 65001);
  EXPECT_EQ(dialog_.targetFolderEdit->text(), "/home/user/out/");
  EXPECT_FALSE(dialog_.sameFolderCheck->isChecked());
  EXPECT_TRUE(dialog_.targetFolderEdit->isEnabled());
  EXPECT_EQ(dialog_.codePageCombo->currentText(), "65001 Unicode (UTF-8)");
}

TEST_F(OptionDialogTest, HiddenPageCarriesExtraPatternsAndOkRebuildsTypeList) {
  settings_.namePatterns.clear();  // stale until OK rebuilds it
  Open();
  dialog_.onOk();
  EXPECT_EQ(settings_.xlsExtraPatterns, "*.xlw");
  EXPECT_EQ(settings_.xlsxExtraPatterns, "*.XLSX2");
  EXPECT_EQ(FindFileType(settings_, "/a/book.xlw"), FileType::kXls);
  EXPECT_EQ(FindFileType(settings_, "/a/book.xlsx2"), FileType::kXlsx);
}

TEST_F(OptionDialogTest, OutputGroupLoadsAndStoresItsChoices) {
  Open();
  EXPECT_EQ(dialog_.layoutCombo->currentText(), "As today");
  EXPECT_FALSE(dialog_.separatorCombo->isEnabled());  // the layout of today has no separator to choose
  dialog_.layoutCombo->setCurrentIndex(1);
  EXPECT_TRUE(dialog_.separatorCombo->isEnabled());
  dialog_.separatorCombo->setCurrentIndex(1);
  dialog_.filePerSheetCheck->setChecked(true);
  dialog_.leaveHiddenOutCheck->setChecked(true);
  dialog_.onOk();
  EXPECT_EQ(settings_.layout, OutputLayout::kAsShown);
  EXPECT_TRUE(settings_.commaSeparated);
  EXPECT_TRUE(settings_.filePerSheet);
  EXPECT_TRUE(settings_.leaveHiddenOut);

  dialog_.show();
  dialog_.layoutCombo->setCurrentIndex(0);
  dialog_.cancelButton->click();  // Cancel puts the stored choices back
  EXPECT_EQ(settings_.layout, OutputLayout::kAsShown);
  EXPECT_EQ(dialog_.layoutCombo->currentText(), "As shown");
  EXPECT_EQ(dialog_.separatorCombo->currentText(), "Comma (.csv)");
}

TEST_F(OptionDialogTest, OverwritePolicyOutOfRangeSelectsNothingAndStores255) {
  settings_.overwritePolicy = 7;
  Open();
  EXPECT_EQ(dialog_.overwritePolicyCombo->currentIndex(), -1);
  dialog_.onOk();
  EXPECT_EQ(settings_.overwritePolicy, 255);
}

TEST_F(OptionDialogTest, BrowseOpensAtTheTargetFolderElseTheOneChosenLast) {
  TempDir target;
  TempDir chosen;
  settings_.targetFolder = QString::fromStdString(target.Path() + "/");
  Open();
  QString shown;
  AnswerFolderPicker(QString::fromStdString(chosen.Path()), &shown);
  dialog_.browseButton->click();
  EXPECT_EQ(shown, QString::fromStdString(target.Path()));
  EXPECT_EQ(dialog_.targetFolderEdit->text(), QString::fromStdString(chosen.Path()));
  EXPECT_EQ(settings_.targetFolder, QString::fromStdString(target.Path() + "/"));  // not before OK

  dialog_.targetFolderEdit->setText("/no/such/folder");
  AnswerFolderPicker(QString(), &shown);
  dialog_.browseButton->click();
  EXPECT_EQ(shown, QString::fromStdString(chosen.Path()));
  EXPECT_EQ(dialog_.targetFolderEdit->text(), "/no/such/folder");  // cancelled
}

}  // namespace
}  // namespace tabulox
