#include "fm_cancel_cvt.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tabulox {

TFmCancelCvt::TFmCancelCvt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("FmCancelCvt"));
  setWindowTitle(QStringLiteral("Converting Files..."));
  setModal(false);

  LblFileName = new QLabel(this);
  LblFileName->setMinimumWidth(360);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setTextVisible(false);
  LblSub = new QLabel(QStringLiteral("0"), this);
  LblSub->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  LblTot = new QLabel(QStringLiteral("/0"), this);
  Label1 = new QLabel(QStringLiteral("Press CANCEL to abort current operation."), this);
  BtnCancel = new QPushButton(QStringLiteral("&Cancel"), this);

  auto* counts = new QHBoxLayout;
  counts->setSpacing(0);
  counts->addStretch();
  counts->addWidget(LblSub);
  counts->addWidget(LblTot);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Label1, 1);
  buttons->addWidget(BtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LblFileName);
  layout->addWidget(ProgressBar1);
  layout->addLayout(counts);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(BtnCancel, &QPushButton::clicked, this, &TFmCancelCvt::BtnCancelClick);
}

void TFmCancelCvt::ResetProgress(int maximum) {
  ProgressBar1->setRange(0, maximum);
  ProgressBar1->setValue(0);
  LblSub->setText(QStringLiteral("0"));
  LblTot->setText(u'/' + QString::number(maximum));
}

void TFmCancelCvt::StepProgress() {
  ProgressBar1->setValue(ProgressBar1->value() + 1);
  LblSub->setText(QString::number(ProgressBar1->value()));
}

void TFmCancelCvt::BtnCancelClick() { emit CancelRequested(); }

void TFmCancelCvt::reject() {
  emit CancelRequested();
  QDialog::reject();
}

void TFmCancelCvt::closeEvent(QCloseEvent* event) {
  emit CancelRequested();
  QDialog::closeEvent(event);
}

void TFmCancelCvt::hideEvent(QHideEvent* event) {
  emit CancelRequested();
  QDialog::hideEvent(event);
}

}  // namespace tabulox
