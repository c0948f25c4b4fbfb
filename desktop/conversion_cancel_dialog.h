// The progress dialog of a conversion run ("Converting Files...").
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace tabulox {

class ConversionCancelDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ConversionCancelDialog(QWidget* parent = nullptr);

  // Gauge to 0..maximum at 0, doneCountLabel "0", totalCountLabel "/" maximum.
  void resetProgress(int maximum);
  // Position + 1; doneCountLabel shows the new position.
  void stepProgress();
  // Hides the dialog while a question of the run is open, so that only the
  // question's buttons show, and shows it again after; neither asks the run
  // to stop.
  void stepAside();
  void stepBack();

  // The source of the row in hand.
  void showFileName(const QString& source) { fileNameLabel_->setText(source); }
  QString fileName() const { return fileNameLabel_->text(); }

  QProgressBar* progressBar;
  QLabel* doneCountLabel;   // the position, right-aligned ...
  QLabel* totalCountLabel;  // ... and directly to its right "/" and the maximum
  QLabel* hintLabel;
  QPushButton* cancelButton;

 signals:
  // Cancel, Esc or any closing of the dialog, the close at the end of a run
  // included; not stepAside.
  void cancelRequested();

 public slots:
  // The Cancel button: asks the run to stop before its next row.
  void onCancel();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void reject() override;

 private:
  QLabel* fileNameLabel_;
  bool asideForQuestion_ = false;
};

}  // namespace tabulox
