// The log viewer: shows, clears and exports the activity log, and holds the
// "Not logging" switch.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tabulox {

class LogViewer : public QDialog {
  Q_OBJECT

 public:
  explicit LogViewer(QWidget* parent = nullptr);

  // Fills logText from the log file and enables Clear and Export when it is not empty.
  void loadLog();
  // Writes logText's text to `path` as UTF-16LE with its mark; an error box when it cannot.
  void exportLog(const QString& path);

  QPlainTextEdit* logText;
  QCheckBox* notLoggingCheck;
  QDialogButtonBox* buttonBox;
  QPushButton* clearButton;  // buttonBox's
  QPushButton* exportButton;
  QPushButton* closeButton;  // the default button
  QFileDialog* exportDialog;

 public slots:
  // Deletes the log file once the user confirms, then shows the empty log.
  void onClear();
  // Asks for a file in the export dialog and exports the log to it.
  void onExport();
  void onNotLoggingClicked();

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace tabulox
