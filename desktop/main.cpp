// The windowed program: one per user and configuration folder. A start that
// cannot take the instance lock hands its files over to the program holding
// it and ends. Otherwise settings first, then the windows, the files of the
// command line, listening for later starts, the event loop, and at the end
// the windows destroyed before the settings are written; the lock is let go
// only after that.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "desktop/activity_log.h"
#include "desktop/command_line.h"
#include "desktop/instance_channel.h"
#include "desktop/instance_server.h"
#include "desktop/main_window.h"
#include "desktop/settings_file.h"
#include "desktop/single_instance.h"
#include "desktop/start_path_inbox.h"
#include "desktop/termination_signals.h"

namespace {

void BringToFront(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

// A line for the activity log that must not stop the program when the log
// cannot be written; it goes to standard error too.
void LogQuietly(const QString& line) {
  std::fprintf(stderr, "Tabulox: %s\n", line.toLocal8Bit().constData());
  try {
    tabulox::WriteLog(line);
  } catch (const tabulox::LogWriteError&) {
  }
}

// A start that ends without a window says why, on standard error and in a box.
int EndWithMessage(const QString& message) {
  std::fprintf(stderr, "Tabulox: %s\n", message.toLocal8Bit().constData());
  QMessageBox::warning(nullptr, QStringLiteral("KV-Tabulox"), message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tabulox"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  const tabulox::StartPaths startPaths = tabulox::ParseCommandLine(QApplication::arguments());
  const QString serverName = tabulox::InstanceServerName();
  tabulox::EnsureConfigDir();
  tabulox::StartClaim claim = tabulox::ClaimOrHandOver(tabulox::InstanceLockPath(), serverName, startPaths);
  switch (claim.role) {
    case tabulox::StartRole::kHandedOver:
      return 0;
    case tabulox::StartRole::kNotReached:
      return EndWithMessage(tabulox::NotReachedMessage());
    case tabulox::StartRole::kRefused:
      return EndWithMessage(tabulox::RefusedMessage());
    case tabulox::StartRole::kFirst:
      break;
  }
  const QString settingsMessage = tabulox::LoadSettings();

  int status = 0;
  {
    auto mainWindow = std::make_unique<tabulox::MainWindow>();  // loads the saved list
    mainWindow->show();
    tabulox::CloseOnTerminationSignals(mainWindow.get());
    if (!settingsMessage.isEmpty()) {
      LogQuietly(settingsMessage);
      QTimer::singleShot(0, mainWindow.get(), [window = mainWindow.get(), settingsMessage] {
        QMessageBox::warning(window, QStringLiteral("KV-Tabulox"), settingsMessage);
      });
    }
    // Added once the window is up, so that the Add directory dialog of a folder opens over it.
    auto* inbox = new tabulox::StartPathInbox(mainWindow.get());
    inbox->Add(startPaths);
    // Destroyed before the window, so no later start reaches a window that is going.
    tabulox::InstanceServer server;
    server.setAdmission([inbox](const tabulox::StartPaths& paths) { return inbox->canHold(paths); });
    QObject::connect(&server, &tabulox::InstanceServer::PathsReceived, inbox,
                     [inbox, window = mainWindow.get()](const tabulox::StartPaths& paths) {
                       BringToFront(window);
                       inbox->Add(paths);
                     });
    QObject::connect(&server, &tabulox::InstanceServer::Refused, &server, &LogQuietly);
    // Without it later starts cannot hand over and say so; this program runs on.
    if (!server.Listen(serverName)) LogQuietly(QStringLiteral("Later starts cannot hand over: ") + server.problem());
    status = QApplication::exec();
  }  // The main window and its dialogs are destroyed here; the job file is saved.

  try {
    tabulox::SaveSettings();
  } catch (const tabulox::SettingsWriteError& error) {
    QMessageBox::critical(nullptr, QStringLiteral("KV-Tabulox"), QString::fromStdString(error.what()));
  }
  return status;  // the instance lock goes last
}
