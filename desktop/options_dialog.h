// The Options dialog: target directory, overwrite policy, output code page
// and the Output group (layout, separator, one file per sheet, hidden content). Its hidden page carries the extra name patterns of .xls and .xlsx
// through the dialog unchanged.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "desktop/global_settings.h"

namespace tabulox {

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // Edits `settings`, which must outlive the dialog; `programDir` locates the help.
  explicit OptionsDialog(ProgramSettings& settings, QString programDir, QWidget* parent = nullptr);

  // Indexes of the pages.
  static constexpr int kPageGeneral = 0;
  static constexpr int kPageFileExtension = 1;
  // Columns of extensionTable.
  static constexpr int kColumnUserDefined = 3;

  QTabWidget* pages;
  // Page "General".
  QCheckBox* sameFolderCheck;
  QLineEdit* targetFolderEdit;
  QPushButton* browseButton;
  QComboBox* overwritePolicyCombo;
  QComboBox* codePageCombo;
  // Its group "Output".
  QComboBox* layoutCombo;     // as today, as shown
  QComboBox* separatorCombo;  // TAB, comma; the as-shown layout's only
  QCheckBox* filePerSheetCheck;
  QCheckBox* leaveHiddenOutCheck;
  // Page "File Extension": one row per type that takes extra patterns.
  QTreeWidget* extensionTable;

  QDialogButtonBox* buttonBox;
  QPushButton* okButton;  // buttonBox's
  QPushButton* cancelButton;
  QPushButton* helpButton;

  // Puts the stored settings into the controls.
  void loadOptions();

 public slots:
  // Stores the controls into the settings and closes with Accepted; stays
  // open (after storing the fields before it) when the code page is not a number.
  void onOk();
  // Puts the stored settings back and closes with Rejected.
  void onCancel();
  // The help page of the options.
  void onHelp();
  // A folder picker that opens at the target folder when it exists.
  void onBrowse();
  // The target field and its Browse button work only while the box is clear.
  void onSameFolderClicked();
  // The separator is chosen only for the as-shown layout.
  void onLayoutChanged();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* createGeneralPage();
  QWidget* createFileExtensionPage();
  QWidget* createOutputGroup(QWidget* page);

  ProgramSettings& settings_;
  QString programDir_;
};

}  // namespace tabulox
