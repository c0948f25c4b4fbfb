// Answers the next modal dialog once the event loop shows it, so a test can
// drive a command that opens one.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

namespace tabulox::testing {

inline void AnswerNextModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      answer(modal);
    }
  });
  timer->start(5);
}

// Puts the folder a folder picker shows when it opens into `shown`, then
// accepts the picker with the folder `choose`, or cancels it when that is empty.
inline void AnswerFolderPicker(const QString& choose, QString* shown) {
  AnswerNextModal([choose, shown](QWidget* modal) {
    auto* picker = qobject_cast<QFileDialog*>(modal);
    if (picker == nullptr) {
      ADD_FAILURE() << "no folder picker";
      modal->close();
      return;
    }
    *shown = picker->directory().absolutePath();
    if (choose.isEmpty()) {
      picker->reject();
    } else {
      picker->setDirectory(choose);
      static_cast<QDialog*>(picker)->accept();  // a folder picker takes the folder it shows
    }
  });
}

}  // namespace tabulox::testing
