// The question of a run when a workbook does not open without a password.
// The password typed is handed to the run and kept nowhere else.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

namespace tabulox {

class PasswordDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PasswordDialog(QWidget* parent = nullptr);

  // Asks modally for the password of `source`. Nothing when the user skips the
  // workbook (Skip, Escape, closing); `forRestOfRun` tells whether the box to
  // use it for the rest of the run was ticked. The field is emptied after.
  std::optional<QString> ask(const QString& source, bool& forRestOfRun);

  QLabel* fileNameLabel;
  QLineEdit* passwordEdit;
  QCheckBox* restOfRunCheck;
  QPushButton* okButton;
  QPushButton* skipButton;
};

}  // namespace tabulox
