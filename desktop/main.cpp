// The windowed program: settings first, then the windows, the files of the
// command line, the event loop, and at the end the windows destroyed before
// the settings are written.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "command_line.h"
#include "fm_main.h"
#include "settings_file.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  const tabulox::StartPaths startPaths = tabulox::ParseCommandLine(QApplication::arguments());
  tabulox::LoadSettings();

  int status = 0;
  {
    auto FmMain = std::make_unique<tabulox::TFmMain>();  // loads the saved list
    FmMain->show();
    // Once the window is up, so that the Add directory dialog of a folder opens over it.
    QTimer::singleShot(0, FmMain.get(), [&FmMain, &startPaths] {
      FmMain->AddStartPaths(startPaths.files, startPaths.folders);
    });
    status = QApplication::exec();
  }  // FmMain and its dialogs are destroyed here; the job file is saved.

  try {
    tabulox::SaveSettings();
  } catch (const tabulox::SettingsWriteError& error) {
    QMessageBox::critical(nullptr, QStringLiteral("KV-Tabulox"), QString::fromStdString(error.what()));
  }
  return status;
}
