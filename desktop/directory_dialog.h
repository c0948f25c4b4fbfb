// The Directory dialog: edits a list of folders, which its caller hands over
// and takes back as one text with the folders separated by ";".
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>

namespace tabulox {

class DirectoryDialog : public QDialog {
  Q_OBJECT

 public:
  // Fills the list from `initialDirs` (the stored add-directory text).
  explicit DirectoryDialog(const QString& initialDirs, QWidget* parent = nullptr);

  QListWidget* folderList;
  QLineEdit* folderEdit;  // the folder being edited
  QPushButton* browseButton;
  QPushButton* replaceButton;
  QPushButton* addButton;
  QPushButton* deleteButton;
  QDialogButtonBox* buttonBox;
  QPushButton* okButton;  // buttonBox's
  QPushButton* cancelButton;

  // One entry per non-empty ";"-separated piece of `dirs`, the first selected and put
  // into folderEdit; Add and Replace disabled, Delete enabled when there are
  // entries. With no entries folderEdit keeps its text.
  void loadList(const QString& dirs);
  // The entries in list order.
  QStringList entries() const;

 public slots:
  // Add and Replace are enabled exactly when folderEdit is not empty and not
  // already an entry (compared whole, ignoring case).
  void onFolderEdited();
  // folderEdit gets the selected entry, or is emptied when none is selected.
  void onEntrySelected();
  void onAdd();
  void onReplace();
  void onDelete();
  // A folder picker that opens at the folder in folderEdit when it exists.
  void onBrowse();
  // OK and Enter: a folder typed into folderEdit and not yet an entry joins
  // the list first.
  void accept() override;

 private:
  bool isEntry(const QString& text) const;
};

}  // namespace tabulox
