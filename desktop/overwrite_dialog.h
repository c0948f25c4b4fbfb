// The question asked when a target file exists and the policy is "Prompt".
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace tabulox {

class OverwriteDialog : public QDialog {
  Q_OBJECT

 public:
  // Modal results of the four answers; closing the frame gives ResultCancel.
  static constexpr int ResultAutoRename = 6;
  static constexpr int ResultOverwrite = 7;
  static constexpr int ResultCancel = 2;
  static constexpr int ResultStopConvert = 3;

  explicit OverwriteDialog(QWidget* parent = nullptr);

  // Shows the dialog modally for the existing target; returns its modal result.
  // Cancel is the default button and has the focus.
  int ask(const QString& target);

  QLabel* icon;           // the application's icon
  QLabel* fileNameLabel;  // the existing target
  QLabel* messageLabel;
  // The four answers, left to right.
  QPushButton* autoRenameButton;
  QPushButton* overwriteButton;
  QPushButton* cancelButton;
  QPushButton* stopConvertButton;

 protected:
  void reject() override;
};

}  // namespace tabulox
