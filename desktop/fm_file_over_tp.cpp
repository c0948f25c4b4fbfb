#include "fm_file_over_tp.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tabulox {

TFmFileOverTp::TFmFileOverTp(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("FmFileOverTp"));
  setWindowTitle(QStringLiteral("KV-Tabulox"));
  setModal(true);

  Image1 = new QLabel(this);
  Image1->setPixmap(QApplication::windowIcon().pixmap(32, 32));
  LblFileName = new QLabel(this);
  LblFileName->setMinimumWidth(320);
  Label2 = new QLabel(QStringLiteral("The file already exist."), this);
  BtnAutoRename = new QPushButton(QStringLiteral("&Auto Rename"), this);
  BtnOverwrite = new QPushButton(QStringLiteral("&Overwrite"), this);
  BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  SpeedButton1 = new QPushButton(QStringLiteral("&Stop Convert"), this);

  auto* texts = new QVBoxLayout;
  texts->addWidget(LblFileName);
  texts->addWidget(Label2);
  auto* top = new QHBoxLayout;
  top->addWidget(Image1, 0, Qt::AlignTop);
  top->addLayout(texts, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {BtnAutoRename, BtnOverwrite, BtnCancel, SpeedButton1}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(BtnAutoRename, &QPushButton::clicked, this, [this] { done(ResultAutoRename); });
  connect(BtnOverwrite, &QPushButton::clicked, this, [this] { done(ResultOverwrite); });
  connect(BtnCancel, &QPushButton::clicked, this, [this] { done(ResultCancel); });
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { done(ResultStopConvert); });
}

int TFmFileOverTp::Ask(const QString& target) {
  LblFileName->setText(target);
  return exec();
}

void TFmFileOverTp::reject() { done(ResultCancel); }

}  // namespace tabulox
