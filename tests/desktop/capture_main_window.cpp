// Builds the main window over the given files, converts them all, and saves a
// picture of the window: capture_main_window <out.png> <file>... The caller
// points XDG_CONFIG_HOME at a scratch folder (docs/make_screenshot.sh does).
#include <QApplication>
#include <QTest>

#include "desktop/main_window.h"
#include "desktop/settings_file.h"
#include "numfmt/regional_settings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  if (args.size() < 3) {
    qWarning("usage: capture_main_window <out.png> <file>...");
    return 2;
  }
  tabulox::LoadRegionalSettings();
  tabulox::LoadSettings();
  tabulox::MainWindow form;
  form.resize(1160, 320);  // wide enough for every column
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  form.addChosenFiles(args.mid(2));
  form.convertFiles(tabulox::MainWindow::RunMode::kAll);
  if (!QTest::qWaitFor([&form] { return !form.isConverting(); }, 60000)) return 1;
  form.fileList->clearSelection();
  form.fileList->selectionModel()->select(form.fileListModel->index(0, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QTest::qWait(300);  // the selection count reaches the status bar
  const bool saved = form.grab().save(args[1]);
  return saved ? 0 : 1;
}
