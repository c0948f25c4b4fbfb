// The log viewer: shows, clears and exports the activity log, and holds the
// "Not logging" switch.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tabulox {

class TFmViewLog : public QDialog {
  Q_OBJECT

 public:
  explicit TFmViewLog(QWidget* parent = nullptr);

  // Fills MemoLog from the log file and enables Clear and Export when it is not empty.
  void LoadLog();
  // Writes MemoLog's text to `path` as UTF-16LE with its mark; an error box when it cannot.
  void ExportLog(const QString& path);

  QPlainTextEdit* MemoLog;
  QPushButton* BtnClear;
  QPushButton* BtnExport;
  QPushButton* BtnCancel;
  QCheckBox* CBNotLog;
  QFileDialog* SaveDialog1;

 public slots:
  void FormCreate();
  void BtnClearClick();
  void BtnExportClick();
  void CBNotLogClick();

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace tabulox
