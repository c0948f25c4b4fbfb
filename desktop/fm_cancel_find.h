// The modeless progress dialog of a folder scan: shows the folder being
// searched; its button, the Escape key and closing it stop the search.
#pragma once

#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "file_search.h"

namespace tabulox {

class TFmCancelFind : public QDialog {
  Q_OBJECT

 public:
  // `search` must outlive the dialog.
  explicit TFmCancelFind(TKvFileSearch& search, QWidget* parent = nullptr);

  QProgressBar* Animate1;  // busy indicator, moving while the dialog is visible
  QPushButton* BtnCancel;
  QStatusBar* StatusBar1;

  // Shows the folder the search has entered.
  void ShowFolder(const QString& folder);

 public slots:
  void BtnCancelClick();
  // Escape.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TKvFileSearch& search_;
};

}  // namespace tabulox
