#include "desktop/password_dialog.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace tabulox {

PasswordDialog::PasswordDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("passwordDialog"));
  setWindowTitle(QStringLiteral("KV-Tabulox"));
  setModal(true);

  fileNameLabel = new QLabel(this);
  fileNameLabel->setMinimumWidth(320);
  auto* prompt = new QLabel(QStringLiteral("The workbook is encrypted. &Password:"), this);
  passwordEdit = new QLineEdit(this);
  passwordEdit->setEchoMode(QLineEdit::Password);
  prompt->setBuddy(passwordEdit);
  restOfRunCheck = new QCheckBox(QStringLiteral("use for the rest of this run"), this);
  auto* buttons = new QDialogButtonBox(this);
  okButton = buttons->addButton(QDialogButtonBox::Ok);
  skipButton = buttons->addButton(QStringLiteral("&Skip"), QDialogButtonBox::RejectRole);
  okButton->setText(QStringLiteral("&OK"));
  okButton->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fileNameLabel);
  layout->addWidget(prompt);
  layout->addWidget(passwordEdit);
  layout->addWidget(restOfRunCheck);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<QString> PasswordDialog::ask(const QString& source, bool& forRestOfRun) {
  fileNameLabel->setText(source);
  passwordEdit->clear();
  restOfRunCheck->setChecked(false);
  passwordEdit->setFocus();
  const bool accepted = exec() == QDialog::Accepted;
  forRestOfRun = accepted && restOfRunCheck->isChecked();
  std::optional<QString> password;
  if (accepted) password = passwordEdit->text();
  passwordEdit->clear();
  return password;
}

}  // namespace tabulox
