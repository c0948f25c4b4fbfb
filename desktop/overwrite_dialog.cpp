#include "desktop/overwrite_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tabulox {

OverwriteDialog::OverwriteDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("overwriteDialog"));
  setWindowTitle(QStringLiteral("KV-Tabulox"));
  setModal(true);

  icon = new QLabel(this);
  icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
  fileNameLabel = new QLabel(this);
  fileNameLabel->setMinimumWidth(320);
  messageLabel = new QLabel(QStringLiteral("The file already exist."), this);
  autoRenameButton = new QPushButton(QStringLiteral("&Auto Rename"), this);
  overwriteButton = new QPushButton(QStringLiteral("&Overwrite"), this);
  cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  stopConvertButton = new QPushButton(QStringLiteral("&Stop Convert"), this);

  auto* texts = new QVBoxLayout;
  texts->addWidget(fileNameLabel);
  texts->addWidget(messageLabel);
  auto* top = new QHBoxLayout;
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addLayout(texts, 1);
  // A plain row rather than a button box: the answers keep this order on every desktop.
  auto* answers = new QHBoxLayout;
  for (QPushButton* button : {autoRenameButton, overwriteButton, cancelButton, stopConvertButton}) {
    button->setAutoDefault(false);
    answers->addWidget(button);
  }
  // Enter skips this file, the one answer that neither writes nor ends the run.
  cancelButton->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(answers);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(autoRenameButton, &QPushButton::clicked, this, [this] { done(ResultAutoRename); });
  connect(overwriteButton, &QPushButton::clicked, this, [this] { done(ResultOverwrite); });
  connect(cancelButton, &QPushButton::clicked, this, [this] { done(ResultCancel); });
  connect(stopConvertButton, &QPushButton::clicked, this, [this] { done(ResultStopConvert); });
}

int OverwriteDialog::ask(const QString& target) {
  fileNameLabel->setText(target);
  cancelButton->setFocus();
  return exec();
}

void OverwriteDialog::reject() { done(ResultCancel); }

}  // namespace tabulox
