// The windowed program: settings first, then the windows, the event loop, and
// at the end the windows destroyed before the settings are written.
#include <QApplication>
#include <QMessageBox>
#include <memory>

#include "main_window.h"
#include "settings_file.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  tabulox::LoadSettings();

  int status = 0;
  {
    auto mainWindow = std::make_unique<tabulox::MainWindow>();
    mainWindow->show();
    status = QApplication::exec();
  }  // The main window and its dialogs are destroyed here; the job file is saved.

  try {
    tabulox::SaveSettings();
  } catch (const tabulox::SettingsWriteError& error) {
    QMessageBox::critical(nullptr, QStringLiteral("KV-Tabulox"), QString::fromStdString(error.what()));
  }
  return status;
}
