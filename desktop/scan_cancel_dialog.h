// The modeless progress dialog of a folder scan: shows the folder being
// searched; its button, the Escape key and closing it stop the search.
#pragma once

#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "desktop/file_search.h"

namespace tabulox {

class ScanCancelDialog : public QDialog {
  Q_OBJECT

 public:
  // `search` must outlive the dialog.
  explicit ScanCancelDialog(FileSearch& search, QWidget* parent = nullptr);

  QProgressBar* busyIndicator;  // moving while the dialog is visible
  QPushButton* cancelButton;
  QStatusBar* folderBar;  // the folder being searched

  // Shows the folder the search has entered.
  void showFolder(const QString& folder);

 public slots:
  // The button: stops the search.
  void onCancel();
  // Escape.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  FileSearch& search_;
};

}  // namespace tabulox
