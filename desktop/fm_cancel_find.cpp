#include "fm_cancel_find.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace tabulox {

TFmCancelFind::TFmCancelFind(TKvFileSearch& search, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      search_(search) {
  setObjectName(QStringLiteral("FmCancelFind"));
  setWindowTitle(QStringLiteral("Searching Files ..."));
  setModal(false);

  Animate1 = new QProgressBar(this);
  Animate1->setTextVisible(false);
  Animate1->setRange(0, 1);
  BtnCancel = new QPushButton(QStringLiteral("Press to abort search operation"), this);
  BtnCancel->setAutoDefault(false);
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setMinimumWidth(420);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Animate1);
  layout->addWidget(BtnCancel, 0, Qt::AlignHCenter);
  layout->addWidget(StatusBar1);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(BtnCancel, &QPushButton::clicked, this, &TFmCancelFind::BtnCancelClick);
}

void TFmCancelFind::ShowFolder(const QString& folder) { StatusBar1->showMessage(folder); }

void TFmCancelFind::BtnCancelClick() { search_.Stop(); }

void TFmCancelFind::reject() { search_.Stop(); }

void TFmCancelFind::showEvent(QShowEvent* event) {
  Animate1->setRange(0, 0);  // a busy indicator moves while its range is empty
  QDialog::showEvent(event);
}

void TFmCancelFind::hideEvent(QHideEvent* event) {
  Animate1->setRange(0, 1);
  QDialog::hideEvent(event);
}

void TFmCancelFind::closeEvent(QCloseEvent* event) {
  search_.Stop();
  QDialog::closeEvent(event);
}

}  // namespace tabulox
