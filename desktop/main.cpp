// The windowed program: a start while the program already runs for this user
// and configuration folder hands its files over and ends. Otherwise settings
// first, then the windows, the files of the command line, listening for later
// starts, the event loop, and at the end the windows destroyed before the
// settings are written.
#include <QApplication>
#include <QMessageBox>
#include <memory>

#include "command_line.h"
#include "instance_client.h"
#include "instance_channel.h"
#include "instance_server.h"
#include "main_window.h"
#include "settings_file.h"
#include "start_path_inbox.h"

namespace {

void BringToFront(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  const tabulox::StartPaths startPaths = tabulox::ParseCommandLine(QApplication::arguments());
  const QString serverName = tabulox::InstanceServerName();
  if (tabulox::HandOverToRunningInstance(serverName, startPaths)) return 0;
  tabulox::LoadSettings();

  int status = 0;
  {
    auto mainWindow = std::make_unique<tabulox::MainWindow>();  // loads the saved list
    mainWindow->show();
    // Added once the window is up, so that the Add directory dialog of a folder opens over it.
    auto* inbox = new tabulox::StartPathInbox(mainWindow.get());
    inbox->Add(startPaths);
    // Destroyed before the window, so no later start reaches a window that is going.
    tabulox::InstanceServer server;
    QObject::connect(&server, &tabulox::InstanceServer::PathsReceived, inbox,
                     [inbox, window = mainWindow.get()](const tabulox::StartPaths& paths) {
                       BringToFront(window);
                       inbox->Add(paths);
                     });
    server.Listen(serverName);  // without it, later starts run on their own as before
    status = QApplication::exec();
  }  // The main window and its dialogs are destroyed here; the job file is saved.

  try {
    tabulox::SaveSettings();
  } catch (const tabulox::SettingsWriteError& error) {
    QMessageBox::critical(nullptr, QStringLiteral("KV-Tabulox"), QString::fromStdString(error.what()));
  }
  return status;
}
