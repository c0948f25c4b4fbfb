#include "desktop/scan_cancel_dialog.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace tabulox {

ScanCancelDialog::ScanCancelDialog(FileSearch& search, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      search_(search) {
  setObjectName(QStringLiteral("scanCancelDialog"));
  setWindowTitle(QStringLiteral("Searching Files ..."));
  setModal(false);

  busyIndicator = new QProgressBar(this);
  busyIndicator->setTextVisible(false);
  busyIndicator->setRange(0, 1);
  cancelButton = new QPushButton(QStringLiteral("Press to abort search operation"), this);
  cancelButton->setAutoDefault(false);
  folderBar = new QStatusBar(this);
  folderBar->setSizeGripEnabled(false);
  folderBar->setMinimumWidth(420);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(busyIndicator);
  layout->addWidget(cancelButton, 0, Qt::AlignHCenter);
  layout->addWidget(folderBar);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(cancelButton, &QPushButton::clicked, this, &ScanCancelDialog::onCancel);
}

void ScanCancelDialog::showFolder(const QString& folder) { folderBar->showMessage(folder); }

void ScanCancelDialog::onCancel() { search_.stop(); }

void ScanCancelDialog::reject() { search_.stop(); }

void ScanCancelDialog::showEvent(QShowEvent* event) {
  busyIndicator->setRange(0, 0);  // a busy indicator moves while its range is empty
  QDialog::showEvent(event);
}

void ScanCancelDialog::hideEvent(QHideEvent* event) {
  busyIndicator->setRange(0, 1);
  QDialog::hideEvent(event);
}

void ScanCancelDialog::closeEvent(QCloseEvent* event) {
  search_.stop();
  QDialog::closeEvent(event);
}

}  // namespace tabulox
