// The Add directory dialog: the folders to search, the types to collect and
// whether to descend into sub-folders. It keeps its choices between uses and
// hands the type ticks and the recursion choice to the settings when it is
// destroyed, which must happen before the settings are saved.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "desktop/global_settings.h"

namespace tabulox {

class DirectoryDialog;

class AddFolderDialog : public QDialog {
  Q_OBJECT

 public:
  // `settings` and `directoryDialog` must outlive this dialog.
  AddFolderDialog(ProgramSettings& settings, DirectoryDialog& directoryDialog, QWidget* parent = nullptr);
  ~AddFolderDialog() override;

  QLabel* folderLabel;
  QLineEdit* folderEdit;  // one folder, or several separated by ";"
  QPushButton* browseButton;
  QLabel* typesLabel;
  QListWidget* typeList;  // one checkable line per entry of kFileTypes, in table order
  QPushButton* selectAllButton;
  QPushButton* invertSelectionButton;
  QPushButton* selectNoneButton;
  // "Recursive Sub Directory": whether the scan descends into sub-folders.
  bool isRecursive() const { return recursiveCheck_->isChecked(); }
  void setRecursive(bool recursive) { recursiveCheck_->setChecked(recursive); }
  QDialogButtonBox* buttonBox;
  QPushButton* okButton;  // buttonBox's
  QPushButton* cancelButton;

  // Whether the line of `type` is ticked.
  bool isTypeTicked(FileType type) const;
  // The ticks of every line, in table order.
  std::array<bool, kFileTypeCount> tickedTypes() const;

 public slots:
  // Stores folderEdit into the settings; closes with Accepted when a type is ticked.
  void onOk();
  // The Directory dialog over the folders of folderEdit; OK puts its list back.
  void onBrowse();
  void onSelectAll();
  void onInvertSelection();
  void onSelectNone();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The text of every type line from the current user patterns; ticks stay.
  void updateTypeLines();
  void storeChoices();

  QCheckBox* recursiveCheck_;
  ProgramSettings& settings_;
  DirectoryDialog& directoryDialog_;
};

}  // namespace tabulox
