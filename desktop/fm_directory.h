// The Directory dialog: edits a list of folders, which its caller hands over
// and takes back as one text with the folders separated by ";".
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>

namespace tabulox {

class TFmDirectory : public QDialog {
  Q_OBJECT

 public:
  // Fills the list from `initialDirs` (the stored add-directory text).
  explicit TFmDirectory(const QString& initialDirs, QWidget* parent = nullptr);

  QListWidget* LBOXDirs;
  QLineEdit* EditDir;
  QPushButton* BtnDir;
  QPushButton* BtnReplace;
  QPushButton* BtnAdd;
  QPushButton* BtnDelete;
  QPushButton* BtnOK;
  QPushButton* BtnCancel;

  // One entry per non-empty ";"-separated piece of `dirs`, the first selected and put
  // into EditDir; Add and Replace disabled, Delete enabled when there are
  // entries. With no entries EditDir keeps its text.
  void LoadList(const QString& dirs);
  // The entries in list order.
  QStringList Entries() const;

 public slots:
  // Add and Replace are enabled exactly when EditDir is not empty and not
  // already an entry (compared whole, ignoring case).
  void EditDirChange();
  void LBOXDirsClick();
  void BtnAddClick();
  void BtnReplaceClick();
  void BtnDeleteClick();
  void BtnDirClick();

 private:
  bool IsEntry(const QString& text) const;
};

}  // namespace tabulox
