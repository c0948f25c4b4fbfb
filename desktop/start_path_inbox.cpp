#include "desktop/start_path_inbox.h"

#include <QTimer>

#include "desktop/add_folder_dialog.h"
#include "desktop/main_window.h"

namespace tabulox {

StartPathInbox::StartPathInbox(MainWindow* window) : QObject(window), window_(window) {
  connect(window, &MainWindow::runFinished, this, &StartPathInbox::deliverLater);
  connect(window, &MainWindow::scanFinished, this, &StartPathInbox::deliverLater);
  // Cancelled, the dialog starts no scan, so nothing else would say it ended.
  connect(window->addDirDialog, &QDialog::finished, this, &StartPathInbox::deliverLater);
}

void StartPathInbox::Add(const StartPaths& paths) {
  if (paths.files.isEmpty() && paths.folders.isEmpty()) return;
  held_.append(paths);
  heldBytes_ += BytesOf(paths);
  deliverLater();
}

qsizetype StartPathInbox::BytesOf(const StartPaths& paths) {
  qsizetype bytes = 0;
  for (const QStringList* list : {&paths.files, &paths.folders}) {
    for (const QString& path : *list) bytes += path.size() * qsizetype(sizeof(QChar));
  }
  return bytes;
}

bool StartPathInbox::canHold(const StartPaths& paths) const {
  return heldBytes_ + BytesOf(paths) <= kMaxHeldBytes;
}

bool StartPathInbox::windowBusy() const {
  // While converting the window takes no files; a scan and its dialog run one at a time.
  return window_->isConverting() || window_->isScanning() || window_->addDirDialog->isVisible();
}

void StartPathInbox::deliverLater() {
  // Once the handler in progress has returned: the dialog's finished, say,
  // comes before the scan it starts.
  QTimer::singleShot(0, this, &StartPathInbox::deliver);
}

void StartPathInbox::deliver() {
  // A folder starts a scan, which holds the lists after it until it ends.
  while (!held_.isEmpty() && !windowBusy()) {
    const StartPaths paths = held_.takeFirst();
    heldBytes_ -= BytesOf(paths);
    window_->addStartPaths(paths.files, paths.folders);
  }
}

}  // namespace tabulox
