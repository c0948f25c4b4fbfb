#include "desktop/log_viewer.h"

#include <QFile>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScrollBar>
#include <QVBoxLayout>

#include "desktop/activity_log.h"
#include "desktop/global_settings.h"
#include "desktop/picker_folder.h"

namespace tabulox {

LogViewer::LogViewer(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("logViewer"));
  setWindowTitle(QStringLiteral("Log"));
  setModal(true);
  resize(560, 380);

  logText = new QPlainTextEdit(this);
  logText->setReadOnly(true);
  logText->setLineWrapMode(QPlainTextEdit::NoWrap);
  logText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  logText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  buttonBox = new QDialogButtonBox(this);
  clearButton = buttonBox->addButton(QStringLiteral("Clear &Log"), QDialogButtonBox::ActionRole);
  exportButton = buttonBox->addButton(QStringLiteral("&Export to file"), QDialogButtonBox::ActionRole);
  closeButton = buttonBox->addButton(QDialogButtonBox::Close);
  closeButton->setText(QStringLiteral("&Close"));
  // Enter closes the viewer; it never clears the log.
  clearButton->setAutoDefault(false);
  exportButton->setAutoDefault(false);
  closeButton->setDefault(true);
  notLoggingCheck = new QCheckBox(QStringLiteral("Not logging"), this);  // after the buttons in tab order
  notLoggingCheck->setChecked(GlobalSettings().loggingOff);

  exportDialog = new QFileDialog(this);
  exportDialog->setAcceptMode(QFileDialog::AcceptSave);
  exportDialog->setFileMode(QFileDialog::AnyFile);
  exportDialog->setOption(QFileDialog::HideNameFilterDetails);
  exportDialog->setNameFilter(QStringLiteral("KV-Tabulox Log File(*.log) (*.log)"));
  exportDialog->setDefaultSuffix(QStringLiteral("log"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(notLoggingCheck);
  buttons->addWidget(buttonBox, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(logText, 1);
  layout->addLayout(buttons);

  connect(clearButton, &QPushButton::clicked, this, &LogViewer::onClear);
  connect(exportButton, &QPushButton::clicked, this, &LogViewer::onExport);
  connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(notLoggingCheck, &QCheckBox::clicked, this, &LogViewer::onNotLoggingClicked);
}

void LogViewer::loadLog() {
  logText->clear();
  QFile file(LogFilePath());
  if (file.exists()) {
    if (file.open(QIODevice::ReadOnly)) {
      logText->setPlainText(DecodeLogText(file.readAll()));
    } else {
      QMessageBox::critical(this, windowTitle(), QStringLiteral("Cannot open file ") + file.fileName());
    }
  }
  logText->moveCursor(QTextCursor::End);
  const bool hasText = !logText->toPlainText().isEmpty();
  clearButton->setEnabled(hasText);
  exportButton->setEnabled(hasText);
  logText->verticalScrollBar()->setValue(logText->verticalScrollBar()->maximum());
}

void LogViewer::onClear() {
  const QMessageBox::StandardButton answer =
      QMessageBox::question(this, windowTitle(), QStringLiteral("Clear the whole log?"),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer != QMessageBox::Yes) return;
  QFile::remove(LogFilePath());
  loadLog();
}

void LogViewer::onExport() {
  exportDialog->setDirectory(PickerStartFolder());
  if (exportDialog->exec() != QDialog::Accepted || exportDialog->selectedFiles().isEmpty()) return;
  const QString path = exportDialog->selectedFiles().first();
  RememberPickerFolderOf(path);
  exportLog(path);
}

void LogViewer::exportLog(const QString& path) {
  QFile file(path);
  const QByteArray bytes = EncodeLogExport(logText->toPlainText());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    QMessageBox::critical(this, windowTitle(), QStringLiteral("Cannot create file ") + path);
  }
}

void LogViewer::onNotLoggingClicked() { GlobalSettings().loggingOff = notLoggingCheck->isChecked(); }

void LogViewer::showEvent(QShowEvent* event) {
  if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
  QDialog::showEvent(event);
}

}  // namespace tabulox
