// The windowed program: settings first, then the windows, the files of the
// command line, the event loop, and at the end the windows destroyed before
// the settings are written.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "command_line.h"
#include "main_window.h"
#include "settings_file.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  const tabulox::StartPaths startPaths = tabulox::ParseCommandLine(QApplication::arguments());
  tabulox::LoadSettings();

  int status = 0;
  {
    auto mainWindow = std::make_unique<tabulox::MainWindow>();  // loads the saved list
    mainWindow->show();
    // Once the window is up, so that the Add directory dialog of a folder opens over it.
    QTimer::singleShot(0, mainWindow.get(), [&mainWindow, &startPaths] {
      mainWindow->addStartPaths(startPaths.files, startPaths.folders);
    });
    status = QApplication::exec();
  }  // The main window and its dialogs are destroyed here; the job file is saved.

  try {
    tabulox::SaveSettings();
  } catch (const tabulox::SettingsWriteError& error) {
    QMessageBox::critical(nullptr, QStringLiteral("KV-Tabulox"), QString::fromStdString(error.what()));
  }
  return status;
}
