#include "desktop/conversion_cancel_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tabulox {

ConversionCancelDialog::ConversionCancelDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("conversionCancelDialog"));
  setWindowTitle(QStringLiteral("Converting Files..."));
  setModal(false);

  fileNameLabel_ = new QLabel(this);
  fileNameLabel_->setMinimumWidth(360);
  progressBar = new QProgressBar(this);
  progressBar->setTextVisible(false);
  doneCountLabel = new QLabel(QStringLiteral("0"), this);
  doneCountLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  totalCountLabel = new QLabel(QStringLiteral("/0"), this);
  hintLabel = new QLabel(QStringLiteral("Press CANCEL to abort current operation."), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);

  auto* counts = new QHBoxLayout;
  counts->setSpacing(0);
  counts->addStretch();
  counts->addWidget(doneCountLabel);
  counts->addWidget(totalCountLabel);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(hintLabel, 1);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fileNameLabel_);
  layout->addWidget(progressBar);
  layout->addLayout(counts);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(cancelButton, &QPushButton::clicked, this, &ConversionCancelDialog::onCancel);
}

void ConversionCancelDialog::resetProgress(int maximum) {
  progressBar->setRange(0, maximum);
  progressBar->setValue(0);
  doneCountLabel->setText(QStringLiteral("0"));
  totalCountLabel->setText(u'/' + QString::number(maximum));
}

void ConversionCancelDialog::stepProgress() {
  progressBar->setValue(progressBar->value() + 1);
  doneCountLabel->setText(QString::number(progressBar->value()));
}

void ConversionCancelDialog::stepAside() {
  if (!isVisible()) return;
  asideForQuestion_ = true;
  hide();
}

void ConversionCancelDialog::stepBack() {
  if (!asideForQuestion_) return;
  asideForQuestion_ = false;
  show();
}

void ConversionCancelDialog::onCancel() { emit cancelRequested(); }

void ConversionCancelDialog::reject() {
  emit cancelRequested();
  QDialog::reject();
}

void ConversionCancelDialog::closeEvent(QCloseEvent* event) {
  emit cancelRequested();
  QDialog::closeEvent(event);
}

void ConversionCancelDialog::hideEvent(QHideEvent* event) {
  if (!asideForQuestion_) emit cancelRequested();
  QDialog::hideEvent(event);
}

}  // namespace tabulox
