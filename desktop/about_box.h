// The about box: animated logo, product name and version.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

namespace tabulox {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);

  static constexpr int kFrameWidth = 32;
  static constexpr int kFrameCount = 4;
  static constexpr int kFrameMilliseconds = 400;

  QLabel* logo;  // one frame of the logo strip at a time
  QLabel* productLabel;
  QLabel* versionLabel;
  QDialogButtonBox* buttonBox;
  QTimer* animationTimer;

  int currentFrame() const { return frame_; }

 public slots:
  // The next frame of the logo, after the last the first again.
  void onAnimationTick();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void showFrame();

  QPixmap strip_;
  int frame_ = 0;
};

}  // namespace tabulox
