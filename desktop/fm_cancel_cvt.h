// The progress dialog of a conversion run ("Converting Files...").
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace tabulox {

class TFmCancelCvt : public QDialog {
  Q_OBJECT

 public:
  explicit TFmCancelCvt(QWidget* parent = nullptr);

  // Gauge to 0..maximum at 0, LblSub "0", LblTot "/" maximum.
  void ResetProgress(int maximum);
  // Position + 1; LblSub shows the new position.
  void StepProgress();

  QLabel* LblFileName;
  QProgressBar* ProgressBar1;
  QLabel* LblSub;
  QLabel* LblTot;
  QLabel* Label1;
  QPushButton* BtnCancel;

 signals:
  // Cancel, Esc or any closing of the dialog, the close at the end of a run included.
  void CancelRequested();

 public slots:
  void BtnCancelClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void reject() override;
};

}  // namespace tabulox
