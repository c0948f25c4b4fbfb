// Closes the next modal message box once the event loop runs and records its
// caption and text, so a test can check a dialog's error message without a user.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>

namespace tabulox::testing {

struct SeenMessageBox {
  QString caption;
  QString text;
  int count = 0;
};

inline void CloseNextMessageBox(SeenMessageBox& seen) {
  QTimer::singleShot(0, [&seen] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      seen.caption = box->windowTitle();
      seen.text = box->text();
      ++seen.count;
      box->accept();
    }
  });
}

}  // namespace tabulox::testing
