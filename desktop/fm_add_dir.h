// The Add directory dialog: the folders to search, the types to collect and
// whether to descend into sub-folders. It keeps its choices between uses and
// hands the type ticks and the recursion choice to the settings when it is
// destroyed, which must happen before the settings are saved.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "global_settings.h"

namespace tabulox {

class DirectoryDialog;

class TFmAddDir : public QDialog {
  Q_OBJECT

 public:
  // `settings` and `directoryDialog` must outlive this dialog.
  TFmAddDir(TGlobalSettings& settings, DirectoryDialog& directoryDialog, QWidget* parent = nullptr);
  ~TFmAddDir() override;

  QLabel* Label1;
  QLineEdit* EditDir;
  QPushButton* BtnDir;
  QLabel* Label2;
  QListWidget* CheckListBox1;  // one checkable line per supported type, in type order
  QPushButton* SpeedButton1;   // Select All
  QPushButton* SpeedButton2;   // Invert selection
  QPushButton* SpeedButton3;   // Select None
  QCheckBox* CBRecursive;
  QPushButton* BtnOK;
  QPushButton* BtnCancel;

  // Whether the line of type `index` (1-based, as in kFileTypes) is ticked.
  bool TypeTicked(int index) const;

 public slots:
  // Stores EditDir into the settings; closes with Accepted when a type is ticked.
  void BtnOKClick();
  void BtnDirClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The text of every type line from the current user patterns; ticks stay.
  void UpdateTypeLines();
  void StoreChoices();

  TGlobalSettings& settings_;
  DirectoryDialog& directoryDialog_;
};

}  // namespace tabulox
