#include "desktop/about_box.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace tabulox {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      strip_(QStringLiteral(":/icons/ANIABOUT")) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(QStringLiteral("About KV-Tabulox"));
  setModal(true);

  logo = new QLabel(this);
  logo->setFixedSize(kFrameWidth, strip_.height());
  productLabel = new QLabel(QStringLiteral("KV-Tabulox"), this);
  QFont bold = productLabel->font();
  bold.setBold(true);
  productLabel->setFont(bold);
  versionLabel = new QLabel(QStringLiteral("Version 3.0"), this);
  buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
  buttonBox->setCenterButtons(true);
  buttonBox->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttonBox->button(QDialogButtonBox::Ok)->setDefault(true);
  animationTimer = new QTimer(this);
  animationTimer->setInterval(kFrameMilliseconds);

  auto* texts = new QVBoxLayout;
  texts->addWidget(productLabel);
  texts->addWidget(versionLabel);
  auto* top = new QHBoxLayout;
  top->addWidget(logo, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttonBox);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  // Wide enough for the whole title beside the title bar's icon and button.
  constexpr int kTitleBarExtra = 96;
  layout->addStrut(fontMetrics().horizontalAdvance(windowTitle()) + kTitleBarExtra);

  connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(animationTimer, &QTimer::timeout, this, &AboutBox::onAnimationTick);
  showFrame();
}

void AboutBox::showFrame() {
  logo->setPixmap(strip_.copy(frame_ * kFrameWidth, 0, kFrameWidth, strip_.height()));
}

void AboutBox::onAnimationTick() {
  frame_ = (frame_ + 1) % kFrameCount;
  showFrame();
}

void AboutBox::showEvent(QShowEvent* event) {
  frame_ = 0;
  showFrame();
  animationTimer->start();
  QDialog::showEvent(event);
}

void AboutBox::hideEvent(QHideEvent* event) {
  animationTimer->stop();
  QDialog::hideEvent(event);
}

}  // namespace tabulox
