#include "fm_about.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tabulox {

TFmAbout::TFmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      strip_(QStringLiteral(":/icons/ANIABOUT")) {
  setObjectName(QStringLiteral("FmAbout"));
  setWindowTitle(QStringLiteral("About KV-Tabulox"));
  setModal(true);

  Animate1 = new QLabel(this);
  Animate1->setFixedSize(kFrameWidth, strip_.height());
  LblProduct = new QLabel(QStringLiteral("KV-Tabulox"), this);
  QFont bold = LblProduct->font();
  bold.setBold(true);
  LblProduct->setFont(bold);
  LblVersion = new QLabel(QStringLiteral("Version 3.0"), this);
  BtnOK = new QPushButton(QStringLiteral("OK"), this);
  BtnOK->setDefault(true);
  TimerAnimate = new QTimer(this);
  TimerAnimate->setInterval(kFrameMilliseconds);

  auto* texts = new QVBoxLayout;
  texts->addWidget(LblProduct);
  texts->addWidget(LblVersion);
  auto* top = new QHBoxLayout;
  top->addWidget(Animate1, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(BtnOK, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  // Wide enough for the whole title beside the title bar's icon and button.
  constexpr int kTitleBarExtra = 96;
  layout->addStrut(fontMetrics().horizontalAdvance(windowTitle()) + kTitleBarExtra);

  connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(TimerAnimate, &QTimer::timeout, this, &TFmAbout::TimerAnimateTimer);
  ShowFrame();
}

void TFmAbout::ShowFrame() {
  Animate1->setPixmap(strip_.copy(frame_ * kFrameWidth, 0, kFrameWidth, strip_.height()));
}

void TFmAbout::TimerAnimateTimer() {
  frame_ = (frame_ + 1) % kFrameCount;
  ShowFrame();
}

void TFmAbout::showEvent(QShowEvent* event) {
  frame_ = 0;
  ShowFrame();
  TimerAnimate->start();
  QDialog::showEvent(event);
}

void TFmAbout::hideEvent(QHideEvent* event) {
  TimerAnimate->stop();
  QDialog::hideEvent(event);
}

}  // namespace tabulox
