#include "fm_view_log.h"

#include <QFile>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScrollBar>
#include <QVBoxLayout>

#include "activity_log.h"
#include "global_settings.h"

namespace tabulox {

TFmViewLog::TFmViewLog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("FmViewLog"));
  setWindowTitle(QStringLiteral("Log"));
  setModal(true);
  resize(560, 380);

  MemoLog = new QPlainTextEdit(this);
  MemoLog->setReadOnly(true);
  MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BtnClear = new QPushButton(QStringLiteral("Clear &Log"), this);
  BtnExport = new QPushButton(QStringLiteral("&Export to file"), this);
  BtnCancel = new QPushButton(QStringLiteral("&Close"), this);
  // Enter closes the viewer; it never clears the log.
  BtnClear->setAutoDefault(false);
  BtnExport->setAutoDefault(false);
  BtnCancel->setDefault(true);
  CBNotLog = new QCheckBox(QStringLiteral("Not logging"), this);
  SaveDialog1 = new QFileDialog(this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CBNotLog);
  buttons->addStretch();
  buttons->addWidget(BtnClear);
  buttons->addWidget(BtnExport);
  buttons->addWidget(BtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MemoLog, 1);
  layout->addLayout(buttons);

  connect(BtnClear, &QPushButton::clicked, this, &TFmViewLog::BtnClearClick);
  connect(BtnExport, &QPushButton::clicked, this, &TFmViewLog::BtnExportClick);
  connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(CBNotLog, &QCheckBox::clicked, this, &TFmViewLog::CBNotLogClick);
  FormCreate();
}

void TFmViewLog::FormCreate() {
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog1->setFileMode(QFileDialog::AnyFile);
  SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
  SaveDialog1->setOption(QFileDialog::HideNameFilterDetails);
  SaveDialog1->setNameFilter(QStringLiteral("KV-Tabulox Log File(*.log) (*.log)"));
  SaveDialog1->setDefaultSuffix(QStringLiteral("log"));
  CBNotLog->setChecked(GlobalSettings().notlog);
}

void TFmViewLog::LoadLog() {
  MemoLog->clear();
  QFile file(LogFilePath());
  if (file.exists()) {
    if (file.open(QIODevice::ReadOnly)) {
      MemoLog->setPlainText(DecodeLogText(file.readAll()));
    } else {
      QMessageBox::critical(this, windowTitle(), QStringLiteral("Cannot open file ") + file.fileName());
    }
  }
  MemoLog->moveCursor(QTextCursor::End);
  const bool hasText = !MemoLog->toPlainText().isEmpty();
  BtnClear->setEnabled(hasText);
  BtnExport->setEnabled(hasText);
  MemoLog->verticalScrollBar()->setValue(MemoLog->verticalScrollBar()->maximum());
}

void TFmViewLog::BtnClearClick() {
  const QMessageBox::StandardButton answer =
      QMessageBox::question(this, windowTitle(), QStringLiteral("Clear the whole log?"),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer != QMessageBox::Yes) return;
  QFile::remove(LogFilePath());
  LoadLog();
}

void TFmViewLog::BtnExportClick() {
  if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty()) return;
  ExportLog(SaveDialog1->selectedFiles().first());
}

void TFmViewLog::ExportLog(const QString& path) {
  QFile file(path);
  const QByteArray bytes = EncodeLogExport(MemoLog->toPlainText());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    QMessageBox::critical(this, windowTitle(), QStringLiteral("Cannot create file ") + path);
  }
}

void TFmViewLog::CBNotLogClick() { GlobalSettings().notlog = CBNotLog->isChecked(); }

void TFmViewLog::showEvent(QShowEvent* event) {
  if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
  QDialog::showEvent(event);
}

}  // namespace tabulox
