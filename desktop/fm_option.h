// The Options dialog: target directory, overwrite policy and output code
// page. Its two hidden pages carry the user patterns and the options of
// conversions this program does not perform through the dialog unchanged.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "global_settings.h"

namespace tabulox {

class TFmOption : public QDialog {
  Q_OBJECT

 public:
  // Edits `settings`, which must outlive the dialog; `programDir` locates the help.
  explicit TFmOption(TGlobalSettings& settings, QString programDir, QWidget* parent = nullptr);

  // Page indexes of PageControl1.
  static constexpr int kPageGeneral = 0;
  static constexpr int kPageFileExtension = 1;
  static constexpr int kPageSpecial = 2;
  // Columns of ListViewExt.
  static constexpr int kColumnUserDefined = 3;

  QTabWidget* PageControl1;
  // Page "General".
  QCheckBox* CBSameDir;
  QLineEdit* EditTargetDir;
  QPushButton* BtnDir;
  QComboBox* ComBFileOverTp;
  QComboBox* ComBSourceCode;
  // Page "File Extension": one row per supported type.
  QTreeWidget* ListViewExt;
  // Page "Special".
  QComboBox* ComBTextOrder;
  QCheckBox* CBPageBreak;
  QCheckBox* CBKeepRaw;

  QPushButton* BtnOK;
  QPushButton* BtnCancel;
  QPushButton* BtnHelp;

  // Puts the stored settings into the controls.
  void LoadOptions();

 public slots:
  // Stores the controls into the settings and closes with Accepted; stays
  // open (after storing the fields before it) when the code page is not a number.
  void BtnOKClick();
  // Puts the stored settings back and closes with Rejected.
  void BtnCancelClick();
  void BtnHelpClick();
  void BtnDirClick();
  // The target field and its Browse button work only while the box is clear.
  void CBSameDirClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CreateGeneralPage();
  QWidget* CreateFileExtensionPage();
  QWidget* CreateSpecialPage();

  TGlobalSettings& settings_;
  QString programDir_;
};

}  // namespace tabulox
