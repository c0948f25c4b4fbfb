// The about box: animated logo, product name and version.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

namespace tabulox {

class TFmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TFmAbout(QWidget* parent = nullptr);

  static constexpr int kFrameWidth = 32;
  static constexpr int kFrameCount = 4;
  static constexpr int kFrameMilliseconds = 400;

  QLabel* Animate1;
  QLabel* LblProduct;
  QLabel* LblVersion;
  QPushButton* BtnOK;
  QTimer* TimerAnimate;

  int CurrentFrame() const { return frame_; }

 public slots:
  void TimerAnimateTimer();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowFrame();

  QPixmap strip_;
  int frame_ = 0;
};

}  // namespace tabulox
